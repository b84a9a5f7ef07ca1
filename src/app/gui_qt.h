// The desktop program on Qt: the port, the dispatcher, the call-by-name table
// and the start-up, wired together.
#pragma once

#include <QObject>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/action_catalogue.h"
#include "app/study_summary.h"
#include "app/window_system.h"
#include "runtime/function_table.h"
#include "runtime/qt/qt_port.h"

namespace velmora {

class Dispatcher;
struct ComputedAction;

/// The window system of the start-up functions on top of the Qt port. Layout
/// files named without a folder are looked for in `search` in order.
class QtWindowSystem : public WindowSystem {
 public:
  QtWindowSystem(QtPort& port, std::vector<std::filesystem::path> search) : port_(port), search_(std::move(search)) {}
  Handle load_layout(const std::filesystem::path& file) override;
  bool is_handle(Handle h) const override { return port_.is_handle(h); }
  Handle window_of(Handle h) const override { return port_.window_of(h); }
  Handle current_window() const override { return port_.current_window(); }
  std::vector<std::pair<Handle, std::string>> find_all(Handle window) const override { return port_.find_all(window); }
  std::any app_data(Handle h, const std::string& key) const override { return port_.app_data(h, key); }
  void set_app_data(Handle h, const std::string& key, std::any value) override {
    port_.set_app_data(h, key, std::move(value));
  }
  WindowRect outer_position(Handle window) const override;
  WindowRect inner_position(Handle window) const override;
  std::array<double, 2> screen_size() const override { return port_.screen_size(); }
  void set_outer_position(Handle window, const WindowRect& p) override;
  bool visible(Handle window) const override { return port_.visible(window); }
  void raise(Handle window) override { port_.raise(window); }

 private:
  QtPort& port_;
  std::vector<std::filesystem::path> search_;
};

/// The folders where the main window's layout file is looked for, all found
/// from the program's own place: the installed share folder
/// (`../share/velmora3d`), the program's folder (a build tree), its resources/.
std::vector<std::filesystem::path> layout_search_path();

class DesktopApp : public QObject {
  Q_OBJECT

 public:
  explicit DesktopApp(std::vector<std::filesystem::path> search = layout_search_path());
  ~DesktopApp() override;

  /// Opens the main window (velmora3d with no argument). Throws RuntimeError
  /// when the layout file cannot be found or read.
  Handle start();
  /// Runs a control's callback text ("vm3sw LoadProto"): one at a time; the
  /// resampling tests run in the background.
  void run_callback(const QString& text);
  /// True while an action runs.
  bool running() const { return running_; }
  /// The dispatcher action running ("" when none); readable from any thread.
  std::string running_action() const;

  /// Asked before each callback runs; false leaves it out (the desktop asks
  /// before "vm3sw Clear").
  void set_callback_gate(std::function<bool(const QString&)> gate) { gate_ = std::move(gate); }
  /// The words for an action in the progress dialog of a background action
  /// (the action's name by default).
  void set_action_wording(std::function<std::string(const std::string&)> wording) { wording_ = std::move(wording); }

  QtPort& port() { return *port_; }
  Dispatcher& dispatcher() { return *dispatcher_; }
  /// What the study holds after the last finished action (the desktop reads
  /// this, not the working state). On the GUI thread.
  std::shared_ptr<const StudySummary> study() const;
  const FunctionTable& table() const { return table_; }

  /// The actions that run off the GUI thread.
  static const std::vector<std::string>& background_actions();

 signals:
  /// A dispatcher action starts, and ends with its Outcome (on the GUI thread,
  /// its result kept: study() is the study after it).
  void action_started(const QString& action);
  void action_finished(const QString& action, int outcome);

 private:
  void call(const std::string& name, const std::vector<Value>& args);
  Outcome dispatch(const std::string& action);
  ComputedAction compute(const std::string& action);
  void set_running_action(const std::string& action);

  std::unique_ptr<QtPort> port_;
  std::unique_ptr<Dispatcher> dispatcher_;
  std::unique_ptr<QtWindowSystem> windows_;
  FunctionTable table_;
  bool running_ = false;
  std::function<bool(const QString&)> gate_;
  std::function<std::string(const std::string&)> wording_;
  mutable std::mutex action_mutex_;
  std::string running_action_;
};

}  // namespace velmora
