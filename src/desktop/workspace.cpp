#include "desktop/workspace.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "desktop/action_table.h"
#include "desktop/console_dock.h"
#include "desktop/file_kind.h"
#include "desktop/plot_dock.h"
#include "desktop/results_log.h"
#include "desktop/study_panel.h"
#include "io/open_input.h"
#include "runtime/error.h"

namespace velmora {
namespace {

constexpr int kRecentFiles = 10;

QString label_text(const std::string& action) {
  QString label = QString::fromStdString(action_info(action).label);
  return label.replace("&&", "&");
}

QString qpath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// The dialog's title and filters for the dialog each action opens.
std::optional<QtPort::DialogLook> dialog_look(const std::string& action, bool table) {
  const QString all = ";;All files (*)";
  const QString text = "Text files (*.txt)" + all;
  if (action == "LoadProto") return QtPort::DialogLook{"Open protocol", "Protocol files (*.txt)" + all};
  if (action == "LoadFile1") return QtPort::DialogLook{"Open 3D sample", "TPS files (*.tps)" + all};
  if (action == "LoadFile2D") return QtPort::DialogLook{"Open 2D sample", "TPS files (*.tps)" + all};
  if (action == "LoadFile2")
    return QtPort::DialogLook{"Open second sample",
                              (table ? "Tables of flat rows (*.txt *.tps)" : "TPS files (*.tps)") +
                                  QString(";;Tables and TPS files (*.txt *.tps)") + all};
  if (action == "LoadWireFrame") return QtPort::DialogLook{"Open wireframe", "Wireframe tables (*.txt)" + all};
  if (action == "LoadSpecimenTable")
    return QtPort::DialogLook{"Open specimen table", "Specimen tables (*.csv *.tsv *.txt)" + all};
  if (action == "SaveFile1") return QtPort::DialogLook{"Save the first sample", text};
  if (action == "SaveFile2D") return QtPort::DialogLook{"Save the first sample in 2D rows", text};
  if (action == "SaveAlignedFile1") return QtPort::DialogLook{"Save the first sample with slid semilandmarks", text};
  if (action == "SaveAlignedFile2D")
    return QtPort::DialogLook{"Save the first sample with slid semilandmarks in 2D rows", text};
  if (action == "SaveFile2") return QtPort::DialogLook{"Save the second sample", text};
  if (action == "CopyEPS") return QtPort::DialogLook{"Save the plot window as EPS", "EPS drawings (*.eps)" + all};
  return std::nullopt;
}

bool is_load(const std::string& action) {
  return action == "LoadProto" || action == "LoadFile1" || action == "LoadFile2D" || action == "LoadFile2" ||
         action == "LoadWireFrame";
}

}  // namespace

Workspace::Workspace(DesktopApp& app, std::unique_ptr<QSettings> settings) : app_(app), settings_(std::move(settings)) {
  if (!settings_) settings_ = std::make_unique<QSettings>("Velmora3d", "Velmora3d");
  QtPort& port = app_.port();
  QMainWindow& w = window();

  port.set_message_wording(desktop_wording);
  port.set_dialog_looks([this](bool, std::string_view, std::string_view) {
    return dialog_look(app_.running_action(), app_.port().control_value("ZEPButton") != 0);
  });
  port.set_plot_decorator(study_decor);
  // The figure a first-sample load (or the sliding that replaces the sample)
  // draws is the study's plot, shown in the window.
  port.set_figure_claim([this](Handle) {
    const std::string action = app_.running_action();
    return action == "LoadFile1" || action == "LoadFile2D" || action == "SlideSamples";
  });
  app_.set_action_wording([](const std::string& action) { return label_text(action).toStdString(); });
  app_.set_callback_gate([this](const QString& text) {
    if (text != "vm3sw Clear" || bypass_gate_) return true;
    return question(
        "Clear the study?\n\nBoth samples, the wireframe, the plots and the report boxes are emptied; the "
        "protocol stays loaded and the results log keeps its rows.");
  });

  build_docks();
  build_panel();
  build_menus();

  connect(&app_, &DesktopApp::action_started, this, &Workspace::on_action_started);
  connect(&app_, &DesktopApp::action_finished, this, &Workspace::on_action_finished);
  connect(&port, &QtPort::console_message, this, &Workspace::on_console);
  connect(&port, &QtPort::figure_event, this, &Workspace::on_figure);
  connect(&port, &QtPort::error_reported, this, [this](const QString& m) { errors_.push_back(m.trimmed()); });
  connect(&port, &QtPort::result_reported, this, [this](const TestResult& r) {
    // A specimen table is no test: its columns are offered to the Model and
    // Groups boxes instead.
    if (r.name == "LoadSpecimenTable") return offer_table_columns(r);
    results_->add(r, app_.dispatcher().state().sources);
  });
  connect(results_, &ResultsLog::added, this, [this](const QString& line) { post_message(line, false); });
  connect(&port, &QtPort::file_saved, this, [this](const QString& path, qulonglong bytes) {
    post_message(QString("Wrote %1 (%2 bytes).").arg(path).arg(bytes), false);
  });
  connect(study_, &StudyPanel::highlight, this,
          [this](const std::vector<PointOverlay>& points) { plot_->view()->set_highlight(points); });

  w.setAcceptDrops(true);
  w.installEventFilter(this);

  default_layout_ = w.saveState();
  const QByteArray geometry = settings_->value("window/geometry").toByteArray();
  const QByteArray state = settings_->value("window/state").toByteArray();
  if (!geometry.isEmpty()) w.restoreGeometry(geometry);
  if (!state.isEmpty()) w.restoreState(state);
  console_->show_echoes(settings_->value("console/echoes", false).toBool());
  fit_to_screen();
  refresh_actions();
  study_->show_study(app_.dispatcher().state());
}

Workspace::~Workspace() {
  QtPort& port = app_.port();
  port.set_figure_claim(nullptr);
  port.set_dialog_looks(nullptr);
  port.set_message_wording(nullptr);
  port.set_plot_decorator(nullptr);
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

void Workspace::build_docks() {
  QMainWindow& w = window();
  auto take = [&](const char* tag) { return w.findChild<QWidget*>(tag); };
  QWidget* big = take("BigBox");
  QWidget* file2 = take("FileBox2");
  QWidget* results_box = take("ResultsBox");
  auto* pane = qobject_cast<QPlainTextEdit*>(take("ConsolePane"));

  // The layout's own arrangement stays, hidden, for the controls left in it.
  QWidget* old = w.takeCentralWidget();
  if (old != nullptr) {
    old->setParent(&w);
    old->hide();
  }
  plot_ = new PlotDock(app_.port().graphics(), &w);
  w.setCentralWidget(plot_);
  w.setDockNestingEnabled(true);
  w.setCorner(Qt::BottomLeftCorner, Qt::BottomDockWidgetArea);
  w.setCorner(Qt::BottomRightCorner, Qt::BottomDockWidgetArea);

  auto make_dock = [&](const QString& title, const QString& name, QWidget* content) {
    auto* d = new QDockWidget(title, &w);
    d->setObjectName(name);
    d->setWidget(content);
    d->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    return d;
  };

  auto* actions = make_dock("Actions", "ActionsDock", new QWidget);
  study_ = new StudyPanel;
  auto* study = make_dock("Study", "StudyDock", study_);

  auto* reports = new QWidget;
  reports->setObjectName("ReportsPanel");
  auto* reports_layout = new QVBoxLayout(reports);
  reports_layout->setContentsMargins(2, 2, 2, 2);
  const std::pair<const char*, QWidget*> boxes[] = {
      {"Protocol report", big}, {"Second sample", file2}, {"Disparity", results_box}};
  for (const auto& [title, box] : boxes) {
    if (box == nullptr) continue;
    auto* label = new QLabel(title, reports);
    label->setBuddy(box);
    reports_layout->addWidget(label);
    box->setParent(reports);
    box->setMinimumHeight(40);
    reports_layout->addWidget(box, box == big ? 2 : 1);
  }
  auto* reports_dock = make_dock("Reports", "ReportsDock", reports);

  results_ = new ResultsLog;
  auto* results = make_dock("Results log", "ResultsDock", results_);
  if (pane == nullptr) pane = new QPlainTextEdit;
  pane->setMinimumHeight(60);
  console_ = new ConsoleView(pane);
  auto* console = make_dock("Console", "ConsoleDock", console_);
  connect(console_, &ConsoleView::level_changed, this,
          [this](bool all) { settings_->setValue("console/echoes", all); });
  for (auto* box : w.findChildren<QPlainTextEdit*>()) box->setAcceptDrops(false);

  w.addDockWidget(Qt::LeftDockWidgetArea, actions);
  w.addDockWidget(Qt::RightDockWidgetArea, study);
  w.addDockWidget(Qt::RightDockWidgetArea, reports_dock);
  w.tabifyDockWidget(study, reports_dock);
  study->raise();
  w.addDockWidget(Qt::BottomDockWidgetArea, results);
  w.splitDockWidget(results, console, Qt::Horizontal);
  w.resizeDocks({actions, study}, {300, 350}, Qt::Horizontal);
  w.resizeDocks({results}, {190}, Qt::Vertical);
  w.resizeDocks({results, console}, {700, 560}, Qt::Horizontal);
}

void Workspace::build_panel() {
  QMainWindow& w = window();
  auto* dock_widget = dock("ActionsDock");
  auto* scroll = new QScrollArea;
  scroll->setObjectName("ActionsScroll");
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* panel = new QWidget;
  panel->setObjectName("ActionPanel");
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(4, 4, 4, 4);
  column->setSpacing(6);

  // Every dispatcher action: the table's rows in order, then any action the
  // table does not know yet (its name as its label).
  std::vector<ActionInfo> rows = action_table();
  for (const auto& name : Dispatcher::action_names())
    if (std::none_of(rows.begin(), rows.end(), [&](const ActionInfo& a) { return a.name == name; }))
      rows.push_back(action_info(name));
  std::map<ActionGroup, QGridLayout*> grids;
  std::map<ActionGroup, int> cells;
  auto grid_of = [&](ActionGroup g) {
    auto it = grids.find(g);
    if (it != grids.end()) return it->second;
    auto* box = new QGroupBox(QString::fromStdString(group_title(g)), panel);
    box->setObjectName(QString("Group%1").arg(static_cast<int>(g)));
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(6, 4, 6, 6);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    column->addWidget(box);
    grids[g] = grid;
    cells[g] = 0;
    return grid;
  };
  // A control of the layout file, on a row of its own in its group.
  auto add_row = [&](ActionGroup g, QWidget* label, QWidget* control) {
    QGridLayout* grid = grid_of(g);
    int& cell = cells[g];
    if (cell % 2 == 1) ++cell;
    const int row = cell / 2;
    if (label != nullptr) {
      grid->addWidget(label, row, 0);
      grid->addWidget(control, row, 1);
    } else {
      grid->addWidget(control, row, 0, 1, 2);
    }
    cell += 2;
  };
  for (const ActionGroup g : {ActionGroup::study, ActionGroup::second, ActionGroup::statistics, ActionGroup::shape,
                              ActionGroup::plot, ActionGroup::styling, ActionGroup::export_, ActionGroup::more}) {
    if (g == ActionGroup::study) {  // the switches every load reads
      for (const char* tag : {"DropMissing", "NegativeMissing"})
        if (auto* box = w.findChild<QCheckBox*>(tag)) add_row(g, nullptr, box);
    }
    if (g == ActionGroup::second) {
      if (auto* zep = w.findChild<QCheckBox*>("ZEPButton")) add_row(g, nullptr, zep);
    }
    if (g == ActionGroup::statistics) {
      if (auto* boot = w.findChild<QComboBox*>("BootBox")) {
        auto* label = new QLabel("Resampling sets:", panel);
        label->setBuddy(boot);
        add_row(g, label, boot);
      }
      seed_ = new QLineEdit(panel);
      seed_->setObjectName("SeedEdit");
      seed_->setPlaceholderText("new each run");
      seed_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,19}"), seed_));
      seed_->setToolTip("A fixed seed gives the same resampling results every run; empty: a new seed each run");
      auto* label = new QLabel("Seed:", panel);
      label->setBuddy(seed_);
      add_row(g, label, seed_);
      connect(seed_, &QLineEdit::textChanged, this, [this](const QString& text) {
        bool ok = false;
        const qulonglong v = text.toULongLong(&ok);
        app_.port().set_fixed_seed(ok ? std::optional<std::uint64_t>(v) : std::nullopt);
      });
    }
    if (g == ActionGroup::statistics) {  // the group tests' model, factor and permutations
      const std::pair<const char*, const char*> rows[] = {{"ModelBox", "Model:"},
                                                          {"GroupBox", "Groups:"},
                                                          {"FactorColumns", "Factors:"},
                                                          {"PermutationsBox", "Permutations:"},
                                                          {"GroupOutline", "Group outline:"}};
      for (const auto& [tag, text] : rows)
        if (auto* control = w.findChild<QWidget*>(tag)) {
          auto* label = new QLabel(text, panel);
          label->setBuddy(control);
          add_row(g, label, control);
        }
      if (auto* box = w.findChild<QCheckBox*>("DropUnlisted")) add_row(g, nullptr, box);
    }
    if (g == ActionGroup::shape) {
      // How the semilandmarks slide, the components the shape space shows, and
      // how many times the difference is drawn.
      if (auto* criterion = w.findChild<QWidget*>("SlideCriterion")) {
        auto* label = new QLabel("Slide by:", panel);
        label->setBuddy(criterion);
        add_row(g, label, criterion);
      }
      if (auto* on_curve = w.findChild<QWidget*>("ProjectOnCurve")) add_row(g, nullptr, on_curve);
      auto* pcx = w.findChild<QWidget*>("PCXBox");
      auto* pcy = w.findChild<QWidget*>("PCYBox");
      if (pcx != nullptr && pcy != nullptr) {
        auto* pair = new QWidget(panel);
        auto* row = new QHBoxLayout(pair);
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(pcx);
        row->addWidget(new QLabel("against", pair));
        row->addWidget(pcy);
        auto* label = new QLabel("Components:", panel);
        label->setBuddy(pcx);
        add_row(g, label, pair);
      }
      if (auto* scale = w.findChild<QWidget*>("DiffScale")) {
        auto* label = new QLabel("Difference drawn ×", panel);
        label->setBuddy(scale);
        add_row(g, label, scale);
      }
    }
    for (const ActionInfo& info : rows) {
      if (info.group != g) continue;
      QGridLayout* grid = grid_of(g);
      auto* b = new QPushButton(QString::fromStdString(info.label), panel);
      b->setObjectName(QString::fromStdString(info.name + "Button"));
      b->setProperty("callback", QString::fromStdString("vm3sw " + info.name));
      b->setToolTip(QString::fromStdString(info.tooltip));
      b->setMinimumWidth(60);
      const int cell = cells[g]++;
      grid->addWidget(b, cell / 2, cell % 2);
      connect(b, &QPushButton::clicked, this,
              [this, text = b->property("callback").toString()] { app_.run_callback(text); });
      controls_[info.name].push_back(b);
      buttons_[info.name] = b;
    }
  }
  column->addStretch();
  scroll->setWidget(panel);
  dock_widget->setWidget(scroll);
  dock_widget->setMinimumWidth(panel->minimumSizeHint().width() + 24);
  // The menu items of the layout file run the same actions.
  for (auto* a : w.findChildren<QAction*>()) {
    const QString cb = a->property("callback").toString();
    if (cb.startsWith("vm3sw ")) controls_[cb.mid(6).toStdString()].push_back(a);
  }
}

void Workspace::build_menus() {
  QMainWindow& w = window();
  QMenuBar* bar = w.menuBar();
  for (auto* m : bar->findChildren<QMenu*>()) m->setToolTipsVisible(true);
  QMenu* study = w.findChild<QMenu*>("menuStudy");
  if (study == nullptr) study = bar->addMenu("&Study");
  QAction* first = study->actions().isEmpty() ? nullptr : study->actions().front();

  open_study_ = new QAction("&Open study…", &w);
  open_study_->setObjectName("OpenStudyItem");
  open_study_->setShortcut(QKeySequence("Ctrl+Alt+O"));
  open_study_->setStatusTip("Open a study file (.v3dstudy): its protocol, samples and wireframe are loaded");
  connect(open_study_, &QAction::triggered, this, &Workspace::open_study_dialog);
  recent_menu_ = new QMenu("Open &recent", &w);
  recent_menu_->setObjectName("RecentMenu");
  connect(recent_menu_, &QMenu::aboutToShow, this, &Workspace::refresh_recent_menu);
  save_study_ = new QAction("Sa&ve study…", &w);
  save_study_->setObjectName("SaveStudyItem");
  save_study_->setShortcut(QKeySequence("Ctrl+Alt+S"));
  save_study_->setStatusTip("Write a study file naming the protocol, the samples and the wireframe, and the choices");
  connect(save_study_, &QAction::triggered, this, &Workspace::save_study_dialog);
  study->insertAction(first, open_study_);
  study->insertMenu(first, recent_menu_);
  study->insertAction(first, save_study_);
  study->insertSeparator(first);
  study->addSeparator();
  QAction* quit = study->addAction("&Quit", &w, &QWidget::close);
  quit->setObjectName("QuitItem");
  quit->setShortcut(QKeySequence::Quit);

  QMenu* view = bar->addMenu("&View");
  view->setObjectName("menuView");
  for (const char* name : {"ActionsDock", "StudyDock", "ReportsDock", "ResultsDock", "ConsoleDock"})
    if (QDockWidget* d = dock(name)) view->addAction(d->toggleViewAction());
  view->addSeparator();
  QAction* echoes = view->addAction("Console: every &echo");
  echoes->setObjectName("ConsoleEchoesItem");
  echoes->setCheckable(true);
  echoes->setShortcut(QKeySequence("Ctrl+Shift+E"));
  connect(echoes, &QAction::toggled, console_, &ConsoleView::show_echoes);
  connect(console_, &ConsoleView::level_changed, echoes, &QAction::setChecked);
  QAction* reset = view->addAction("&Reset the layout", [this] {
    window().restoreState(default_layout_);
    for (QDockWidget* d : window().findChildren<QDockWidget*>()) d->show();
  });
  reset->setObjectName("ResetLayoutItem");

  QMenu* help = bar->addMenu("&Help");
  help->setObjectName("menuHelp");
  help->addAction("&Mouse and keys", [this] {
    message("Mouse and keys",
            "The plot: drag to rotate (a 2D plot pans), shift-drag or the middle button to pan, the wheel zooms at "
            "the pointer; with the plot focused the arrow keys rotate, shift and the arrows pan, + and - zoom, "
            "Home resets.\n\nFiles: drop protocols, samples, wireframes or a study file on the window.\n\n"
            "Every action is in the menus; the common ones have shortcuts. Result boxes close with space, return "
            "or Esc.");
  });
}

void Workspace::fit_to_screen() {
  QMainWindow& w = window();
  const QScreen* screen = w.screen() != nullptr ? w.screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect avail = screen->availableGeometry();
  if (settings_->value("window/geometry").isNull()) w.resize(1240, 680);
  // A window larger than the screen is shrunk to it and moved onto it.
  const QRect frame = w.frameGeometry();
  const int extra_w = frame.width() - w.width(), extra_h = frame.height() - w.height();
  const int width = std::min(w.width(), avail.width() - extra_w);
  const int height = std::min(w.height(), avail.height() - extra_h);
  w.resize(std::max(width, 200), std::max(height, 150));
  const int x = std::clamp(w.frameGeometry().x(), avail.left(),
                           std::max(avail.left(), avail.right() - w.frameGeometry().width() + 1));
  const int y = std::clamp(w.frameGeometry().y(), avail.top(),
                           std::max(avail.top(), avail.bottom() - w.frameGeometry().height() + 1));
  w.move(x, y);
}

bool Workspace::can_run(const std::string& action, std::string* why) const {
  const WorkingState& s = app_.dispatcher().state();
  if (app_.running()) {
    if (why != nullptr) *why = "An action is running: wait for it to end or cancel it.";
    return false;
  }
  const Graphics& g = app_.port().graphics();
  bool ok = true;
  const Needs needs = action_info(action).needs;
  switch (needs) {
    case Needs::nothing:
      ok = true;
      break;
    case Needs::protocol:
      ok = s.proto.size() > 0;
      break;
    case Needs::first_sample:
      ok = !s.data1.empty();
      break;
    case Needs::second_sample:
      ok = !s.data1.empty() && !s.data2.empty();
      break;
    case Needs::plot_window:
      ok = s.fighand1 && g.is_handle(*s.fighand1) && g.object(*s.fighand1).type == ObjectType::figure;
      break;
  }
  if (!ok && why != nullptr) *why = needs_text(needs);
  return ok;
}

void Workspace::refresh_actions() {
  for (const auto& [action, controls] : controls_) {
    std::string why;
    const bool ok = can_run(action, &why);
    const ActionInfo info = action_info(action);
    const QString tip = QString::fromStdString(ok ? info.tooltip : why);
    for (QObject* o : controls) {
      if (auto* b = qobject_cast<QAbstractButton*>(o)) {
        b->setEnabled(ok);
        b->setToolTip(tip);
      } else if (auto* a = qobject_cast<QAction*>(o)) {
        a->setEnabled(ok);
        a->setToolTip(tip);
        a->setStatusTip(tip);
      }
    }
  }
  const WorkingState& s = app_.dispatcher().state();
  const bool busy = app_.running();
  if (QAbstractButton* dots = button("ToggleDots")) {
    // The button shows the check mark of the menu item it flips.
    dots->setCheckable(true);
    dots->setChecked(app_.port().control_checked("DotCheck") == "on");
  }
  open_study_->setEnabled(!busy);
  recent_menu_->setEnabled(!busy);
  save_study_->setEnabled(!busy && (s.proto.size() > 0 || !s.data1.empty()));
  save_study_->setToolTip(save_study_->isEnabled() ? save_study_->statusTip() : "Load a protocol or a sample first.");
  if (seed_ != nullptr) seed_->setEnabled(!busy);
}

void Workspace::on_action_started(const QString&) {
  cancelled_before_ = app_.port().dialogs_cancelled();
  refresh_actions();
}

void Workspace::on_action_finished(const QString& qaction, int outcome) {
  const std::string action = qaction.toStdString();
  last_outcome_ = outcome;
  const WorkingState& s = app_.dispatcher().state();
  if (action == "Clear" && outcome == static_cast<int>(Outcome::done)) {
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
  if (outcome == static_cast<int>(Outcome::done) && is_load(action)) {
    const std::filesystem::path& file = action == "LoadProto"       ? s.sources.protocol
                                        : action == "LoadWireFrame" ? s.sources.wireframe
                                        : action == "LoadFile2"     ? s.sources.second
                                                                    : s.sources.first;
    if (!file.empty()) add_recent(file);
  }
  study_->show_study(s);
  const QString line = done_line(action, outcome);
  if (!line.isEmpty()) post_message(line, false);
  refresh_actions();
}

QString Workspace::done_line(const std::string& action, int outcome) const {
  if (outcome != static_cast<int>(Outcome::done)) return {};
  const WorkingState& s = app_.dispatcher().state();
  const QString time = QTime::currentTime().toString("HH:mm:ss") + "  ";
  if (app_.port().dialogs_cancelled() != cancelled_before_) return time + label_text(action) + ": cancelled.";
  auto name = [](const std::filesystem::path& p) { return QString::fromStdString(p.filename().string()); };
  if (action == "LoadProto") {
    if (s.proto.size() == 0) return {};
    const auto lines = protocol_lines(s.proto);
    QString text = time + "Protocol " + name(s.sources.protocol);
    if (lines.size() >= 2)
      text += ": " + QString::fromStdString(lines.front()).toLower() + QString(", %1 curves").arg(lines.size() - 2);
    return text + ".";
  }
  if (action == "LoadFile1" || action == "LoadFile2D") {
    if (s.data1.empty()) return time + label_text(action) + ": nothing loaded.";
    return time + QString("First sample %1 (%2): %3 specimens of %4 points.")
                      .arg(name(s.sources.first), s.sources.first_dims == 2 ? "2D" : "3D")
                      .arg(s.data1.count())
                      .arg(s.data1.points());
  }
  if (action == "LoadFile2") {
    if (s.data2.empty()) return time + label_text(action) + ": nothing loaded.";
    return time + QString("Second sample %1 (%2): %3 specimens of %4 points.")
                      .arg(name(s.sources.second), s.sources.second_from_table ? "table" : "TPS")
                      .arg(s.data2.count())
                      .arg(s.data2.points());
  }
  if (action == "LoadWireFrame")
    return s.wirelist.size() == 0
               ? QString()
               : time + QString("Wireframe %1: %2 segments.").arg(name(s.sources.wireframe)).arg(s.wirelist.rows());
  if (action == "Clear") return bypass_gate_ ? QString() : time + "Study cleared; the protocol stays.";
  if (action == "GoodallF" || action == "BootF" || action == "PermuteF" || action == "GetDisparity" ||
      action == "PermuteVariance")
    return {};  // the result's own line says it
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
    console_->add_message(QString::fromStdString(desktop_wording(text.toStdString())), error);
  });
}

void Workspace::on_figure(int figure, int event, bool claimed) {
  const auto e = static_cast<FigureEvent>(event);
  if (claimed) {
    Graphics& g = app_.port().graphics();
    if (e == FigureEvent::opened) {
      // A new load's plot replaces the one shown.
      const Handle old = plot_->figure();
      plot_->show_figure(figure);
      if (old != 0 && old != figure && g.is_handle(old)) g.close(old);
    } else if (e == FigureEvent::closed) {
      if (plot_->figure() == figure) plot_->show_figure(0);
    } else if (plot_->figure() == figure) {
      plot_->figure_changed();
    }
  }
  // A plot window opening or closing changes what the exports can do.
  if (e == FigureEvent::opened || e == FigureEvent::closed) refresh_actions();
}

int Workspace::run_action(const std::string& action, const std::vector<std::filesystem::path>& answers) {
  QtPort& port = app_.port();
  port.queue_answers(answers);
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

StudyFile Workspace::current_study() const {
  const WorkingState& s = app_.dispatcher().state();
  QtPort& port = app_.port();
  StudyFile study;
  study.protocol = s.proto.size() > 0 ? s.sources.protocol : std::filesystem::path();
  study.first = s.data1.empty() ? std::filesystem::path() : s.sources.first;
  study.first_dims = s.sources.first_dims;
  study.second = s.data2.empty() ? std::filesystem::path() : s.sources.second;
  study.second_table = s.data2.empty() ? port.control_value("ZEPButton") != 0 : s.sources.second_from_table;
  study.wireframe = s.wirelist.size() == 0 ? std::filesystem::path() : s.sources.wireframe;
  study.table = table_file_;
  study.rounds = static_cast<int>(port.control_value("BootBox"));
  study.seed = port.fixed_seed();
  study.drop_missing = port.has_control("DropMissing") && port.control_value("DropMissing") != 0;
  study.negative_missing = port.has_control("NegativeMissing") && port.control_value("NegativeMissing") != 0;
  return study;
}

void Workspace::save_study(const std::filesystem::path& file) {
  write_study_file(file, current_study());
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
  const WorkingState& s = app_.dispatcher().state();
  if ((!s.data1.empty() || !s.data2.empty()) &&
      !question(QString("Replace the study loaded now with %1?").arg(qpath(file.filename()))))
    return false;

  QtPort& port = app_.port();
  run_action("Clear");
  port.set_control_value("BootBox", st.rounds);
  seed_->setText(st.seed ? QString::number(*st.seed) : QString());
  if (port.has_control("DropMissing")) port.set_control_value("DropMissing", st.drop_missing ? 1 : 0);
  if (port.has_control("NegativeMissing")) port.set_control_value("NegativeMissing", st.negative_missing ? 1 : 0);
  QStringList problems;
  auto there = [](const std::filesystem::path& p) { return std::filesystem::is_regular_file(p); };
  auto missing = [&](const char* what, const std::filesystem::path& p) {
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
  struct Load {
    int order;  // protocol, first sample, second sample, wireframe
    std::string action;
    std::filesystem::path file;
    bool table = false;
  };
  const WorkingState& s = app_.dispatcher().state();
  std::vector<Load> loads;
  QStringList problems;
  bool protocol = s.proto.size() > 0, first = !s.data1.empty();
  for (const auto& file : files) {
    const QString name = qpath(file.filename());
    switch (guess_file_kind(file)) {
      case FileKind::study:
        if (files.size() == 1) {
          open_study(file);
          return;
        }
        problems << name + ": a study file opens alone (drop it by itself).";
        break;
      case FileKind::unreadable: {
        const std::optional<std::string> reason = not_a_file(file);
        problems << qpath(file) + " cannot be read" + (reason ? ": " + QString::fromStdString(*reason) : QString()) +
                        ".";
        break;
      }
      case FileKind::unknown:
        problems << qpath(file) +
                        " is not a file Velmora3d reads (a protocol, a TPS sample, a table of flat rows, a wireframe "
                        "or a study file).";
        break;
      case FileKind::protocol:
        loads.push_back({0, "LoadProto", file});
        protocol = true;
        break;
      case FileKind::tps3d: {
        if (!first) {
          loads.push_back({1, "LoadFile1", file});
          first = true;
          break;
        }
        const int c = choice(QString("Load %1 as:").arg(name),
                             {"The second sample (a TPS file)", "The first sample, replacing the one loaded"});
        if (c == 0) loads.push_back({2, "LoadFile2", file, false});
        if (c == 1) loads.push_back({1, "LoadFile1", file});
        break;
      }
      case FileKind::tps2d:
        if (!first || question(QString("Load %1 as the first sample, replacing the one loaded?").arg(name)))
          loads.push_back({1, "LoadFile2D", file});
        first = true;
        break;
      case FileKind::table:
        loads.push_back({2, "LoadFile2", file, true});
        break;
      case FileKind::wireframe:
        loads.push_back({3, "LoadWireFrame", file});
        break;
      case FileKind::numbers: {
        const int c = choice(QString("Which file is %1?").arg(name),
                             {"The protocol", "The second sample (a table of flat rows)", "A wireframe"});
        if (c == 0) loads.push_back({0, "LoadProto", file});
        if (c == 1) loads.push_back({2, "LoadFile2", file, true});
        if (c == 2) loads.push_back({3, "LoadWireFrame", file});
        protocol = protocol || c == 0;
        break;
      }
    }
  }
  std::stable_sort(loads.begin(), loads.end(), [](const Load& a, const Load& b) { return a.order < b.order; });
  for (const Load& load : loads) {
    std::string why;
    const WorkingState& now = app_.dispatcher().state();
    if (load.action == "LoadFile1" || load.action == "LoadFile2D") {
      if (now.proto.size() == 0) {
        problems << qpath(load.file.filename()) + ": " + QString::fromStdString(needs_text(Needs::protocol));
        continue;
      }
    } else if (load.action == "LoadFile2" && now.data1.empty()) {
      problems << qpath(load.file.filename()) + ": " + QString::fromStdString(needs_text(Needs::first_sample));
      continue;
    }
    if (load.action == "LoadFile2") app_.port().set_control_value("ZEPButton", load.table ? 1 : 0);
    run_action(load.action, {load.file});
  }
  (void)protocol;
  if (!problems.isEmpty()) message("Not loaded", problems.join("\n\n"));
}

QStringList Workspace::recent_files() const { return settings_->value("recent/files").toStringList(); }

void Workspace::add_recent(const std::filesystem::path& file) {
  QStringList list = recent_files();
  const QString p = qpath(file);
  list.removeAll(p);
  list.prepend(p);
  while (list.size() > kRecentFiles) list.removeLast();
  settings_->setValue("recent/files", list);
}

void Workspace::refresh_recent_menu() {
  recent_menu_->clear();
  const QStringList list = recent_files();
  if (list.isEmpty()) {
    recent_menu_->addAction("(no files yet)")->setEnabled(false);
    return;
  }
  for (const QString& p : list) {
    const QFileInfo info(p);
    QAction* a = recent_menu_->addAction(info.fileName() + "   —   " + info.absolutePath(), [this, p] {
      if (!QFileInfo::exists(p)) return message("Not opened", p + " is no longer there.");
      load_files({std::filesystem::path(p.toStdString())});
    });
    a->setToolTip(p);
  }
  recent_menu_->addSeparator();
  recent_menu_->addAction("Forget these files", [this] { settings_->setValue("recent/files", QStringList()); });
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

bool Workspace::close_requested() {
  if (quitting_) return true;
  if (app_.running() && !question("A test is still running. Stop it and quit?")) return false;
  quitting_ = true;
  settings_->setValue("window/geometry", window().saveGeometry());
  settings_->setValue("window/state", window().saveState());
  settings_->sync();
  app_.port().close_windows();
  QCoreApplication::quit();
  return true;
}

bool Workspace::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &window()) return QObject::eventFilter(watched, event);
  switch (event->type()) {
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

void Workspace::offer_table_columns(const TestResult& table) {
  QStringList columns, factors;
  const std::vector<std::string>* names = nullptr;
  const std::vector<std::string>* kinds = nullptr;
  for (const auto& [key, value] : table.numbers) {
    if (const auto* file = std::get_if<std::string>(&value); file && key == "file") table_file_ = *file;
    if (key == "columns") names = std::get_if<std::vector<std::string>>(&value);
    if (key == "kinds") kinds = std::get_if<std::vector<std::string>>(&value);
  }
  for (std::size_t c = 0; names && c < names->size(); ++c) {
    columns << QString::fromStdString((*names)[c]);
    if (kinds && c < kinds->size() && (*kinds)[c] == "factor") factors << columns.back();
  }
  columns << "sample"
          << "logsize";
  factors << "sample";
  auto* window = app_.port().main_window();
  if (auto* model = window ? window->findChild<QLineEdit*>("ModelBox") : nullptr)
    model->setToolTip("The model, as R writes it (a + b, a * b, a:b), of the columns: " + columns.join(", "));
  if (auto* group = window ? window->findChild<QLineEdit*>("GroupBox") : nullptr) {
    auto* completer = new QCompleter(factors, group);
    completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    group->setCompleter(completer);
    group->setToolTip("A factor of the specimen table: " + factors.join(", "));
  }
}

}  // namespace velmora
