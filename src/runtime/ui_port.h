// The UI port: everything an action needs from the windows around it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "runtime/console.h"
#include "runtime/graphics.h"

namespace velmora {

/// A file chosen in a dialog: the name without its folder, and the folder.
struct FileChoice {
  std::string name;
  std::filesystem::path folder;
  std::filesystem::path path() const { return folder / name; }
  std::vector<std::string> more{};  // further files picked at once, in the same folder (a dialog of several)
};

enum class MessageMode { non_modal, modal, replace };

/// One format of a picture put on the clipboard ("image/png", "image/svg+xml").
struct ClipboardItem {
  std::string format;
  std::string bytes;
};

/// One value of a finished test: a number, an exact whole number (seeds, which
/// a double cannot hold), a text, a list of numbers, a table or a list of texts
/// (the specimens' names).
using ResultValue =
    std::variant<double, std::uint64_t, std::string, std::vector<double>, Eigen::MatrixXd, std::vector<std::string>>;

/// The numbers of a finished test, for other programs (batch `result` events).
struct TestResult {
  std::string name;
  std::vector<std::pair<std::string, ResultValue>> numbers;
};

class UiPort {
 public:
  virtual ~UiPort() = default;

  virtual Console& console() = 0;
  virtual Graphics& graphics() = 0;

  // Controls of the main window, found by tag. Each throws RuntimeError naming
  // the tag when no control carries it.
  virtual bool has_control(std::string_view tag) const = 0;
  virtual Handle control_handle(std::string_view tag) = 0;
  virtual std::string control_string(std::string_view tag) = 0;
  virtual void set_control_string(std::string_view tag, const std::string& text) = 0;
  virtual double control_value(std::string_view tag) = 0;
  virtual void set_control_value(std::string_view tag, double value) = 0;
  /// "on" or "off" (written as "On" or "Off", read back in lower case).
  virtual std::string control_checked(std::string_view tag) = 0;
  virtual void set_control_checked(std::string_view tag, const std::string& state) = 0;

  /// File dialogs with a filter ("*.txt") and a title; nothing when cancelled.
  virtual std::optional<FileChoice> open_file(std::string_view filter, std::string_view title) = 0;
  virtual std::optional<FileChoice> save_file(std::string_view filter, std::string_view title) = 0;

  /// Shows a message box and returns its handle.
  virtual Handle message_box(const std::string& text, const std::string& title, MessageMode mode) = 0;
  /// The same with an icon: "none", "help", "warn" or "error" (ports that draw
  /// no icons show the plain box).
  virtual Handle message_box_with_icon(const std::string& text, const std::string& title, MessageMode mode,
                                       const std::string& icon) {
    return message_box(text, title, mode);
  }
  /// Returns when the box is closed.
  virtual void wait_message_box(Handle box) = 0;

  /// The pointer of the current window: "watch" or "arrow".
  virtual void set_pointer(std::string_view pointer) = 0;

  virtual void set_clipboard(const std::vector<ClipboardItem>& items) = 0;

  virtual std::filesystem::path working_folder() const = 0;
  virtual void set_working_folder(const std::filesystem::path& folder) = 0;

  /// Long work reports how far it is; false means the user asked to cancel.
  virtual bool progress(std::string_view what, std::int64_t done, std::int64_t total) = 0;

  /// An action failed: the user must hear about it (the console has it already).
  virtual void report_error(const std::string& message) = 0;

  // Records for batch runs; other ports may ignore them.
  virtual void file_written(const std::filesystem::path& path, std::uintmax_t bytes) {}
  virtual void result(const TestResult& result) {}

  /// The seed for resampling tests: the one the user fixed, else a new one from
  /// the system's entropy on every call.
  virtual std::uint64_t seed() = 0;
};

}  // namespace velmora
