// The study workspace from the window: actions following the study, the study
// panel, the results log, Clear study, the plot window exports, study files,
// dropped files, the window's size and closing it.
#include <QDockWidget>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "desktop/console_dock.h"
#include "desktop/plot_dock.h"
#include "desktop/results_log.h"
#include "desktop/study_panel.h"
#include "desktop/view_tabs.h"
#include "workspace_fixture.h"

namespace velmora::testing {
namespace {

TEST_F(WorkspaceTest, ActionsFollowTheStudyAsItLoadsAndClears) {
  auto enabled = [&](const char* action) { return workspace_->button(action)->isEnabled(); };
  auto tip = [&](const char* action) { return workspace_->button(action)->toolTip().toStdString(); };
  auto menu_item = [&](const char* action) -> QAction* {
    for (auto* a : window().findChildren<QAction*>())
      if (a->property("callback").toString() == QString("vm3sw ") + action) return a;
    return nullptr;
  };
  EXPECT_TRUE(enabled("LoadProto"));
  EXPECT_FALSE(enabled("LoadFile1"));
  EXPECT_NE(tip("LoadFile1").find("Load protocol…"), std::string::npos);
  EXPECT_FALSE(enabled("GoodallF"));
  EXPECT_FALSE(menu_item("GoodallF")->isEnabled());
  EXPECT_NE(menu_item("GoodallF")->toolTip().toStdString().find("Load second sample…"), std::string::npos);

  click("LoadProto", {kSkull / "protocol.txt"});
  EXPECT_TRUE(enabled("LoadFile1"));
  EXPECT_FALSE(enabled("ShowMean1"));
  click("LoadFile1", {kSkull / "first.tps"});
  EXPECT_TRUE(enabled("ShowMean1") && enabled("LoadFile2") && enabled("SaveFile1"));
  EXPECT_FALSE(enabled("GoodallF") || enabled("ShowData2"));
  port().set_control_value("ZEPButton", 1);
  click("LoadFile2", {kSkull / "second.txt"});
  EXPECT_TRUE(enabled("GoodallF") && enabled("PermuteVariance") && enabled("ShowMean2"));
  EXPECT_TRUE(menu_item("GoodallF")->isEnabled());

  // While a test runs every action waits.
  workspace_->button("BootF")->click();
  ASSERT_TRUE(app_->running());
  EXPECT_FALSE(enabled("GoodallF") || enabled("LoadProto"));
  ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
  settle();
  EXPECT_TRUE(enabled("GoodallF"));

  // The dash-dot switch shows the check mark it flips.
  click("ToggleDots");
  EXPECT_TRUE(workspace_->button("ToggleDots")->isChecked());
  EXPECT_EQ(port().control_checked("DotCheck"), "on");

  click("Clear");
  EXPECT_FALSE(enabled("GoodallF") || enabled("ShowMean1"));
  EXPECT_TRUE(enabled("LoadFile1"));  // the protocol stays
}

TEST_F(WorkspaceTest, CopyImageAndSaveEpsWaitForThePlotWindowOpenFigureMakes) {
  load_skull();
  settle();
  // The loads' plot is in the window, not a plot window: nothing to export yet.
  for (const char* action : {"CopyImage", "CopyEPS"}) {
    EXPECT_FALSE(workspace_->button(action)->isEnabled()) << action;
    EXPECT_NE(workspace_->button(action)->toolTip().toStdString().find("Open plot window"), std::string::npos);
  }
  EXPECT_NE(workspace_->plot()->figure(), 0);
  EXPECT_EQ(port().plot_window(workspace_->plot()->figure()), nullptr);

  click("OpenFigure");
  click("ShowMean1");
  settle();
  ASSERT_TRUE(state().fighand1.has_value());
  // The plot window is a tab of the window.
  ViewTabs* views = workspace_->views();
  ASSERT_EQ(views->key_of(*state().fighand1), "PlotWindow");
  EXPECT_EQ(port().plot_window(*state().fighand1), nullptr);
  EXPECT_TRUE(workspace_->button("CopyImage")->isEnabled());
  const auto eps = temp("plot.eps");
  click("CopyEPS", {eps});
  EXPECT_GT(std::filesystem::file_size(eps), 1000u);
  EXPECT_EQ(dialogs_.back(), "Save File Name for EPS file");  // the action's own dialog, whatever it shows

  // Closing its tab takes the exports away again.
  emit views->tabCloseRequested(views->count() - 1);
  settle();
  EXPECT_FALSE(workspace_->button("CopyImage")->isEnabled());
  EXPECT_FALSE(workspace_->button("CopyEPS")->isEnabled());
}

TEST_F(WorkspaceTest, StudyPanelShowsTheProtocolCountsIdsSizesAndDistances) {
  load_skull();
  QTreeWidget* tree = workspace_->study_panel()->tree();
  auto texts = [](QTreeWidgetItem* item) {
    QStringList out;
    for (int i = 0; i < item->childCount(); ++i) out << item->child(i)->text(0);
    return out;
  };
  const QStringList protocol = texts(tree->topLevelItem(0));
  EXPECT_TRUE(protocol.contains("Ruler: landmarks 1 and 2, 10 units apart")) << protocol.join("|").toStdString();
  EXPECT_TRUE(protocol.contains("Curve 2: open, 12 points (11 kept, the last omitted)"));
  EXPECT_TRUE(protocol.contains("Curve 3: open-ended, 10 points"));

  QTreeWidgetItem* first = tree->topLevelItem(1);
  EXPECT_TRUE(texts(first).contains("Specimens: 25"));
  EXPECT_TRUE(texts(first).contains("Points per specimen: 45"));
  EXPECT_TRUE(texts(first).contains("Dimension: 3D"));
  // One row a specimen after the rows that describe the sample: its ID, size and distance.
  const int rows = first->childCount();
  ASSERT_EQ(rows, 25 + 4);
  QTreeWidgetItem* one = first->child(4);
  EXPECT_TRUE(one->text(0).startsWith("skull3d-01")) << one->text(0).toStdString();
  EXPECT_NEAR(one->text(1).toDouble(), state().data1cs(0), 1e-3 * state().data1cs(0));
  const double d = (Eigen::MatrixXd(state().data1.specimen(0)) - state().mean1).norm();
  EXPECT_NEAR(one->text(2).toDouble(), d, 1e-5);
  QTreeWidgetItem* second = tree->topLevelItem(2);
  EXPECT_TRUE(texts(second).contains("Specimens: 23"));
  EXPECT_TRUE(second->child(5)->text(0).startsWith("Specimen 1"));  // a table has no IDs

  // Sorted by distance the farthest specimen comes last, the describing rows stay on top.
  tree->sortByColumn(2, Qt::AscendingOrder);
  double last = -1;
  for (int i = 4; i < rows; ++i) {
    const double v = first->child(i)->text(2).toDouble();
    EXPECT_GE(v, last);
    last = v;
  }
  // The file by its name (a picture of the panel shows no folders), its path in the tip.
  EXPECT_EQ(first->child(0)->text(0), "File: first.tps");
  EXPECT_EQ(first->child(0)->toolTip(0).toStdString(), (kSkull / "first.tps").string());

  // Picking two specimens highlights their points in the study's plot.
  first->child(4)->setSelected(true);
  second->child(6)->setSelected(true);
  settle();
  const PlotDecor decor = workspace_->plot()->view()->decor();
  ASSERT_EQ(decor.extras.highlight.size(), 2u);
  EXPECT_EQ(decor.extras.highlight[0].points.rows(), 45);
}

TEST_F(WorkspaceTest, TheTwoDimensionalStudyIsDrawnFlatAndDraggingPans) {
  ASSERT_TRUE(workspace_->open_study(kLeaf / "study.json"));
  settle();
  QTreeWidgetItem* first = workspace_->study_panel()->tree()->topLevelItem(1);
  EXPECT_TRUE(first->child(1)->text(0) == "Dimension: 2D");
  EXPECT_TRUE(first->child(4)->text(0).startsWith("leaf2d-01"));
  PlotView* view = workspace_->plot()->view();
  ASSERT_NE(view->figure(), 0);
  EXPECT_TRUE(view->decor().flat);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 50), QPointF(50, 50), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent move(QEvent::MouseMove, QPointF(90, 30), QPointF(90, 30), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view, &press);
  QApplication::sendEvent(view, &move);
  ASSERT_TRUE(view->shown_view().has_value());
  EXPECT_EQ(view->shown_view()->elevation, 90);  // still seen from above
  EXPECT_EQ(view->shown_view()->azimuth, 0);
  EXPECT_EQ(view->shown_view()->pan_x, 40);
  EXPECT_EQ(view->shown_view()->pan_y, -20);
}

TEST_F(WorkspaceTest, SlidSamplesReplaceTheLoadedOnesInThePlotAndThePanel) {
  load_skull(false);
  settle();
  const Handle loaded = workspace_->plot()->figure();
  ASSERT_NE(loaded, 0);
  click("SlideSamples");
  ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
  settle();
  ASSERT_FALSE(state().slid1.empty()) << port().console_text();
  const Handle slid = workspace_->plot()->figure();
  EXPECT_NE(slid, 0);
  EXPECT_EQ(port().plot_window(slid), nullptr);  // in the window, not a plot window of its own
  EXPECT_NE(slid, loaded);
  EXPECT_FALSE(port().graphics().is_handle(loaded));  // the plot it replaces is closed
  QTreeWidgetItem* first = workspace_->study_panel()->tree()->topLevelItem(1);
  bool noted = false;
  for (int i = 0; i < first->childCount(); ++i)
    noted = noted || first->child(i)->text(0).toStdString() == state().slid1;
  EXPECT_TRUE(noted);
}

TEST_F(WorkspaceTest, ResultsLogKeepsEveryTestWithItsSeedAndSavesCsvAndJson) {
  load_skull();
  window().findChild<QLineEdit*>("SeedEdit")->setText("42");
  click("GoodallF");
  EXPECT_EQ(boxes("Results of Goodall F-Test").size(), 1u);  // the box still opens
  click("PermuteF");
  ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
  click("GetDisparity");
  settle();
  const auto& rows = workspace_->results_log()->rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].result.name, "GoodallF");
  EXPECT_EQ(rows[1].result.name, "PermuteF");
  EXPECT_EQ(rows[0].files.first, kSkull / "first.tps");
  QTableWidget* table = workspace_->results_log()->table();
  EXPECT_EQ(table->item(1, 1)->text(), "Permutation F");
  EXPECT_EQ(table->item(1, 5)->text(), "42");
  // The example's Goodall p is below what 1 - F(f) can tell from 0: a bound
  // in the log, the 0 itself in the saved numbers.
  ASSERT_EQ(std::get<double>(rows[0].result.numbers[3].second), 0.0);
  EXPECT_TRUE(table->item(0, 2)->text().contains("p < 1e-15")) << table->item(0, 2)->text().toStdString();

  // The CSV holds every number exactly, one a line.
  const std::string csv = workspace_->results_log()->csv();
  double goodall_f = std::get<double>(rows[0].result.numbers[0].second);
  std::istringstream lines(csv);
  std::string line, found;
  std::getline(lines, line);
  EXPECT_EQ(line, "time,test,study,samples,version,protocol,first sample,second sample,seed,quantity,value");
  while (std::getline(lines, line))
    if (line.find(",GoodallF,") != std::string::npos && line.find(",statistic,") != std::string::npos) found = line;
  ASSERT_FALSE(found.empty()) << csv;
  EXPECT_EQ(std::stod(found.substr(found.rfind(',') + 1)), goodall_f);
  EXPECT_NE(csv.find(",42,cutoff5,"), std::string::npos);
  EXPECT_NE(csv.find(",p,0\n"), std::string::npos) << csv;

  const auto json_file = temp("results.json");
  workspace_->results_log()->save(json_file);
  std::ifstream in(json_file);
  const auto json = nlohmann::json::parse(in);
  ASSERT_EQ(json.size(), 3u);
  EXPECT_EQ(json[1]["seed"], 42);
  EXPECT_EQ(json[0]["numbers"]["statistic"].get<double>(), goodall_f);
  EXPECT_EQ(json[0]["numbers"]["p"].get<double>(), 0.0);
  EXPECT_TRUE(workspace_->results_log()->text().contains("Goodall F"));

  // The log stays when the study is cleared.
  click("Clear");
  EXPECT_EQ(workspace_->results_log()->rows().size(), 3u);
}

TEST_F(WorkspaceTest, ClearStudyAsksThenClearsEveryView) {
  load_skull();
  click("GetDisparity");
  settle();
  const Handle docked = workspace_->plot()->figure();
  ASSERT_NE(docked, 0);
  ASSERT_FALSE(port().control_string("FileBox2").empty());
  ASSERT_FALSE(port().control_string("ResultsBox").empty());

  yes_ = false;
  click("Clear");
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_FALSE(state().data1.empty());  // not confirmed: nothing changes
  EXPECT_EQ(workspace_->plot()->figure(), docked);

  yes_ = true;
  click("Clear");
  settle();
  EXPECT_TRUE(state().data1.empty() && state().data2.empty());
  EXPECT_EQ(port().control_string("BigBox"), "    ");
  EXPECT_EQ(port().control_string("FileBox2"), "");
  EXPECT_EQ(port().control_string("ResultsBox"), "");
  EXPECT_EQ(workspace_->plot()->figure(), 0);
  EXPECT_FALSE(port().graphics().is_handle(docked));
  QTreeWidget* tree = workspace_->study_panel()->tree();
  EXPECT_TRUE(tree->topLevelItem(1)->text(0).contains("none loaded"));
  EXPECT_EQ(tree->topLevelItem(1)->childCount(), 0);
  EXPECT_TRUE(workspace_->plot()->view()->decor().extras.highlight.empty());
}

TEST_F(WorkspaceTest, AStudyFileRoundTrip) {
  ASSERT_TRUE(workspace_->open_study(kSkull / "study.json"));
  settle();
  EXPECT_TRUE(messages_.empty()) << messages_.front().toStdString();
  const WorkingState loaded = state();
  ASSERT_FALSE(loaded.data2.empty());
  ASSERT_GT(loaded.wirelist.rows(), 0);
  EXPECT_EQ(port().fixed_seed(), std::optional<std::uint64_t>(1));
  port().set_control_value("BootBox", 3);

  const auto file = temp("copy.v3dstudy");
  workspace_->save_study(file);
  click("Clear");
  port().set_control_value("BootBox", 1);
  ASSERT_TRUE(workspace_->open_study(file));
  const WorkingState& again = state();
  EXPECT_TRUE(again.proto == loaded.proto);
  EXPECT_TRUE(again.data1 == loaded.data1 && again.data2 == loaded.data2);
  EXPECT_TRUE(again.data1cs == loaded.data1cs && again.wirelist == loaded.wirelist);
  EXPECT_EQ(again.names1, loaded.names1);
  EXPECT_EQ(again.sources.second, loaded.sources.second);
  EXPECT_EQ(port().control_value("BootBox"), 3);
  EXPECT_EQ(window().windowTitle(), "Velmora3d — copy.v3dstudy");
  EXPECT_EQ(workspace_->recent_files().front().toStdString(), file.string());
}

TEST_F(WorkspaceTest, AStudyFileWithMissingOrBadPartsLoadsWhatItCanAndSaysWhat) {
  // The second sample is missing: the rest loads, one message names it.
  std::ofstream(temp("partial.v3dstudy"))
      << "{\"velmora3d-study\": 1, \"protocol\": \"" << (kSkull / "protocol.txt").string() << "\", \"first-sample\": \""
      << (kSkull / "first.tps").string() << "\", \"second-sample\": \"gone.txt\", \"wireframe\": \""
      << (kSkull / "wireframe.txt").string() << "\"}";
  ASSERT_TRUE(workspace_->open_study(temp("partial.v3dstudy")));
  EXPECT_FALSE(state().data1.empty());
  EXPECT_TRUE(state().data2.empty());
  EXPECT_GT(state().wirelist.rows(), 0);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].contains("gone.txt")) << messages_[0].toStdString();

  // Without its protocol the first sample is not loaded with another one.
  messages_.clear();
  std::ofstream(temp("noproto.v3dstudy")) << "{\"velmora3d-study\": 1, \"protocol\": \"missing.txt\", "
                                          << "\"first-sample\": \"" << (kSkull / "first.tps").string() << "\"}";
  ASSERT_TRUE(workspace_->open_study(temp("noproto.v3dstudy")));
  EXPECT_TRUE(state().data1.empty());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].contains("missing.txt") && messages_[0].contains("needs the study's protocol"));

  // Parts that cannot be reached (a link loop, a name longer than the system
  // allows) are named as such; the study opens with the rest.
  messages_.clear();
  std::filesystem::create_symlink(temp("loop"), temp("loop"));
  std::ofstream(temp("loop.v3dstudy")) << "{\"velmora3d-study\": 1, \"protocol\": \"" << temp("loop").string()
                                       << "\", \"wireframe\": \"" << std::string(5000, 'w') << "\"}";
  ASSERT_TRUE(workspace_->open_study(temp("loop.v3dstudy")));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].contains("loop cannot be reached")) << messages_[0].toStdString();
  EXPECT_TRUE(messages_[0].contains("The wireframe")) << messages_[0].toStdString();

  // Not a study: a message naming the file and the key, nothing changed.
  load_skull(false);
  messages_.clear();
  std::ofstream(temp("bad.v3dstudy")) << "{\"velmora3d-study\": 1, \"colour\": 3}";
  EXPECT_FALSE(workspace_->open_study(temp("bad.v3dstudy")));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].contains("bad.v3dstudy") && messages_[0].contains("\"colour\""));
  EXPECT_FALSE(state().data1.empty());
}

// Open recent offers what it can reopen, each with the action that read it: a
// CSV first sample (which a drop could not place) comes back as a first sample;
// a file gone is not offered.
TEST_F(WorkspaceTest, OpenRecentReopensWithTheActionThatReadTheFile) {
  const std::filesystem::path formats = kSource / "examples" / "formats";
  std::filesystem::copy_file(formats / "second.csv", temp("gone.csv"));
  click("LoadProto", {formats / "protocol.txt"});
  click("LoadFile1", {temp("gone.csv")});
  click("LoadFile1", {formats / "second.csv"});
  ASSERT_EQ(state().data1.count(), 5);
  EXPECT_EQ(workspace_->recent_files().front().toStdString(), "LoadFile1\t" + (formats / "second.csv").string());
  std::filesystem::remove(temp("gone.csv"));

  auto* menu = window().findChild<QMenu*>("RecentMenu");
  ASSERT_NE(menu, nullptr);
  emit menu->aboutToShow();
  QAction* reopen = nullptr;
  for (QAction* a : menu->actions()) {
    EXPECT_FALSE(a->text().contains("gone.csv")) << a->text().toStdString();
    if (a->text().startsWith("second.csv")) reopen = a;
  }
  ASSERT_NE(reopen, nullptr);
  click("Clear");
  ASSERT_TRUE(state().data1.empty());
  reopen->trigger();
  settle();
  EXPECT_EQ(state().data1.count(), 5);
  EXPECT_EQ(state().sources.first, formats / "second.csv");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(WorkspaceTest, DroppedFilesGoWhereTheyBelong) {
  // Dropped in any order, loaded in the order a study needs.
  workspace_->load_files(
      {kSkull / "wireframe.txt", kSkull / "second.txt", kSkull / "first.tps", kSkull / "protocol.txt"});
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(state().sources.protocol, kSkull / "protocol.txt");
  EXPECT_EQ(state().data1.count(), 25);
  EXPECT_EQ(state().data2.count(), 23);
  EXPECT_TRUE(state().sources.second_from_table);
  EXPECT_GT(state().wirelist.rows(), 0);

  // A TPS file with a first sample loaded: asked which it is; cancelled, nothing changes.
  choice_ = -1;
  workspace_->load_files({kSkull / "second.tps"});
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_TRUE(state().sources.second_from_table);
  choice_ = 0;  // the second sample
  workspace_->load_files({kSkull / "second.tps"});
  EXPECT_EQ(state().sources.second, kSkull / "second.tps");
  EXPECT_FALSE(state().sources.second_from_table);
  EXPECT_EQ(state().names2.front(), "skull3d-second-01");

  // A file Velmora3d does not read: a message naming it, nothing changed.
  const WorkingState before = state();
  std::ofstream(temp("picture.png"), std::ios::binary) << std::string("\x89PNG\r\n\x1a\n\0\0", 10);
  workspace_->load_files({temp("picture.png"), temp("not-there.txt")});
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].contains("picture.png") && messages_[0].contains("not-there.txt"));
  EXPECT_TRUE(state().data2 == before.data2 && state().sources.second == before.sources.second);
}

TEST_F(WorkspaceTest, MessagesUseTheButtonLabelsAndTheEchoesStayAsTheyAre) {
  app_->run_callback("vm3sw ShowMean1");  // no sample: the action fails
  settle();
  const auto failed = boxes("Velmora3d: the action failed");
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_NE(failed[0]->text().find("Mean 1"), std::string::npos) << failed[0]->text();
  EXPECT_EQ(failed[0]->text().find("LoadFile1"), std::string::npos) << failed[0]->text();
  settle(50);
  ConsoleView* console = workspace_->console();
  EXPECT_FALSE(console->showing_echoes());
  EXPECT_TRUE(console->messages()->toPlainText().contains("\"Load 3D sample…\""));
  EXPECT_TRUE(console->echoes()->toPlainText().contains("LoadFile1"));

  click("LoadProto", {kSkull / "protocol.txt"});
  settle(50);
  // The echoes of the load are in the full stream only; the messages say it in one line.
  EXPECT_TRUE(console->echoes()->toPlainText().contains("stemp"));
  EXPECT_FALSE(console->messages()->toPlainText().contains("stemp"));
  EXPECT_TRUE(console->messages()->toPlainText().contains("Protocol protocol.txt: ruler"));
  click("LoadProto");  // no file chosen
  settle(50);
  EXPECT_TRUE(console->messages()->toPlainText().contains("Load protocol…: cancelled."));
}

TEST_F(WorkspaceTest, TheWindowFitsA1280By720Screen) {
  window().show();
  settle();
  const QSize least = window().minimumSizeHint();
  EXPECT_LE(least.width(), 1280);
  EXPECT_LE(least.height(), 690);  // the screen less a title bar
  const QRect screen = window().screen()->availableGeometry();
  EXPECT_TRUE(screen.contains(window().frameGeometry())) << screen.width() << "x" << screen.height();
  // Every dock is there, the action panel scrolls when it must.
  for (const char* dock : {"ActionsDock", "StudyDock", "ReportsDock", "ResultsDock", "ConsoleDock"})
    EXPECT_NE(workspace_->dock(dock), nullptr) << dock;
}

TEST_F(WorkspaceTest, ClosingTheMainWindowEndsTheProgramAndItsPlotWindows) {
  load_skull(false);
  // A figure opened outside any action has a window of its own.
  const Handle figure = port().graphics().new_figure();
  settle();
  QPointer<PlotWindow> plot = port().plot_window(figure);
  ASSERT_FALSE(plot.isNull());
  QTimer::singleShot(0, &window(), &QWidget::close);
  bool stuck = false;
  QTimer::singleShot(10000, [&] {
    stuck = true;
    QCoreApplication::exit(1);
  });
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_FALSE(stuck);
  settle();
  EXPECT_TRUE(plot.isNull() || !plot->isVisible());
  EXPECT_FALSE(window().isVisible());
}

TEST_F(WorkspaceTest, ALargePlotIsDrawnInTheBackground) {
  Graphics& g = port().graphics();
  const Handle f = g.new_figure();
  const Eigen::VectorXd x = Eigen::VectorXd::LinSpaced(45, 0, 1);
  for (int i = 0; i < 200; ++i) {
    g.plot3(x, x * i / 200.0, x.cwiseProduct(x), "bo");
    g.hold(g.gca(), true);
  }
  settle();
  PlotWindow* w = port().plot_window(f);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->view()->large());
  bool ready = false;
  QObject::connect(w->view(), &PlotView::picture_ready, [&] { ready = true; });
  w->view()->set_view(RenderView{10, 20, 1});
  w->view()->repaint();
  EXPECT_TRUE(w->view()->drawing_in_background());
  ASSERT_TRUE(wait_until([&] { return ready; }, 60000));
  EXPECT_FALSE(w->view()->drawing_in_background());
}

// Pictures for the documentation: VELMORA_SCREENSHOTS=DIR desktop_tests --gtest_filter=*Screenshot*
// (under Xvfb: xvfb-run -a -s "-screen 0 1280x720x24").
TEST_F(WorkspaceTest, Screenshot) {
  const char* dir_env = std::getenv("VELMORA_SCREENSHOTS");
  if (dir_env == nullptr) GTEST_SKIP() << "set VELMORA_SCREENSHOTS to a folder to take the pictures";
  const std::filesystem::path dir = dir_env;
  std::filesystem::create_directories(dir);
  window().resize(1280, 720);  // the whole of a 1280 × 720 screen
  window().show();
  settle(200);
  ASSERT_TRUE(workspace_->open_study(kSkull / "study.json"));
  click("GoodallF");
  for (auto* b : port().message_boxes()) b->close();
  settle(300);
  // A specimen picked in the study panel shows in the plot.
  workspace_->study_panel()->tree()->topLevelItem(1)->child(10)->setSelected(true);
  settle(300);
  window().grab().save(QString::fromStdString((dir / "main-window.png").string()));

  // The shape space and the mean difference, each in its tab.
  click("ShapePCA");
  ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
  for (auto* b : port().message_boxes()) b->close();
  settle(300);
  window().grab().save(QString::fromStdString((dir / "shape-space-tab.png").string()));
  click("ShowDifference");
  for (auto* b : port().message_boxes()) b->close();
  settle(300);
  window().grab().save(QString::fromStdString((dir / "mean-difference-tab.png").string()));

  // The plot window's tab: both means with their wireframes and the landmark numbers.
  for (const char* a : {"ClearFigure", "ShowMean1", "ToggleDots", "ShowMean2", "AddLabels"}) click(a);
  settle(300);
  if (PlotView* plot = workspace_->views()->view("PlotWindow"))
    plot->parentWidget()->grab().save(QString::fromStdString((dir / "plot-window.png").string()));

  // The mean surface in its tab (drawn by OpenGL where it can be).
  click("LoadSurfaces", {kSkull / "surface.ply", kSkull / "surface-landmarks.tps"});
  ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
  for (auto* b : port().message_boxes()) b->close();
  click("ShowSurface");
  ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
  for (auto* b : port().message_boxes()) b->close();
  settle(500);
  window().grab().save(QString::fromStdString((dir / "surface-tab.png").string()));
}

}  // namespace
}  // namespace velmora::testing
