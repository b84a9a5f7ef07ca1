// What the start-up functions need of the desktop: layouts, windows, their
// objects and application data. The Qt program implements it; tests fake it.
#pragma once

#include <any>
#include <array>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/movegui.h"
#include "runtime/graphics.h"

namespace velmora {

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  /// Opens a new window from a layout file; throws RuntimeError naming the file
  /// when it cannot be read.
  virtual Handle load_layout(const std::filesystem::path& file) = 0;
  virtual bool is_handle(Handle h) const = 0;
  /// The window holding object `h` (itself for a window), 0 when none.
  virtual Handle window_of(Handle h) const = 0;
  /// The current window, 0 when none.
  virtual Handle current_window() const = 0;
  /// Every object of a window, hidden ones included, with its tag, in a fixed order.
  virtual std::vector<std::pair<Handle, std::string>> find_all(Handle window) const = 0;

  /// Application data of an object (0 is the screen); an empty std::any when unset.
  virtual std::any app_data(Handle h, const std::string& key) const = 0;
  virtual void set_app_data(Handle h, const std::string& key, std::any value) = 0;

  /// Outer (frame included) and inner positions of a window, and the screen, in pixels.
  virtual WindowRect outer_position(Handle window) const = 0;
  virtual WindowRect inner_position(Handle window) const = 0;
  virtual std::array<double, 2> screen_size() const = 0;
  virtual void set_outer_position(Handle window, const WindowRect& position) = 0;

  virtual bool visible(Handle window) const = 0;
  /// Makes a window current and brings it to the front.
  virtual void raise(Handle window) = 0;
};

}  // namespace velmora
