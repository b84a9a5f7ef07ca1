// The study session: study files opened and saved, files dropped or opened
// again from the recent list, each loaded by the action that reads it.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <set>

#include "desktop/action_table.h"
#include "desktop/console_dock.h"
#include "desktop/drop_plan.h"
#include "desktop/file_kind.h"
#include "desktop/plot_dock.h"
#include "desktop/qt_text.h"
#include "desktop/results_log.h"
#include "desktop/study_panel.h"
#include "desktop/workspace.h"
#include "io/open_input.h"
#include "runtime/error.h"

namespace velmora {

namespace {

constexpr int kRecentFiles = 10;

// A recent file is its path, or for a file a loading action read, that action
// and its path apart by a tab (then the names of the files picked with it, a
// tab before each), so it is reopened as it was opened.
struct RecentEntry {
  QString action, path;
  QStringList more;  // files picked with `path`, in its folder
};

RecentEntry recent_entry(const QString& entry) {
  QStringList parts = entry.split('\t');
  if (parts.size() == 1) return RecentEntry{{}, entry, {}};
  RecentEntry out{parts[0], parts[1], {}};
  out.more = parts.mid(2);
  return out;
}

// The controls a study file keeps: every one an action reads, but those with
// keys of their own (the resampling sets, the load switches, the second
// sample's kind).
std::vector<std::string> study_controls() {
  std::set<std::string> tags;
  for (const ActionRow& row : action_catalogue())
    for (std::string_view tag : row.reads) tags.emplace(tag);
  for (const char* own : {"BootBox", "DropMissing", "NegativeMissing", "ZEPButton"}) tags.erase(own);
  return {tags.begin(), tags.end()};
}

std::optional<ControlSetting> setting_of(const QObject* control) {
  if (const auto* w = qobject_cast<const QLineEdit*>(control)) return w->text().toStdString();
  if (const auto* w = qobject_cast<const QComboBox*>(control)) return w->currentText().toStdString();
  if (const auto* w = qobject_cast<const QSpinBox*>(control)) return static_cast<long long>(w->value());
  if (const auto* w = qobject_cast<const QAbstractButton*>(control)) return w->isChecked();
  if (const auto* w = qobject_cast<const QAction*>(control)) return w->isChecked();
  return std::nullopt;
}

// Sets a control as a study file keeps it; false when the setting does not suit it.
bool set_control(QObject* control, const ControlSetting& setting) {
  const auto* text = std::get_if<std::string>(&setting);
  const auto* number = std::get_if<long long>(&setting);
  const auto* mark = std::get_if<bool>(&setting);
  if (auto* w = qobject_cast<QLineEdit*>(control); w != nullptr && text != nullptr) {
    w->setText(QString::fromStdString(*text));
  } else if (auto* w = qobject_cast<QComboBox*>(control); w != nullptr && text != nullptr) {
    const int at = w->findText(QString::fromStdString(*text));
    if (at >= 0)
      w->setCurrentIndex(at);
    else if (w->isEditable())
      w->setEditText(QString::fromStdString(*text));
    else
      return false;
  } else if (auto* w = qobject_cast<QSpinBox*>(control); w != nullptr && number != nullptr) {
    if (*number < w->minimum() || *number > w->maximum()) return false;
    w->setValue(static_cast<int>(*number));
  } else if (auto* w = qobject_cast<QAbstractButton*>(control); w != nullptr && mark != nullptr) {
    w->setChecked(*mark);
  } else if (auto* w = qobject_cast<QAction*>(control); w != nullptr && mark != nullptr) {
    // A menu item's mark is a setting, not a click: its action does not run.
    const QSignalBlocker quiet(w);
    w->setChecked(*mark);
  } else {
    return false;
  }
  return true;
}

}  // namespace

StudyFile Workspace::current_study() const {
  const StudySummary& s = *app_.study();
  QtPort& port = app_.port();
  StudyFile study;
  study.protocol = s.has_protocol() ? s.sources.protocol : std::filesystem::path();
  study.first = s.first.empty() ? std::filesystem::path() : s.sources.first;
  study.first_dims = s.sources.first_dims;
  study.second = s.second.empty() || !second_fits(s) ? std::filesystem::path() : s.sources.second;
  study.second_table = s.second.empty() ? port.control_value("ZEPButton") != 0 : s.sources.second_from_table;
  study.wireframe = s.wireframe_segments == 0 ? std::filesystem::path() : s.sources.wireframe;
  study.table = table_file_;
  study.rounds = static_cast<int>(port.control_value("BootBox"));
  study.seed = port.fixed_seed();
  study.drop_missing = port.has_control("DropMissing") && port.control_value("DropMissing") != 0;
  study.negative_missing = port.has_control("NegativeMissing") && port.control_value("NegativeMissing") != 0;
  if (!results_->rows().empty()) study.results = results_->json();
  for (const std::string& tag : study_controls())
    if (const QObject* control = window().findChild<QObject*>(QString::fromStdString(tag)))
      if (std::optional<ControlSetting> setting = setting_of(control)) study.controls.emplace_back(tag, *setting);
  study.layout = window().saveState().toBase64().toStdString();
  return study;
}

void Workspace::save_study(const std::filesystem::path& file) {
  write_study_file(file, current_study(),
                   [this](const std::string& note) { app_.port().console().write(note + "\n"); });
  results_->mark_saved();
  add_recent(std::filesystem::absolute(file));
  set_study_file(std::filesystem::absolute(file));
}

bool Workspace::open_study(const std::filesystem::path& file) {
  StudyFile st;
  try {
    st = read_study_file(file);
  } catch (const std::exception& e) {
    message("The study was not opened", QString::fromStdString(e.what()));
    return false;
  }
  const std::shared_ptr<const StudySummary> s = app_.study();
  if ((!s->first.empty() || !s->second.empty()) &&
      !question(QString("Replace the study loaded now with %1?").arg(qpath(file.filename()))))
    return false;

  QtPort& port = app_.port();
  run_action("Clear");
  if (!st.results.empty()) {
    try {
      results_->restore(st.results);  // what the study found before
    } catch (const std::exception& e) {
      post_message(QString::fromStdString(e.what()), false);
    }
  }
  port.set_control_value("BootBox", st.rounds);
  seed_->setText(st.seed ? QString::number(*st.seed) : QString());
  if (port.has_control("DropMissing")) port.set_control_value("DropMissing", st.drop_missing ? 1 : 0);
  if (port.has_control("NegativeMissing")) port.set_control_value("NegativeMissing", st.negative_missing ? 1 : 0);
  QStringList problems;
  // The other controls before the loads, which may read them; a control this
  // version does not have is passed over.
  for (const auto& [tag, setting] : st.controls) {
    QObject* control = window().findChild<QObject*>(QString::fromStdString(tag));
    if (control != nullptr && !set_control(control, setting))
      problems << QString("The control %1 cannot be set as the study has it.").arg(QString::fromStdString(tag));
  }
  // A path that is a link loop, too long, or behind a folder the user cannot
  // enter is a problem with that file, not a reason to stop.
  std::error_code looked;
  auto there = [&looked](const std::filesystem::path& p) { return std::filesystem::is_regular_file(p, looked); };
  auto missing = [&](const char* what, const std::filesystem::path& p) {
    if (looked && looked != std::errc::no_such_file_or_directory)
      problems << QString("%1 %2 cannot be reached: %3.").arg(what, qpath(p), QString::fromStdString(looked.message()));
    else
      problems << QString("%1 %2: there is no such file.").arg(what, qpath(p));
  };
  const int done = static_cast<int>(Outcome::done);
  bool protocol = false, first = false;
  if (!st.protocol.empty()) {
    if (!there(st.protocol))
      missing("The protocol", st.protocol);
    else if (!(protocol = run_action("LoadProto", {st.protocol}) == done))
      problems << QString("The protocol %1 did not load (its message says why).").arg(qpath(st.protocol));
  }
  if (!st.first.empty()) {
    if (!there(st.first))
      missing("The first sample", st.first);
    else if (!protocol)
      problems << QString("The first sample %1 was not loaded: it needs the study's protocol.").arg(qpath(st.first));
    else if (!(first = run_action(st.first_dims == 2 ? "LoadFile2D" : "LoadFile1", {st.first}) == done))
      problems << QString("The first sample %1 did not load (its message says why).").arg(qpath(st.first));
  }
  if (!st.second.empty()) {
    port.set_control_value("ZEPButton", st.second_table ? 1 : 0);
    if (!there(st.second))
      missing("The second sample", st.second);
    else if (!first)
      problems << QString("The second sample %1 was not loaded: it needs the first sample.").arg(qpath(st.second));
    else if (run_action("LoadFile2", {st.second}) != done)
      problems << QString("The second sample %1 did not load (its message says why).").arg(qpath(st.second));
  }
  if (!st.wireframe.empty()) {
    if (!there(st.wireframe))
      missing("The wireframe", st.wireframe);
    else if (run_action("LoadWireFrame", {st.wireframe}) != done)
      problems << QString("The wireframe %1 did not load (its message says why).").arg(qpath(st.wireframe));
  }
  if (!st.table.empty()) {
    if (!there(st.table))
      missing("The specimen table", st.table);
    else if (run_action("LoadSpecimenTable", {st.table}) != done)
      problems << QString("The specimen table %1 did not load (its message says why).").arg(qpath(st.table));
  }
  if (!st.layout.empty()) {
    if (window().restoreState(QByteArray::fromBase64(QByteArray::fromStdString(st.layout))))
      QTimer::singleShot(0, this, &Workspace::make_room_for_plot);
    else
      problems << "The window's layout it keeps could not be restored; the window stays as it was.";
  }
  const std::filesystem::path absolute = std::filesystem::absolute(file);
  add_recent(absolute);
  set_study_file(absolute);
  post_message(QTime::currentTime().toString("HH:mm:ss") + "  Opened the study " + qpath(absolute.filename()) + ".",
               false);
  if (!problems.isEmpty())
    message("Part of the study was not loaded",
            QString("From %1:\n\n• %2").arg(qpath(file.filename()), problems.join("\n• ")));
  return true;
}

void Workspace::load_files(const std::vector<std::filesystem::path>& files) {
  DropQuestions ask;
  ask.choose = [this](const std::string& text, const std::vector<std::string>& options) {
    QStringList list;
    for (const auto& o : options) list << qtext(o);
    return choice(qtext(text), list);
  };
  ask.confirm = [this](const std::string& text) { return question(qtext(text)); };
  const DropPlan plan = plan_drops(files, !app_.study()->first.empty(), ask);
  if (plan.study) {
    open_study(*plan.study);
    return;
  }
  QStringList problems;
  for (const auto& p : plan.problems) problems << qtext(p);
  for (const DropLoad& load : plan.loads) {
    // What the load needs must be there now, after the loads before it.
    const std::shared_ptr<const StudySummary> now = app_.study();
    const Needs needs = action_info(load.action).needs;
    if ((needs == Needs::protocol && !now->has_protocol()) || (needs == Needs::first_sample && now->first.empty())) {
      problems << qpath(load.file.filename()) + ": " + QString::fromStdString(needs_text(needs));
      continue;
    }
    if (load.action == "LoadFile2") app_.port().set_control_value("ZEPButton", load.table ? 1 : 0);
    run_action(load.action, {load.file});
  }
  if (!problems.isEmpty()) message("Not loaded", problems.join("\n\n"));
}

QStringList Workspace::recent_files() const { return settings_->value("recent/files").toStringList(); }

void Workspace::add_recent(const std::filesystem::path& file, const std::string& action,
                           const std::vector<std::string>& more) {
  QStringList list = recent_files();
  const QString p = qpath(file);
  list.removeIf([&p](const QString& e) { return recent_entry(e).path == p; });
  QString entry = action.empty() ? p : QString::fromStdString(action) + '\t' + p;
  for (const std::string& name : more) entry += '\t' + qtext(name);
  list.prepend(entry);
  while (list.size() > kRecentFiles) list.removeLast();
  settings_->setValue("recent/files", list);
}

void Workspace::refresh_recent_menu() {
  recent_menu_->clear();
  // Only what can be reopened: files still there, each with the action that read it
  // (a file of no action is offered when its content tells which action reads it).
  int offered = 0;
  for (const QString& e : recent_files()) {
    const RecentEntry entry = recent_entry(e);
    const std::filesystem::path file = entry.path.toStdString();
    std::error_code looked;
    if (!std::filesystem::is_regular_file(file, looked)) continue;
    FileChoice files{file.filename().string(), file.parent_path()};
    for (const QString& name : entry.more) files.more.push_back(name.toStdString());
    if (!std::all_of(files.more.begin(), files.more.end(), [&](const std::string& name) {
          return std::filesystem::is_regular_file(files.folder / name, looked);
        }))
      continue;
    if (entry.action.isEmpty()) {
      const FileKind kind = guess_file_kind(file);
      if (kind == FileKind::unknown || kind == FileKind::unreadable) continue;
    }
    const QFileInfo info(entry.path);
    const QString how = entry.action.isEmpty() ? QString() : "   (" + label_text(entry.action.toStdString()) + ")";
    const QString name =
        entry.more.isEmpty() ? info.fileName() : QString("%1 and %2 more").arg(info.fileName()).arg(entry.more.size());
    QAction* a = recent_menu_->addAction(name + how + "   —   " + info.absolutePath(), [this, entry, files] {
      if (!QFileInfo::exists(entry.path)) return message("Not opened", entry.path + " is no longer there.");
      reopen_recent(entry.action.toStdString(), files);
    });
    a->setToolTip(entry.more.isEmpty() ? entry.path : entry.path + "\n" + entry.more.join("\n"));
    ++offered;
  }
  if (offered == 0) {
    recent_menu_->addAction("(no files yet)")->setEnabled(false);
    return;
  }
  recent_menu_->addSeparator();
  recent_menu_->addAction("Forget these files", [this] { settings_->setValue("recent/files", QStringList()); });
}

void Workspace::reopen_recent(const std::string& action, const FileChoice& files) {
  const std::filesystem::path file = files.path();
  if (action.empty()) return load_files({file});
  const Needs needs = action_info(action).needs;
  const std::shared_ptr<const StudySummary> now = app_.study();
  if ((needs == Needs::protocol && !now->has_protocol()) || (needs == Needs::first_sample && now->first.empty()))
    return message("Not opened", qpath(file.filename()) + ": " + QString::fromStdString(needs_text(needs)));
  run_action(action, std::vector<FileChoice>{files});
}

void Workspace::open_study_dialog() {
  const QString file = QFileDialog::getOpenFileName(&window(), "Open study", qpath(app_.port().working_folder()),
                                                    "Velmora3d studies (*.v3dstudy *.json);;All files (*)");
  if (!file.isEmpty()) open_study(file.toStdString());
}

void Workspace::save_study_dialog() {
  const std::filesystem::path suggested =
      study_file_.empty() ? app_.port().working_folder() / "study.v3dstudy" : study_file_;
  QString chosen;
  const QString file =
      QFileDialog::getSaveFileName(&window(), "Save study", qpath(suggested),
                                   "Velmora3d studies (*.v3dstudy);;JSON files (*.json);;All files (*)", &chosen);
  if (file.isEmpty()) return;
  std::filesystem::path path = file.toStdString();
  if (path.extension().empty()) path += chosen.startsWith("JSON") ? ".json" : kStudyExtension;
  try {
    save_study(path);
    window().statusBar()->showMessage("Saved the study " + qpath(path), 5000);
  } catch (const std::exception& e) {
    QMessageBox::warning(&window(), "The study was not saved", QString::fromStdString(e.what()));
  }
}

void Workspace::set_study_file(const std::filesystem::path& file) {
  study_file_ = file;
  window().setWindowTitle(file.empty() ? "Velmora3d" : "Velmora3d — " + qpath(file.filename()));
}

}  // namespace velmora
