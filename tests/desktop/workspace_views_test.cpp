// The workspace's controls and views: the seed field, the wheel, the layout
// after a restart, the analyses' tabs, the surface tab. One file: each works
// on the central area of a workspace with a study loaded.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWheelEvent>
#include <cstdlib>
#include <fstream>
#include <limits>

#include "desktop/console_dock.h"
#include "desktop/plot_dock.h"
#include "desktop/results_log.h"
#include "desktop/study_panel.h"
#include "desktop/view_tabs.h"
#include "runtime/qt/surface_view.h"
#include "workspace_fixture.h"

namespace velmora::testing {
namespace {

TEST_F(WorkspaceTest, TheSeedFieldTakesEveryWholeNumberUpTo2To64Less1AndRefusesOthersSaying) {
  load_skull();
  auto* seed = window().findChild<QLineEdit*>("SeedEdit");
  auto* note = window().findChild<QLabel*>("SeedNote");
  ASSERT_NE(seed, nullptr);
  ASSERT_NE(note, nullptr);
  QAbstractButton* permute = workspace_->button("PermuteF");
  ASSERT_NE(permute, nullptr);
  const std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();
  struct Case {
    const char* text;
    std::optional<std::uint64_t> seed;
    bool refused;
  };
  for (const Case& c : {Case{"18446744073709551615", largest, false}, Case{"  0 ", 0, false},
                        Case{"18446744073709551616", std::nullopt, true}, Case{"-1", std::nullopt, true},
                        Case{"1e5", std::nullopt, true}, Case{"", std::nullopt, false}}) {
    seed->clear();
    seed->insert(c.text);                                // as a paste: the whole text at once
    EXPECT_EQ(seed->text(), QString(c.text)) << c.text;  // no digit dropped
    EXPECT_EQ(port().fixed_seed(), c.seed) << c.text;
    EXPECT_EQ(note->isVisibleTo(&window()), c.refused) << c.text;
    if (c.refused) {
      EXPECT_TRUE(note->text().contains("18446744073709551615")) << c.text;
    }
    EXPECT_EQ(permute->isEnabled(), !c.refused) << c.text;
  }

  // The largest seed typed back gives the same result twice, and the log shows it whole.
  seed->setText("18446744073709551615");
  for (int run = 0; run < 2; ++run) {
    click("PermuteF");
    ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
  }
  settle();
  const auto& rows = workspace_->results_log()->rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].result.numbers, rows[1].result.numbers);
  QTableWidget* table = workspace_->results_log()->table();
  bool seen = false;
  for (int c = 0; c < table->columnCount(); ++c) seen = seen || table->item(0, c)->text() == "18446744073709551615";
  EXPECT_TRUE(seen);
}

TEST_F(WorkspaceTest, ARestartShowsTheLayoutWithAUsablePlot) {
  const QString file = dir_.filePath("restart.ini");
  // The program started afresh on the settings in `file`.
  auto restart = [&] {
    workspace_.reset();
    app_.reset();
    settle();
    app_ = std::make_unique<DesktopApp>(std::vector<std::filesystem::path>{kSource / "resources"});
    app_->start();
    workspace_ = std::make_unique<Workspace>(*app_, std::make_unique<QSettings>(file, QSettings::IniFormat));
    // The offscreen screen is 800 x 600: the window is given the size of a 1280 x 720 screen's.
    window().resize(1280, 690);
    window().show();
    // The layout settles over a few turns of the event loop (slower on a busy machine).
    wait_until([&] { return window().centralWidget()->width() >= window().width() * 2 / 5; }, 5000);
    settle(50);
  };
  auto plot_is_usable = [&](const char* when) {
    QWidget* central = window().centralWidget();
    auto* tools = central->findChild<QWidget*>("StudyPlotToolBar");
    ASSERT_NE(tools, nullptr);
    EXPECT_GE(central->width(), window().width() * 2 / 5) << when;
    EXPECT_GE(central->width(), tools->sizeHint().width()) << when;  // every button shown
  };
  restart();
  plot_is_usable("first start");
  // The user widens the side docks until the plot is squeezed, then quits.
  window().resizeDocks({workspace_->dock("ActionsDock"), workspace_->dock("StudyDock")},
                       {window().width() / 2, window().width() / 2}, Qt::Horizontal);
  wait_until([&] { return window().centralWidget()->width() < window().width() * 2 / 5; }, 5000);
  ASSERT_LT(window().centralWidget()->width(), window().width() * 2 / 5);
  QTimer::singleShot(0, &window(), &QWidget::close);
  QApplication::exec();
  ASSERT_TRUE(QSettings(file, QSettings::IniFormat).contains("window/state"));
  restart();
  plot_is_usable("after a restart");

  // The wheel does not turn an unfocused choice box.
  auto* criterion = window().findChild<QComboBox*>("SlideCriterion");
  ASSERT_NE(criterion, nullptr);
  const int before = criterion->currentIndex();
  QWheelEvent wheel(QPointF(5, 5), criterion->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(criterion, &wheel);
  EXPECT_EQ(criterion->currentIndex(), before);
}

// The windows on the screen other than message boxes.
int top_level_windows() {
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && qobject_cast<MsgboxdDialog*>(w) == nullptr && w->windowType() == Qt::Window) ++n;
  return n;
}

TEST_F(WorkspaceTest, EachAnalysisDrawsInOneTabOfTheWindowAndTheTabsFollowTheStudy) {
  window().show();
  load_skull();
  ViewTabs* views = workspace_->views();
  ASSERT_NE(views, nullptr);
  auto run = [&](const std::string& action) {
    click(action);
    ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
    settle();
  };
  for (int twice = 0; twice < 2; ++twice) {
    run("ShapePCA");
    run("ShowDifference");
  }
  ASSERT_EQ(views->count(), 3);  // the study plot, the shape space, the mean difference
  EXPECT_EQ(views->tabText(1), "Shape space: PC1 × PC2");
  EXPECT_TRUE(views->tabText(2).startsWith("Mean difference ×")) << views->tabText(2).toStdString();
  EXPECT_EQ(views->currentIndex(), 2);
  const std::vector<Handle> shown = views->figures();
  ASSERT_EQ(shown.size(), 2u);
  Graphics& g = port().graphics();
  for (const Handle h : shown) {
    EXPECT_TRUE(g.is_handle(h));
    EXPECT_EQ(port().plot_window(h), nullptr);  // no window of its own
  }
  // The first shape space's figure went when the second took its tab.
  const auto drawn = g.figures();
  EXPECT_EQ(std::count_if(drawn.begin(), drawn.end(), [&](Handle h) { return h != port().main_handle(); }),
            3);  // the study plot and the two shown
  EXPECT_EQ(top_level_windows(), 1);

  // The plot actions keep working on the plot window's tab.
  click("AxisOff");
  EXPECT_EQ(views->count(), 3);
  EXPECT_EQ(top_level_windows(), 1);

  // Loading another first sample closes the pictures of the old one.
  click("LoadFile1", {kSkull / "first.tps"});
  settle();
  EXPECT_EQ(views->count(), 1);
  for (const Handle h : shown) EXPECT_FALSE(g.is_handle(h));

  run("ShapePCA");
  EXPECT_EQ(views->count(), 2);
  const Handle space = views->figures().front();
  click("Clear");
  settle();
  EXPECT_EQ(views->count(), 1);
  EXPECT_FALSE(g.is_handle(space));
  EXPECT_EQ(views->tabText(0), "Study plot");
  EXPECT_EQ(top_level_windows(), 1);
}

// The study's plot draws both samples and the wireframe; a click on a legend
// row hides what it stands for and a second click shows it again.
TEST_F(WorkspaceTest, TheStudyPlotDrawsBothSamplesAndTheWireframeEachToggledFromTheLegend) {
  window().show();
  load_skull();
  click("LoadWireFrame", {kSkull / "wireframe.txt"});
  settle(50);
  PlotView* view = workspace_->plot()->view();
  auto row = [&](const std::string& label) -> std::optional<LegendEntry> {
    for (const LegendEntry& e : view->decor().extras.legend)
      if (e.label == label) return e;
    return std::nullopt;
  };
  for (const char* label : {"Sample 1", "Mean 1", "Sample 2", "Mean 2", "Wireframe of mean 1"})
    EXPECT_TRUE(row(label).has_value()) << label;
  std::optional<QPoint> spot;
  for (int y = 0; y < view->height() && !spot; y += 2)
    for (int x = 0; x < view->width() && !spot; x += 2)
      if (view->legend_label_at(QPoint(x, y)) == "Sample 2") spot = QPoint(x, y);
  ASSERT_TRUE(spot.has_value());
  const QImage both = view->picture(view->size());
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, *spot);
  ASSERT_TRUE(row("Sample 2").has_value());
  EXPECT_FALSE(row("Sample 2")->shown);
  EXPECT_TRUE(row("Sample 1")->shown);
  EXPECT_NE(view->picture(view->size()), both);
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, *spot);
  EXPECT_TRUE(row("Sample 2")->shown);
  EXPECT_EQ(view->picture(view->size()), both);
}

// The skull example's shape space, open in its tab; the first place on its
// picture (every other pixel, row by row) where `found` gives a text.
class ShapeSpaceTest : public WorkspaceTest {
 protected:
  PlotView* open_shape_space() {
    window().show();
    load_skull();
    click("ShapePCA");
    EXPECT_TRUE(wait_until([&] { return !app_->running(); }));
    settle(50);
    return workspace_->views()->view("ShapePCA");
  }
  template <typename Found>
  static std::optional<std::pair<QPoint, std::string>> first_spot(const PlotView* view, Found found) {
    for (int y = 0; y < view->height(); y += 2)
      for (int x = 0; x < view->width(); x += 2)
        if (const std::optional<std::string> text = found(QPoint(x, y))) return std::pair{QPoint(x, y), *text};
    return std::nullopt;
  }
};

// A click on a row of the shape space's legend hides that sample and its
// ellipse; a second click shows them again.
TEST_F(ShapeSpaceTest, ALegendRowClickedHidesItsSample) {
  PlotView* view = open_shape_space();
  ASSERT_NE(view, nullptr);
  const auto row = first_spot(view, [&](QPoint at) -> std::optional<std::string> {
    const auto label = view->legend_label_at(at);
    return label && label->starts_with("sample 2") ? label : std::nullopt;
  });
  ASSERT_TRUE(row.has_value());
  const auto& [spot, label] = *row;
  const QImage both = view->picture(view->size());
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, spot);
  EXPECT_TRUE(view->legend_row_hidden(label));
  EXPECT_NE(view->picture(view->size()), both);
  EXPECT_EQ(view->legend_label_at(spot), label);  // the row stays where it was
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, spot);
  EXPECT_FALSE(view->legend_row_hidden(label));
  EXPECT_EQ(view->picture(view->size()), both);
}

TEST_F(WorkspaceTest, ChangingTheComponentsRedrawsTheOpenShapeSpace) {
  load_skull();
  click("ShapePCA");
  ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
  settle();
  ViewTabs* views = workspace_->views();
  ASSERT_EQ(views->title("ShapePCA"), "Shape space: PC1 × PC2");
  auto* pcy = window().findChild<QSpinBox*>("PCYBox");
  ASSERT_NE(pcy, nullptr);
  pcy->setValue(3);
  ASSERT_TRUE(wait_until([&] { return views->title("ShapePCA") == "Shape space: PC1 × PC3"; }, 20000));
  ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
  EXPECT_EQ(views->count(), 2);  // the same tab, redrawn
}

TEST_F(ShapeSpaceTest, ASpecimenClickedIsPickedInTheStudyPanel) {
  PlotView* view = open_shape_space();
  ASSERT_NE(view, nullptr);
  // A place in the picture where a specimen is drawn.
  const auto point = first_spot(view, [&](QPoint at) -> std::optional<std::string> {
    const auto name = view->name_at(at);
    return name && !name->empty() ? name : std::nullopt;
  });
  ASSERT_TRUE(point.has_value());
  const auto& [spot, name] = *point;
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, spot);
  settle();
  const auto picked = workspace_->study_panel()->tree()->selectedItems();
  ASSERT_EQ(picked.size(), 1) << name;
  // "sample 2, specimen 5" picks the fifth row of the second sample.
  const QString id = QString::fromStdString(name).section(", ", 1);
  EXPECT_TRUE(picked.front()->text(0).startsWith(id, Qt::CaseInsensitive)) << name;
  EXPECT_EQ(picked.front()->parent()->text(0).startsWith("First sample"), name.starts_with("sample 1")) << name;
  const PlotDecor decor = workspace_->plot()->view()->decor();
  EXPECT_FALSE(decor.extras.highlight.empty());  // and highlighted in the plot, with its legend row
  EXPECT_TRUE(std::any_of(decor.extras.legend.begin(), decor.extras.legend.end(), [&](const LegendEntry& e) {
    return e.label == decor.extras.highlight.front().label && e.color == decor.extras.highlight.front().color;
  }));
}

TEST_F(WorkspaceTest, LogRowsSayWhichStudyInWhichStateWithWhichSeedAndVersion) {
  load_skull();
  click("GoodallF");
  click("SlideSamples");
  ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
  click("GoodallF");
  ASSERT_TRUE(workspace_->open_study(kSkull / "study.json"));
  settle(50);
  click("GoodallF");
  for (auto* b : port().message_boxes()) b->close();
  settle();
  std::vector<LoggedResult> rows;
  for (const auto& row : workspace_->results_log()->rows())
    if (row.result.name == "GoodallF") rows.push_back(row);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].context.samples, "loaded");
  EXPECT_TRUE(rows[1].context.samples.startsWith("slid by ")) << rows[1].context.samples.toStdString();
  EXPECT_TRUE(rows[1].context.samples.contains("iteration")) << rows[1].context.samples.toStdString();
  EXPECT_EQ(rows[0].context.study, "first.tps");  // no study file: the first sample's file names it
  EXPECT_EQ(rows[2].context.study, "study.json");
  for (const auto& row : rows) EXPECT_FALSE(row.context.version.isEmpty());
  // The same columns in what is saved.
  const std::string csv = workspace_->results_log()->csv();
  EXPECT_NE(csv.find(",first.tps,loaded,"), std::string::npos);
  EXPECT_NE(csv.find(",first.tps,\"slid by "), std::string::npos);
}

TEST_F(WorkspaceTest, ASecondSampleThatNoLongerFitsTheNewFirstOneIsDroppedSayingSo) {
  load_skull();
  click("LoadWireFrame", {kSkull / "wireframe.txt"});
  ASSERT_TRUE(workspace_->button("GoodallF")->isEnabled());
  click("LoadProto", {kLeaf / "protocol.txt"});
  click("LoadFile2D", {kLeaf / "first.tps"});
  settle();
  const auto study = app_->study();
  EXPECT_TRUE(study->second.empty());
  EXPECT_EQ(study->wireframe_segments, 0);
  EXPECT_FALSE(workspace_->button("GoodallF")->isEnabled());
  const StudyFile saved = workspace_->current_study();
  EXPECT_TRUE(saved.second.empty() && saved.wireframe.empty());  // a saved study has neither
  settle(20);
  const QString console = workspace_->console()->messages()->toPlainText();
  EXPECT_TRUE(console.contains("The second sample (file second.txt")) << console.toStdString();
  EXPECT_TRUE(console.contains("was dropped")) << console.toStdString();

  // Undo (Ctrl+Z) brings them back, and the study's plot with them.
  QAction* undo = window().findChild<QAction*>("UndoItem");
  ASSERT_NE(undo, nullptr);
  EXPECT_EQ(undo->shortcut(), QKeySequence("Ctrl+Z"));
  EXPECT_TRUE(undo->isEnabled());
  const Handle plot = workspace_->plot()->figure();
  undo->trigger();
  settle();
  EXPECT_FALSE(app_->study()->second.empty());
  EXPECT_GT(app_->study()->wireframe_segments, 0);
  EXPECT_TRUE(workspace_->button("GoodallF")->isEnabled());
  EXPECT_NE(workspace_->plot()->figure(), plot);
  EXPECT_TRUE(workspace_->button("RestoreUnslid") != nullptr && !workspace_->button("RestoreUnslid")->isEnabled());
}

TEST_F(WorkspaceTest, MessagesNameControlsByTheirLabels) {
  auto* drop = window().findChild<QCheckBox*>("DropMissing");
  ASSERT_NE(drop, nullptr);
  port().report_error("A sample with missing landmarks cannot be superimposed: turn on DropMissing and load it again.");
  settle();
  const auto shown = boxes("Velmora3d: the action failed");
  ASSERT_EQ(shown.size(), 1u);
  const QString text = QString::fromStdString(shown.front()->text());
  EXPECT_FALSE(text.contains("DropMissing")) << text.toStdString();
  EXPECT_TRUE(text.contains("\"" + QString(drop->text()).remove('&') + "\"")) << text.toStdString();
}

TEST_F(WorkspaceTest, AskedBeforeZIsDroppedAndBeforeUnsavedResultsAreLost) {
  load_skull();
  yes_ = false;
  click("SaveFile2D", {temp("flat.txt")});
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_TRUE(questions_[0].contains("drops z"));
  EXPECT_FALSE(std::filesystem::exists(temp("flat.txt")));  // not confirmed: nothing written

  click("GoodallF");
  for (auto* b : port().message_boxes()) b->close();
  settle();
  ASSERT_EQ(workspace_->results_log()->unsaved(), 1u);
  window().show();
  window().close();
  settle();
  ASSERT_EQ(questions_.size(), 2u);
  EXPECT_TRUE(questions_[1].contains("not saved"));
  EXPECT_TRUE(window().isVisible());  // the user went back
  workspace_->results_log()->save(temp("log.csv"));
  EXPECT_EQ(workspace_->results_log()->unsaved(), 0u);
  answers_.clear();

  // A 2D study is saved in 2D without a question.
  click("Clear");
  click("LoadProto", {kLeaf / "protocol.txt"});
  click("LoadFile2D", {kLeaf / "first.tps"});
  const std::size_t asked = questions_.size();
  click("SaveFile2D", {temp("leaf.txt")});
  EXPECT_EQ(questions_.size(), asked);
}

TEST_F(WorkspaceTest, ATabTornOffIntoAWindowComesBackAndFollowsTheStudy) {
  window().show();
  load_skull();
  click("ShapePCA");
  ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
  settle();
  ViewTabs* views = workspace_->views();
  ASSERT_EQ(views->count(), 2);
  views->tear_off(1);
  settle();
  EXPECT_EQ(views->count(), 1);
  ASSERT_EQ(views->torn_off().size(), 1u);
  EXPECT_EQ(top_level_windows(), 2);
  EXPECT_EQ(views->torn_off().front()->windowTitle(), "Shape space: PC1 × PC2");
  // Running it again redraws the window, not a new tab.
  click("ShapePCA");
  ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
  settle();
  EXPECT_EQ(views->count(), 1);
  EXPECT_EQ(views->figures().size(), 1u);
  // Closing the window puts the picture back among the tabs.
  views->torn_off().front()->close();
  settle();
  EXPECT_EQ(views->count(), 2);
  EXPECT_TRUE(views->torn_off().empty());
  EXPECT_EQ(top_level_windows(), 1);
  // Torn off again, it goes with the study.
  views->tear_off(1);
  settle();
  click("Clear");
  settle();
  EXPECT_TRUE(views->torn_off().empty());
  EXPECT_TRUE(views->figures().empty());
  EXPECT_EQ(top_level_windows(), 1);
}

TEST_F(WorkspaceTest, AStudyFileKeepsItsResultsLogAndControls) {
  load_skull();
  auto* pcy = window().findChild<QSpinBox*>("PCYBox");
  ASSERT_NE(pcy, nullptr);
  pcy->setValue(3);
  click("GoodallF");
  for (auto* b : port().message_boxes()) b->close();
  settle();
  ASSERT_EQ(workspace_->results_log()->rows().size(), 1u);
  const LoggedResult before = workspace_->results_log()->rows().front();
  const auto file = temp("kept.v3dstudy");
  workspace_->save_study(file);
  EXPECT_EQ(workspace_->results_log()->unsaved(), 0u);  // kept in the study file
  workspace_->results_log()->clear();
  pcy->setValue(2);

  for (int twice = 0; twice < 2; ++twice) {
    ASSERT_TRUE(workspace_->open_study(file));
    settle();
    EXPECT_TRUE(messages_.empty()) << messages_.front().toStdString();
    EXPECT_EQ(pcy->value(), 3);
    const auto& rows = workspace_->results_log()->rows();
    ASSERT_EQ(rows.size(), 1u);  // reopening again adds nothing twice
    EXPECT_EQ(rows[0].result.name, "GoodallF");
    EXPECT_EQ(rows[0].result.numbers, before.result.numbers);
    EXPECT_EQ(rows[0].context.samples, before.context.samples);
    EXPECT_EQ(rows[0].files.first, before.files.first);
  }
}

// A surface picture is drawn by OpenGL where a context can be made (and
// VELMORA_OPENGL is not 0), by the plot view otherwise; either way the view
// turns as the plot view does and the exports come from the renderer.
TEST_F(WorkspaceTest, ASurfaceTabUsesOpenGLWhereItCanAndExportsThroughTheRenderer) {
  window().show();
  load_skull();
  click("LoadSurfaces", {kSkull / "surface.ply", kSkull / "surface-landmarks.tps"});
  ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
  for (const std::string action : {"ShowSurface", "ShowSurfaceDifference"}) {
    if (action == "ShowSurfaceDifference") ::setenv("VELMORA_OPENGL", "0", 1);
    click(action);
    ASSERT_TRUE(wait_until([&] { return !app_->running(); }));
    settle(200);
    PlotView* plot = workspace_->views()->view(QString::fromStdString(action));
    ASSERT_NE(plot, nullptr) << action;
    auto* gl = plot->parentWidget()->findChild<SurfaceView*>("ViewSurface");
    const bool by_gl = opengl_available();
    EXPECT_EQ(gl != nullptr && gl->isVisible(), by_gl) << action;
    EXPECT_EQ(plot->isVisible(), !by_gl) << action;
    if (by_gl) {
      EXPECT_EQ(plot->size(), gl->size());
      // A drag on the picture turns it as a drag on the plot view would.
      const QPointF from(100, 100), to(140, 90);
      QMouseEvent press(QEvent::MouseButtonPress, from, gl->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton, {});
      QMouseEvent move(QEvent::MouseMove, to, gl->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
      QMouseEvent release(QEvent::MouseButtonRelease, to, gl->mapToGlobal(to), Qt::LeftButton, Qt::NoButton, {});
      for (QMouseEvent* e : {&press, &move, &release}) QCoreApplication::sendEvent(gl, e);
      ASSERT_TRUE(plot->view().has_value());
      EXPECT_NE(plot->view()->azimuth, RenderView{}.azimuth);
    }
    // The PNG at the size asked for, through a link (the notice says so), with the surface in it.
    const auto png = temp(action + ".png"), link = temp(action + "-link.png");
    std::ofstream(png) << "old";
    std::filesystem::create_symlink(png, link);
    std::string heard;
    plot->export_to(link, QSize(600, 400), 150, [&](const std::string& n) { heard += n; });
    EXPECT_NE(heard.find("is a link to"), std::string::npos) << heard;
    const QImage image(QString::fromStdString(png.string()));
    ASSERT_EQ(image.size(), QSize(600, 400));
    int shaded = 0;
    for (int y = 0; y < image.height(); y += 4)
      for (int x = 0; x < image.width(); x += 4) shaded += QColor(image.pixel(x, y)).saturation() > 30;
    EXPECT_GT(shaded, 500) << action;
    // The vector formats hold the surface as an image.
    plot->export_to(temp(action + ".svg"));
    std::ifstream svg(temp(action + ".svg"));
    const std::string text((std::istreambuf_iterator<char>(svg)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("<image"), std::string::npos);
  }
  ::unsetenv("VELMORA_OPENGL");
}

TEST(ViewTabNames, ExportNamesComeFromTheTitle) {
  EXPECT_EQ(file_name_of("Shape space: PC1 × PC2"), "Shape space PC1 x PC2");
  EXPECT_EQ(file_name_of("Mean difference ×3"), "Mean difference x3");
  EXPECT_EQ(file_name_of("::"), "figure");
}

}  // namespace
}  // namespace velmora::testing
