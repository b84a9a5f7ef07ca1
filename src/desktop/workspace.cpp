// The workspace's window: its docks and menus, the messages of running actions,
// the plot views' figures, and closing. One file because each of these reacts
// to the same action events and desktop policy; the panel, the session and the
// views have their own files.
#include "desktop/workspace.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "desktop/action_table.h"
#include "desktop/console_dock.h"
#include "desktop/file_kind.h"
#include "desktop/plot_dock.h"
#include "desktop/qt_text.h"
#include "desktop/result_words.h"
#include "desktop/results_log.h"
#include "desktop/study_panel.h"
#include "desktop/view_tabs.h"
#include "desktop/workspace.h"
#include "io/open_input.h"
#include "runtime/error.h"

namespace velmora {

namespace {

// The dialog's title and filters for the dialog an action opens, from its catalogue row.
std::optional<QtPort::DialogLook> dialog_look(const std::string& action, bool table) {
  const ActionRow* row = find_action(action);
  if (row == nullptr || row->dialog.kind == DialogLook::none || row->dialog.own_titles) return std::nullopt;
  const DialogLook& look = row->dialog;
  return QtPort::DialogLook{
      qtext(look.title), qtext(table && !look.table_filters.empty() ? look.table_filters : look.filters), look.several};
}

// The part of the study a row replaces: none when the action is unknown.
StudyPart replaces(const std::string& action) {
  const ActionRow* row = find_action(action);
  return row == nullptr ? StudyPart::none : row->replaces;
}

// The file a part of the study was read from.
const std::filesystem::path& source_of(const StudySources& sources, StudyPart part) {
  static const std::filesystem::path none;
  switch (part) {
    case StudyPart::protocol:
      return sources.protocol;
    case StudyPart::first_sample:
      return sources.first;
    case StudyPart::second_sample:
      return sources.second;
    case StudyPart::wireframe:
      return sources.wireframe;
    default:
      return none;
  }
}

}  // namespace

Workspace::Workspace(DesktopApp& app, std::unique_ptr<QSettings> settings) : app_(app), settings_(std::move(settings)) {
  if (!settings_) settings_ = std::make_unique<QSettings>("Velmora3d", "Velmora3d");
  QtPort& port = app_.port();
  QMainWindow& w = window();

  QtPort::DesktopPolicy policy;
  policy.wording = [this](const std::string& text) { return words(text); };
  policy.box_wording = result_box_words;
  policy.dialog_looks = [this](bool, std::string_view, std::string_view) {
    return dialog_look(app_.running_action(), app_.port().control_value("ZEPButton") != 0);
  };
  policy.plot_decorator = study_decor;
  // Every figure an action draws is shown in the window: the one a
  // first-sample load (or the sliding that replaces the sample) draws as the
  // study's plot, the others in tabs beside it.
  policy.figure_claim = [this](Handle figure) {
    const std::string action = app_.running_action();
    if (action.empty()) return false;
    std::lock_guard lock(claims_mutex_);
    claimed_by_[figure] = action;
    return true;
  };
  // A first sample's table of numbers that could be 2D or 3D: the user says
  // which, and the load reads it so (the batch runner's TableDimension).
  policy.opened = [this](const FileChoice& file) {
    if (app_.running_action() != "LoadFile1" || !app_.port().has_control("TableDimension")) return;
    if (!file.more.empty() || !dimension_untold(file.path())) return;
    const int picked = choice(QString("%1 is a table of numbers whose columns do not tell whether its points are 2D "
                                      "or 3D.\n\nRead its points as:")
                                  .arg(qpath(std::filesystem::path(file.name))),
                              {"2D points (x, y)", "3D points (x, y, z)"});
    if (picked >= 0) app_.port().set_control_value("TableDimension", picked == 0 ? 2 : 3);
  };
  port.set_desktop_policy(std::move(policy));
  app_.set_action_wording([](const std::string& action) { return label_text(action).toStdString(); });
  app_.set_callback_gate([this](const QString& text) {
    // The action that empties the study, and a 2D save of a 3D study, ask first.
    if (!text.startsWith("vm3sw ") || bypass_gate_) return true;
    const std::string action = text.mid(6).toStdString();
    if ((action == "SaveFile2D" || action == "SaveAlignedFile2D") && app_.study()->first.dimension == 3)
      return question(
          "The study is 3D: a 2D file keeps x and y of each point and drops z.\n\nSave it in 2D all "
          "the same?");
    if (replaces(action) != StudyPart::all_but_protocol) return true;
    return question(
        "Clear the study?\n\nBoth samples, the wireframe, the plots and the report boxes are emptied; the "
        "protocol stays loaded and the results log keeps its rows.");
  });

  build_docks();
  build_panel();
  build_menus();
  wire_study_panel();
  name_controls();
  watch_view_controls();

  connect(&app_, &DesktopApp::action_started, this, &Workspace::on_action_started);
  connect(&app_, &DesktopApp::action_finished, this, &Workspace::on_action_finished);
  connect(&port, &QtPort::console_message, this, &Workspace::on_console);
  connect(&port, &QtPort::figure_event, this, &Workspace::on_figure);
  connect(&port, &QtPort::error_reported, this, [this](const QString& m) { errors_.push_back(m.trimmed()); });
  connect(&port, &QtPort::result_reported, this, [this](const TestResult& r) {
    // A specimen table is no test: its columns are offered to the Model and
    // Groups boxes instead.
    if (r.name == "LoadSpecimenTable") {
      for (const auto& [key, value] : r.numbers)
        if (const auto* file = std::get_if<std::string>(&value); file && key == "file") table_file_ = *file;
      return;
    }
    const std::shared_ptr<const StudySummary> s = app_.study();
    results_->add(r, s->sources, result_context(*s, study_file_));
  });
  connect(results_, &ResultsLog::added, this, [this](const QString& line) { post_message(line, false); });
  connect(&port, &QtPort::file_saved, this, [this](const QString& path, qulonglong bytes) {
    post_message(QString("Wrote %1 (%2 bytes).").arg(path).arg(bytes), false);
  });
  // A specimen clicked in a picture is picked in the study panel, which highlights it in the plot.
  // A shape space names its points "sample 2, skull-07".
  auto pick = [this](const QString& name) {
    static const QRegularExpression in_sample("^sample ([12]), (.+)$");
    const QRegularExpressionMatch m = in_sample.match(name);
    if (m.hasMatch())
      study_->pick(m.captured(2), m.captured(1).toInt());
    else
      study_->pick(name);
  };
  connect(views_, &ViewTabs::point_clicked, this, pick);
  connect(plot_->view(), &PlotView::point_clicked, this, pick);
  connect(study_, &StudyPanel::highlight, this,
          [this](const std::vector<PointOverlay>& points) { plot_->view()->set_highlight(points); });

  w.setAcceptDrops(true);
  w.installEventFilter(this);
  for (QWidget* box : w.findChildren<QWidget*>())
    if (qobject_cast<QComboBox*>(box) != nullptr || qobject_cast<QAbstractSpinBox*>(box) != nullptr) {
      box->setFocusPolicy(Qt::StrongFocus);
      box->installEventFilter(this);
    }

  default_layout_ = w.saveState();
  const QByteArray geometry = settings_->value("window/geometry").toByteArray();
  const QByteArray state = settings_->value("window/state").toByteArray();
  if (!geometry.isEmpty()) w.restoreGeometry(geometry);
  if (!state.isEmpty()) w.restoreState(state);
  console_->show_echoes(settings_->value("console/echoes", false).toBool());
  fit_to_screen();
  // The restored docks leave the plot its room (the window may be shown already).
  QTimer::singleShot(0, this, &Workspace::make_room_for_plot);
  refresh_actions();
  study_->show_study(app_.study());
}

Workspace::~Workspace() {
  QtPort& port = app_.port();
  port.set_desktop_policy({});
  app_.set_callback_gate(nullptr);
  app_.set_action_wording(nullptr);
  if (port.main_window() != nullptr) port.main_window()->removeEventFilter(this);
}

QMainWindow& Workspace::window() const { return *app_.port().main_window(); }

QDockWidget* Workspace::dock(const QString& name) const { return window().findChild<QDockWidget*>(name); }

QAbstractButton* Workspace::button(const std::string& action) const {
  auto it = buttons_.find(action);
  return it == buttons_.end() ? nullptr : it->second;
}

void Workspace::on_action_started(const QString&) {
  cancelled_before_ = app_.port().dialogs_cancelled();
  refresh_actions();
}

void Workspace::on_action_finished(const QString& qaction, int outcome) {
  const std::string action = qaction.toStdString();
  last_outcome_ = outcome;
  // The dimension a table was read in was asked for that load alone.
  if (app_.port().has_control("TableDimension")) app_.port().set_control_value("TableDimension", 0);
  const std::shared_ptr<const StudySummary> s = app_.study();
  const StudyPart part = replaces(action);
  if (part == StudyPart::all_but_protocol && outcome == static_cast<int>(Outcome::done)) {
    // The boxes the action leaves, and the study's plot, go too.
    QtPort& port = app_.port();
    port.set_control_string("FileBox2", "");
    port.set_control_string("ResultsBox", "");
    const Handle docked = plot_->figure();
    plot_->show_figure(0);
    if (docked != 0 && port.graphics().is_handle(docked)) port.graphics().close(docked);
    set_study_file({});
    table_file_.clear();
  }
  const bool taken_back = action == "RestoreUnslid" || part == StudyPart::earlier_study;
  if (outcome == static_cast<int>(Outcome::done) &&
      (part == StudyPart::all_but_protocol || part == StudyPart::first_sample || taken_back))
    close_views();  // they show the study as it was
  if (outcome == static_cast<int>(Outcome::done) && taken_back && s->first.empty()) {
    // Back before the first sample: the study's plot showed what is gone.
    const Handle docked = plot_->figure();
    plot_->show_figure(0);
    if (docked != 0 && app_.port().graphics().is_handle(docked)) app_.port().graphics().close(docked);
  }
  place_views(action);
  const ActionRow* row = find_action(action);
  if (outcome == static_cast<int>(Outcome::done) && row != nullptr && is_load(*row)) {
    const std::filesystem::path& file = source_of(s->sources, part);
    const std::vector<std::string>& more = part == StudyPart::first_sample    ? s->sources.first_more
                                           : part == StudyPart::second_sample ? s->sources.second_more
                                                                              : std::vector<std::string>();
    if (!file.empty()) add_recent(file, action, more);
  }
  study_->show_study(s);
  if (outcome == static_cast<int>(Outcome::done) && action == "LoadSpecimenTable") offer_table_columns();
  if (outcome == static_cast<int>(Outcome::done) && (action == "LoadSpecimenTable" || action == "LoadSurfaces"))
    widen_study_panel();
  const QString line = done_line(action, outcome);
  if (!line.isEmpty()) post_message(line, false);
  refresh_actions();
}

void Workspace::widen_study_panel() {
  QMainWindow& w = window();
  QDockWidget* d = dock("StudyDock");
  QWidget* central = w.centralWidget();
  if (d == nullptr || central == nullptr || !w.isVisible() || d->isFloating() || d->visibleRegion().isEmpty()) return;
  // The room the new columns need, taken from the plot as long as it keeps 40 % of the window.
  QTreeWidget* tree = study_->tree();
  const int extra = tree->header()->length() - tree->viewport()->width() + 4;
  const int wider = std::min(extra, central->width() - w.width() * 2 / 5 - 8);
  if (wider > 0) w.resizeDocks({d}, {d->width() + wider}, Qt::Horizontal);
}

QString Workspace::done_line(const std::string& action, int outcome) const {
  if (outcome != static_cast<int>(Outcome::done)) return {};
  const StudySummary& s = *app_.study();
  const QString time = QTime::currentTime().toString("HH:mm:ss") + "  ";
  if (app_.port().dialogs_cancelled() != cancelled_before_) return time + label_text(action) + ": cancelled.";
  auto name = [](const std::filesystem::path& p) { return QString::fromStdString(p.filename().string()); };
  const ActionRow* row = find_action(action);
  if (row != nullptr && row->logs_result) return {};  // the result's own line says it
  if (row != nullptr && (row->replaces == StudyPart::earlier_study || action == "RestoreUnslid"))
    return {};  // its console line says what it brought back
  const bool load = row != nullptr && is_load(*row);
  switch (load ? row->replaces : StudyPart::none) {
    case StudyPart::protocol: {
      if (!s.has_protocol()) return {};
      const auto lines = protocol_lines(s.protocol);
      QString text = time + "Protocol " + name(s.sources.protocol);
      if (lines.size() >= 2)
        text += ": " + QString::fromStdString(lines.front()).toLower() + QString(", %1 curves").arg(lines.size() - 2);
      return text + ".";
    }
    case StudyPart::first_sample:
      if (s.first.empty()) return time + label_text(action) + ": nothing loaded.";
      return time + QString("First sample %1 (%2): %3 specimens of %4 points.")
                        .arg(name(s.sources.first), s.sources.first_dims == 2 ? "2D" : "3D")
                        .arg(s.first.count())
                        .arg(s.first.points());
    case StudyPart::second_sample:
      if (s.second.empty()) return time + label_text(action) + ": nothing loaded.";
      return time + QString("Second sample %1 (%2): %3 specimens of %4 points.")
                        .arg(name(s.sources.second), s.sources.second_from_table ? "table" : "TPS")
                        .arg(s.second.count())
                        .arg(s.second.points());
    case StudyPart::wireframe:
      return s.wireframe_segments == 0
                 ? QString()
                 : time +
                       QString("Wireframe %1: %2 segments.").arg(name(s.sources.wireframe)).arg(s.wireframe_segments);
    default:
      break;
  }
  if (replaces(action) == StudyPart::all_but_protocol)
    return bypass_gate_ ? QString() : time + "Study cleared; the protocol stays.";
  return time + label_text(action) + " done.";
}

void Workspace::on_console(const QString& text) { post_message(text, true); }

void Workspace::post_message(const QString& text, bool from_console) {
  // Later than the events already queued, so an error's own report has arrived
  // and its line can be marked as an error.
  QTimer::singleShot(0, this, [this, text, from_console] {
    if (!from_console) return console_->add_message(text);
    const QString trimmed = text.trimmed();
    auto it = std::find(errors_.begin(), errors_.end(), trimmed);
    const bool error = it != errors_.end();
    if (error) errors_.erase(it);
    console_->add_message(QString::fromStdString(words(text.toStdString())), error);
  });
}

int Workspace::run_action(const std::string& action, const std::vector<std::filesystem::path>& answers) {
  std::vector<FileChoice> choices;
  for (const std::filesystem::path& p : answers) choices.push_back(FileChoice{p.filename().string(), p.parent_path()});
  return run_action(action, std::move(choices));
}

int Workspace::run_action(const std::string& action, std::vector<FileChoice> answers) {
  QtPort& port = app_.port();
  port.queue_choices(std::move(answers));
  last_outcome_ = static_cast<int>(Outcome::failed);
  bypass_gate_ = true;
  app_.run_callback(QString::fromStdString("vm3sw " + action));
  bypass_gate_ = false;
  port.queue_answers({});
  return last_outcome_;
}

bool Workspace::question(const QString& text) {
  if (question_hook_) return question_hook_(text);
  return QMessageBox::question(&window(), "Velmora3d", text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}

int Workspace::choice(const QString& text, const QStringList& options) {
  if (choice_hook_) return choice_hook_(text, options);
  bool ok = false;
  const QString picked = QInputDialog::getItem(&window(), "Velmora3d", text, options, 0, false, &ok);
  return ok ? static_cast<int>(options.indexOf(picked)) : -1;
}

void Workspace::message(const QString& title, const QString& text) {
  if (message_hook_) return message_hook_(title, text);
  QMessageBox::information(&window(), title, text);
}

bool Workspace::close_requested() {
  if (quitting_) return true;
  if (app_.running() && !question("A test is still running. Stop it and quit?")) return false;
  if (results_->unsaved() &&
      !question(QString("The results log holds %1 results not saved. Quit and lose them?\n\n(No: go back and "
                        "save them with \"Save CSV or JSON…\" under the log.)")
                    .arg(results_->unsaved())))
    return false;
  quitting_ = true;
  settings_->setValue("window/geometry", window().saveGeometry());
  settings_->setValue("window/state", window().saveState());
  settings_->sync();
  app_.port().close_windows();
  QCoreApplication::quit();
  return true;
}

bool Workspace::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel && watched != &window()) {
    // A choice box or number box turns with the wheel only once clicked into:
    // otherwise the wheel scrolls the panel it is in.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget != nullptr && !widget->hasFocus()) {
      event->ignore();
      return true;
    }
    return false;
  }
  if (watched != &window()) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Show:
      QTimer::singleShot(0, this, &Workspace::make_room_for_plot);
      return false;
    case QEvent::Close:
      if (!close_requested()) {
        event->ignore();
        return true;
      }
      return false;
    case QEvent::DragEnter: {
      auto* drag = static_cast<QDragEnterEvent*>(event);
      if (drag->mimeData()->hasUrls() && !app_.running()) {
        drag->acceptProposedAction();
        return true;
      }
      return false;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      std::vector<std::filesystem::path> files;
      for (const QUrl& url : drop->mimeData()->urls())
        if (url.isLocalFile()) files.emplace_back(url.toLocalFile().toStdString());
      drop->acceptProposedAction();
      // Loaded once the drop has returned, so the program the files came from is not held.
      QTimer::singleShot(0, this, [this, files] { load_files(files); });
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace velmora
