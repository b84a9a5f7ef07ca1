// The desktop program: the main window from its layout file, each control's
// callback through the call-by-name table.
#include "app/gui_qt.h"

#include <QApplication>
#include <QIcon>
#include <QMainWindow>
#include <QStatusBar>
#include <algorithm>
#include <iostream>

#include "app/function_table.h"
#include "app/gui.h"
#include "app/share_folders.h"
#include "app/velmora3d.h"
#include "runtime/error.h"

namespace velmora {

std::vector<std::filesystem::path> layout_search_path() {
  const std::filesystem::path dir = QCoreApplication::instance() != nullptr
                                        ? std::filesystem::path(QCoreApplication::applicationDirPath().toStdString())
                                        : program_folder();
  std::vector<std::filesystem::path> out = share_folders(dir);
  if (!dir.empty()) out.push_back(dir / "resources");
  return out;
}

Handle QtWindowSystem::load_layout(const std::filesystem::path& file) {
  if (file.has_parent_path() || search_.empty()) return port_.load_layout(file);
  std::string looked;
  for (const auto& dir : search_) {
    const std::filesystem::path p = dir / file;
    if (std::filesystem::is_regular_file(p)) return port_.load_layout(p);
    looked += "\n  " + p.string();
  }
  throw RuntimeError("Cannot find the main window's layout file " + file.string() + "; looked for:" + looked);
}

WindowRect QtWindowSystem::outer_position(Handle window) const {
  const ScreenRect r = port_.outer_position(window);
  return {r.left, r.bottom, r.width, r.height};
}

WindowRect QtWindowSystem::inner_position(Handle window) const {
  const ScreenRect r = port_.inner_position(window);
  return {r.left, r.bottom, r.width, r.height};
}

void QtWindowSystem::set_outer_position(Handle window, const WindowRect& p) {
  port_.set_outer_position(window, {p.left, p.bottom, p.width, p.height});
}

const std::vector<std::string>& DesktopApp::background_actions() {
  static const std::vector<std::string> names = {"BootF", "PermuteF", "PermuteVariance", "ShapePCA", "SlideSamples",
                                                 // Studies of any design.
                                                 "ProcrustesANOVA", "PairwiseGroups",
                                                 // Size, discrimination and integration.
                                                 "Allometry", "CVA", "TwoBlockPLS"};
  return names;
}

DesktopApp::DesktopApp(std::vector<std::filesystem::path> search)
    : port_(std::make_unique<QtPort>()), dispatcher_(std::make_unique<Dispatcher>(*port_)) {
  windows_ = std::make_unique<QtWindowSystem>(*port_, std::move(search));
  table_ = build_function_table(*dispatcher_);
  register_startup_functions(table_, *dispatcher_, windows_.get());
  connect(port_.get(), &QtPort::callback, this, [this](const QString& text, int) { run_callback(text); });
}

DesktopApp::~DesktopApp() = default;

Handle DesktopApp::start() {
  const std::vector<Value> out = table_.call("velmora3d", {}, 1);
  // velmora3d prints failures of named calls only; the no-argument form throws.
  return out.empty() ? 0 : static_cast<Handle>(std::get<Eigen::MatrixXd>(out[0])(0, 0));
}

void DesktopApp::call(const std::string& name, const std::vector<Value>& args) {
  try {
    table_.call(name, args, 0);
  } catch (const std::exception& e) {
    // A callback that fails outside an action (a bad callback text): console and box.
    port_->console().write(std::string(e.what()) + "\n");
    port_->report_error(e.what());
  }
}

std::string DesktopApp::running_action() const {
  std::lock_guard lock(action_mutex_);
  return running_action_;
}

void DesktopApp::set_running_action(const std::string& action) {
  std::lock_guard lock(action_mutex_);
  running_action_ = action;
}

Outcome DesktopApp::dispatch(const std::string& action) {
  try {
    return dispatcher_->vm3sw(action);
  } catch (const std::exception& e) {
    port_->console().write(std::string(e.what()) + "\n");
    port_->report_error(e.what());
    return Outcome::failed;
  }
}

void DesktopApp::run_callback(const QString& text) {
  if (running_) {
    if (port_->main_window() != nullptr)
      port_->main_window()->statusBar()->showMessage("Please wait: an action is still running.", 3000);
    return;
  }
  const QStringList parts = text.split(' ', Qt::SkipEmptyParts);
  if (parts.isEmpty()) return;
  if (gate_ && !gate_(text)) return;
  const std::string name = parts.front().toStdString();
  std::vector<Value> args;
  for (qsizetype i = 1; i < parts.size(); ++i) args.emplace_back(parts[i].toStdString());
  if (name != "vm3sw" || args.size() != 1) {
    running_ = true;
    call(name, args);
    running_ = false;
    return;
  }

  // One action of the dispatcher: told to the desktop as it starts and ends.
  const std::string action = std::get<std::string>(args[0]);
  const QString qaction = QString::fromStdString(action);
  const bool background = std::ranges::find(background_actions(), action) != background_actions().end();
  running_ = true;
  set_running_action(action);
  emit action_started(qaction);
  if (background) {
    auto outcome = std::make_shared<Outcome>(Outcome::failed);
    port_->run_in_background(
        wording_ ? wording_(action) : action, [this, action, outcome] { *outcome = dispatch(action); },
        [this, qaction, outcome] {
          running_ = false;
          set_running_action("");
          emit action_finished(qaction, static_cast<int>(*outcome));
        });
    return;
  }
  const Outcome outcome = dispatch(action);
  running_ = false;
  set_running_action("");
  emit action_finished(qaction, static_cast<int>(outcome));
}

}  // namespace velmora
