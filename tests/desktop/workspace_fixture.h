// A workspace on the offscreen platform with scripted file dialogs, answers to
// its questions and a record of its messages.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/dispatcher.h"
#include "app/gui_qt.h"
#include "desktop/workspace.h"
#include "support/qt_event_loop.h"
#include "runtime/qt/msgboxd_dialog.h"

namespace velmora::testing {

inline const std::filesystem::path kSource = VELMORA_SOURCE_DIR;
inline const std::filesystem::path kSkull = kSource / "examples" / "skull3d";
inline const std::filesystem::path kLeaf = kSource / "examples" / "leaf2d";

class WorkspaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    application();
    app_ = std::make_unique<DesktopApp>(std::vector<std::filesystem::path>{kSource / "resources"});
    app_->start();
    auto settings = std::make_unique<QSettings>(dir_.filePath("settings.ini"), QSettings::IniFormat);
    workspace_ = std::make_unique<Workspace>(*app_, std::move(settings));
    port().set_file_dialog_hook([this](bool, std::string_view, std::string_view title) -> std::optional<FileChoice> {
      dialogs_.emplace_back(title);
      if (answers_.empty()) return std::nullopt;
      const std::filesystem::path p = answers_.front();
      answers_.erase(answers_.begin());
      return FileChoice{p.filename().string(), p.parent_path()};
    });
    workspace_->set_question_hook([this](const QString& q) {
      questions_.push_back(q);
      return yes_;
    });
    workspace_->set_choice_hook([this](const QString& q, const QStringList&) {
      questions_.push_back(q);
      return choice_;
    });
    workspace_->set_message_hook(
        [this](const QString& title, const QString& text) { messages_.push_back(title + "\n" + text); });
  }
  void TearDown() override {
    wait_until([&] { return !app_->running(); });
    workspace_.reset();
    app_.reset();
    settle();
  }

  QtPort& port() { return app_->port(); }
  const WorkingState& state() { return app_->dispatcher().state(); }
  QMainWindow& window() { return workspace_->window(); }
  std::filesystem::path temp(const std::string& name) {
    return dir_.filePath(QString::fromStdString(name)).toStdString();
  }

  // Runs an action from its panel button (or its menu item), answering its dialogs.
  void click(const std::string& action, std::vector<std::filesystem::path> answers = {}) {
    for (const auto& a : answers) answers_.push_back(a.string());
    if (QAbstractButton* b = workspace_->button(action)) {
      b->click();
    } else {
      for (auto* a : window().findChildren<QAction*>())
        if (a->property("callback").toString() == QString::fromStdString("vm3sw " + action)) a->trigger();
    }
    settle();
  }
  void load_skull(bool second = true) {
    click("LoadProto", {kSkull / "protocol.txt"});
    click("LoadFile1", {kSkull / "first.tps"});
    if (!second) return;
    port().set_control_value("ZEPButton", 1);
    click("LoadFile2", {kSkull / "second.txt"});
  }
  std::vector<MsgboxdDialog*> boxes(const std::string& title) {
    settle();
    std::vector<MsgboxdDialog*> out;
    for (auto* b : port().message_boxes())
      if (b->title() == title && b->isVisible()) out.push_back(b);
    return out;
  }

  QTemporaryDir dir_;
  std::unique_ptr<DesktopApp> app_;
  std::unique_ptr<Workspace> workspace_;
  std::vector<std::string> answers_, dialogs_;
  std::vector<QString> questions_, messages_;
  bool yes_ = true;
  int choice_ = -1;
};

}  // namespace velmora::testing
