// The workspace's window laid out: its docks, its menus, and its size on the screen.
#include "desktop/workspace.h"

#include <QAction>
#include <QDockWidget>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "desktop/action_table.h"
#include "desktop/console_dock.h"
#include "desktop/file_kind.h"
#include "app/share_folders.h"
#include "desktop/manual.h"
#include "desktop/plot_dock.h"
#include "desktop/qt_text.h"
#include "desktop/results_log.h"
#include "desktop/study_panel.h"
#include "desktop/view_tabs.h"
#include "io/open_input.h"
#include "runtime/error.h"

namespace velmora {

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
  views_ = new ViewTabs(app_.port().graphics(), plot_, &w);
  // How an export or a save replaced its file goes to the console, as the actions' notices do.
  const auto to_console = [this](const QString& text) { app_.port().console().write(text.toStdString() + "\n"); };
  connect(plot_, &PlotDock::notice, this, to_console);
  connect(views_, &ViewTabs::notice, this, to_console);
  w.setCentralWidget(views_);
  connect(views_, &ViewTabs::figure_dismissed, this, [this](Handle figure) {
    Graphics& g = app_.port().graphics();
    if (g.is_handle(figure)) g.close(figure);
  });
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
      {"Protocol report", big}, {"Second sample", file2}, {"Latest analysis", results_box}};
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
  connect(results_, &ResultsLog::notice, this,
          [this](const QString& text) { app_.port().console().write(text.toStdString() + "\n"); });
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
    QTimer::singleShot(0, this, &Workspace::make_room_for_plot);
  });
  reset->setObjectName("ResetLayoutItem");

  QMenu* help = bar->addMenu("&Help");
  help->setObjectName("menuHelp");
  QAction* manual = help->addAction("&Manual", [this] {
    const std::filesystem::path readme = find_manual(share_folders(program_folder()));
    if (readme.empty())
      message("Manual", "The manual (README.md) was not found beside the program; it is the README of the sources.");
    else
      show_manual(&window(), readme);
  });
  manual->setObjectName("ManualItem");
  manual->setShortcut(QKeySequence::HelpContents);
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
  if (settings_->value("window/geometry").isNull()) {
    // A first start: 90 % of the screen, and no less than 1280 x 720 where the screen has room.
    const QSize least = QSize(1280, 720).boundedTo(avail.size());
    w.resize(std::max(avail.width() * 9 / 10, least.width()), std::max(avail.height() * 9 / 10, least.height()));
    w.move(avail.left() + (avail.width() - w.width()) / 2, avail.top() + (avail.height() - w.height()) / 2);
  }
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

void Workspace::make_room_for_plot() {
  QMainWindow& w = window();
  QWidget* central = w.centralWidget();
  if (central == nullptr || !w.isVisible()) return;
  // The plot keeps 40 % of the window's width, and at least its toolbar's.
  const auto* tools = central->findChild<QWidget*>("StudyPlotToolBar");
  const int want = std::max({w.width() * 2 / 5, central->minimumSizeHint().width(),
                             tools != nullptr ? tools->sizeHint().width() : 0});
  const int missing = want + 4 - central->width();  // a little over, for the splitters' rounding
  if (missing <= 0) return;
  // The docks beside it give the room, each in proportion to its width.
  QList<QDockWidget*> side;
  QList<int> widths;
  int total = 0;
  for (QDockWidget* d : w.findChildren<QDockWidget*>()) {
    const Qt::DockWidgetArea area = w.dockWidgetArea(d);
    // A dock behind another's tab takes no room of its own.
    if (d->isFloating() || !d->isVisible() || d->visibleRegion().isEmpty() || (area != Qt::LeftDockWidgetArea && area != Qt::RightDockWidgetArea))
      continue;
    side.push_back(d);
    widths.push_back(d->width());
    total += d->width();
  }
  if (total <= 0) return;
  for (int i = 0; i < side.size(); ++i)
    widths[i] = std::max(side[i]->minimumSizeHint().width(), widths[i] - missing * widths[i] / total);
  w.resizeDocks(side, widths, Qt::Horizontal);
}

}  // namespace velmora
