// The plot window actions through the dispatcher, on the headless port.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "app/dispatcher.h"
#include "runtime/headless/headless_port.h"

namespace velmora {
namespace {

// A mean of p points on a helix and a sample of n copies around it.
Eigen::MatrixXd helix(int p, double shift = 0) {
  Eigen::MatrixXd x(p, 3);
  for (int i = 0; i < p; ++i) x.row(i) << std::cos(0.3 * i) + shift, std::sin(0.3 * i), 0.05 * i;
  return x;
}

Sample sample_of(int p, int n) {
  Sample s(p, n);
  for (int i = 0; i < n; ++i) s.specimen(i) = helix(p, 0.01 * i);
  return s;
}

struct Study : ::testing::Test {
  HeadlessPort port;
  Dispatcher d{port};
  Graphics& g = port.graphics();
  Handle main_window = g.current_figure();

  Study() {
    port.keep_events();
    WorkingState& s = d.mutable_state();
    s.mean1 = helix(40);
    s.data1 = sample_of(40, 3);
    s.mean2 = helix(40, 0.5);
    s.data2 = sample_of(40, 2);
    s.wirelist.resize(3, 3);
    s.wirelist << 1, 1, 2,  //
        2, 2, 3,            //
        3, 3, 40;
    s.wireactive = 1;
  }
  Handle plot() const { return *d.state().fighand1; }
  Handle axes() { return g.axes_of(plot()); }
  std::vector<const GraphicsObject*> children_of_type(ObjectType type) {
    std::vector<const GraphicsObject*> out;
    const auto& children = g.object(axes()).children;
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      if (g.object(*it).type == type) out.push_back(&g.object(*it));
    return out;
  }
  void run(const char* action) { ASSERT_EQ(d.vm3sw(action), Outcome::done) << action; }
};

TEST_F(Study, OpenFigurePlacesTheWindowBesideTheCurrentOneAndGivesTheFocusBack) {
  ASSERT_EQ(g.object(main_window).position, (std::array<double, 4>{10, 20, 300, 400}));
  run("OpenFigure");
  const GraphicsObject& f = g.object(plot());
  EXPECT_EQ(f.position, (std::array<double, 4>{26, 20, 294, 400}));
  EXPECT_EQ(f.units, "pixels");
  EXPECT_EQ(g.current_figure(), main_window);
  EXPECT_TRUE(f.children.empty());
  // A second OpenFigure gives a second window; drawing goes there only.
  const Handle first = plot();
  run("OpenFigure");
  EXPECT_NE(plot(), first);
  run("ShowMean1");
  EXPECT_TRUE(g.object(first).children.empty());
  EXPECT_FALSE(g.object(plot()).children.empty());
}

TEST_F(Study, OpenFigureReadsThePositionInTheUnitsOfTheCurrentWindow) {
  g.set(main_window, "Units", std::string("normalized"));
  g.set(main_window, "Position", Eigen::Vector4d(0.1, 0.2, 0.5, 0.6).eval());
  run("OpenFigure");
  const GraphicsObject& f = g.object(plot());
  EXPECT_EQ(f.units, "normalized");
  EXPECT_DOUBLE_EQ(f.position[0], 0.1 + (0.1 + 0.02 * 0.5));
  EXPECT_DOUBLE_EQ(f.position[2], 0.5 + -0.02 * 0.5);
  EXPECT_EQ(f.position[1], 0.2);
  EXPECT_EQ(f.position[3], 0.6);
}

TEST_F(Study, ShowMean1DrawsTheMeanAndTheGreenWireframeWithItsEchoes) {
  run("OpenFigure");
  port.clear_events();
  run("ShowMean1");
  const auto lines = children_of_type(ObjectType::line);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0]->marker, "*");
  EXPECT_EQ(lines[0]->color, (Rgb{0, 0, 1}));
  EXPECT_EQ(lines[0]->x.size(), 40);
  for (int i = 1; i < 4; ++i) {
    EXPECT_EQ(lines[i]->color, (Rgb{0, 1, 0}));
    EXPECT_EQ(lines[i]->line_style, "-");
  }
  // Wireframe rows 3: landmarks 3 and 40.
  EXPECT_EQ(lines[3]->x, Eigen::Vector2d(helix(40)(2, 0), helix(40)(39, 0)));
  std::vector<std::string> echoes;
  for (const Event& e : port.events())
    if (e.kind == "echo") echoes.push_back(e.text("name"));
  EXPECT_EQ(echoes, (std::vector<std::string>{"m", "n"}));
  EXPECT_EQ(g.current_figure(), plot());
}

TEST_F(Study, DrawingTwiceAddsTwiceAndTheDataOneLinePerSpecimen) {
  run("OpenFigure");
  d.mutable_state().wireactive = 0;
  run("ShowMean1");
  run("ShowMean1");
  run("ShowData1");
  run("ShowData2");
  const auto lines = children_of_type(ObjectType::line);
  ASSERT_EQ(lines.size(), 2u + 3u + 2u);
  EXPECT_EQ(lines[0]->x, lines[1]->x);
  for (int i = 2; i < 5; ++i) EXPECT_EQ(lines[i]->marker, "o");
  for (int i = 5; i < 7; ++i) {
    EXPECT_EQ(lines[i]->marker, "s");
    EXPECT_EQ(lines[i]->color, (Rgb{1, 0, 0}));
  }
}

TEST_F(Study, AddLabelsPutsEveryLandmarkNumberAHundredthAway) {
  run("OpenFigure");
  run("ShowMean1");
  run("AddLabels");
  const auto texts = children_of_type(ObjectType::text);
  ASSERT_EQ(texts.size(), 40u);
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(texts[i]->string, std::to_string(i + 1));
    const Eigen::Vector3d expected = helix(40).row(i).transpose() + Eigen::Vector3d::Constant(0.01);
    EXPECT_EQ(texts[i]->text_position, expected);
  }
  // With no mean there is nothing to label, and no error.
  d.mutable_state().mean1.resize(0, 0);
  run("AddLabels");
  EXPECT_EQ(children_of_type(ObjectType::text).size(), 40u);
}

TEST_F(Study, ShowMean2FollowsTheDotCheckAndToggleDotsSwitchesIt) {
  run("OpenFigure");
  port.set_control_checked("DotCheck", "On");
  run("ShowMean2");
  auto lines = children_of_type(ObjectType::line);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0]->marker, "p");
  EXPECT_EQ(lines[0]->color, (Rgb{1, 0, 0}));
  EXPECT_EQ(lines[1]->line_style, "-.");
  EXPECT_EQ(lines[1]->color, (Rgb{0, 0, 0}));
  run("ToggleDots");
  run("ShowMean2");
  lines = children_of_type(ObjectType::line);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[5]->line_style, "-");
  EXPECT_EQ(lines[5]->color, (Rgb{1, 0, 0}));
  run("ToggleDots");
  run("ShowMean2");
  lines = children_of_type(ObjectType::line);
  EXPECT_EQ(lines[9]->line_style, "-.");
}

TEST_F(Study, WithoutTheWireframeSwitchOnlyTheMeanIsDrawn) {
  run("OpenFigure");
  for (std::optional<double> off : {std::optional<double>(), std::optional<double>(0)}) {
    d.mutable_state().wireactive = off;
    run("ClearFigure");
    run("ShowMean1");
    run("ShowMean2");
    EXPECT_EQ(children_of_type(ObjectType::line).size(), 2u);
  }
}

TEST_F(Study, DrawingBeforeTheDataExistsFailsWithoutDrawing) {
  d.mutable_state() = WorkingState();
  for (const char* action : {"ShowMean1", "ShowData1", "ShowMean2", "ShowData2"}) {
    EXPECT_EQ(d.vm3sw(action), Outcome::failed) << action;
  }
  EXPECT_FALSE(d.state().fighand1.has_value());
  EXPECT_EQ(g.figures().size(), 1u);  // the main window only
}

TEST_F(Study, ADisplayActionBeforeOpenFigureOpensThePlotWindowAsOpenFigureWould) {
  run("ShowData1");
  ASSERT_TRUE(d.state().fighand1.has_value());
  EXPECT_EQ(g.object(plot()).position, (std::array<double, 4>{26, 20, 294, 400}));
  EXPECT_EQ(g.current_figure(), plot());
  EXPECT_EQ(children_of_type(ObjectType::line).size(), 3u);
  // Closed by the user: the next action opens a new one.
  const Handle closed = plot();
  g.close(closed);
  g.figure(main_window);
  run("ThickerLines");
  EXPECT_TRUE(g.is_handle(plot()));
  EXPECT_EQ(g.object(plot()).type, ObjectType::figure);
}

TEST_F(Study, ABadWireframeRowIsNamedAndWhatWasDrawnBeforeItStays) {
  run("OpenFigure");
  d.mutable_state().wirelist(1, 2) = 41;
  EXPECT_EQ(d.vm3sw("ShowMean1"), Outcome::failed);
  bool named = false;
  for (const Event& e : port.events())
    if (e.kind == "error") named = e.text("message").find("Wireframe row 2") != std::string::npos;
  EXPECT_TRUE(named);
  // The mean and the segment of row 1 stay.
  EXPECT_EQ(children_of_type(ObjectType::line).size(), 2u);
  EXPECT_EQ(d.state().wirelist(1, 2), 41);
}

TEST_F(Study, APlotWindowOpenedByAFailingActionStaysThePlotWindow) {
  d.mutable_state().wirelist(2, 1) = 0;
  EXPECT_EQ(d.vm3sw("ShowMean1"), Outcome::failed);
  ASSERT_TRUE(d.state().fighand1.has_value());
  EXPECT_EQ(children_of_type(ObjectType::line).size(), 3u);  // the mean and rows 1 and 2
  run("ShowData1");
  EXPECT_EQ(children_of_type(ObjectType::line).size(), 6u);
  EXPECT_EQ(g.figures().size(), 2u);  // the main window and the one plot window
}

TEST_F(Study, ClearFigureEmptiesTheWindowAndGivesTheFocusBack) {
  run("OpenFigure");
  run("ShowMean1");
  run("AddLabels");
  g.figure(main_window);
  run("ClearFigure");
  EXPECT_TRUE(g.object(plot()).children.empty());
  EXPECT_TRUE(g.is_handle(plot()));
  EXPECT_EQ(g.current_figure(), main_window);
  // The next drawing starts with fresh axes.
  run("ShowMean2");
  EXPECT_EQ(children_of_type(ObjectType::line).size(), 4u);
}

TEST_F(Study, ThickerLinesChangesOnlyTheWireframeAndThinnerLinesStopsAtTheThinnest) {
  run("OpenFigure");
  run("ShowMean1");
  run("AddLabels");
  run("ThickerLines");
  auto lines = children_of_type(ObjectType::line);
  EXPECT_EQ(lines[0]->line_width, 0.5);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(lines[i]->line_width, 1.5);
  run("ThinnerLines");
  port.clear_events();
  run("ThinnerLines");  // refused: it would go below 0.5
  for (int i = 1; i < 4; ++i) EXPECT_EQ(lines[i]->line_width, 0.5);
}

TEST(RefusedSteps, TellTheUserOnTheConsole) {
  std::ostringstream console;
  HeadlessPort port(&console);
  port.keep_events();
  Dispatcher d(port);
  d.mutable_state().mean1 = helix(5);
  d.mutable_state().wirelist = (Eigen::MatrixXd(1, 3) << 1, 1, 2).finished();
  d.mutable_state().wireactive = 1;
  ASSERT_EQ(d.vm3sw("ShowMean1"), Outcome::done);
  console.str("");
  EXPECT_EQ(d.vm3sw("ThinnerLines"), Outcome::done);
  EXPECT_EQ(console.str(), "ThinnerLines: the lines are as thin as they can be (0.5 points); nothing was changed.\n");
  d.mutable_state().wireactive = 0;
  for (int i = 0; i < 5; ++i) d.vm3sw("SmallerSymbols");
  console.str("");
  EXPECT_EQ(d.vm3sw("SmallerSymbols"), Outcome::done);
  EXPECT_EQ(console.str(), "SmallerSymbols: the markers are as small as they can be (1 point); nothing was changed.\n");
}

TEST_F(Study, BiggerThenSmallerSymbolsRestoresAndSmallerStopsAtOnePoint) {
  run("OpenFigure");
  run("ShowMean1");
  run("ShowData2");
  run("BiggerSymbols");
  for (const auto* l : children_of_type(ObjectType::line)) EXPECT_EQ(l->marker_size, 7);
  run("SmallerSymbols");
  for (const auto* l : children_of_type(ObjectType::line)) EXPECT_EQ(l->marker_size, 6);
  for (int i = 0; i < 5; ++i) run("SmallerSymbols");
  for (const auto* l : children_of_type(ObjectType::line)) EXPECT_EQ(l->marker_size, 1);
  run("SmallerSymbols");
  for (const auto* l : children_of_type(ObjectType::line)) EXPECT_EQ(l->marker_size, 1);
}

TEST_F(Study, FilledSymbolsUseEachLinesOwnColourAndEmptySymbolsHollowThem) {
  run("OpenFigure");
  run("ShowData1");
  run("ShowData2");
  run("FilledSymbols");
  for (const auto* l : children_of_type(ObjectType::line)) EXPECT_EQ(l->marker_face, l->color);
  EXPECT_EQ(children_of_type(ObjectType::line).front()->marker_face, (Rgb{0, 0, 1}));
  EXPECT_EQ(children_of_type(ObjectType::line).back()->marker_face, (Rgb{1, 0, 0}));
  run("EmptySymbols");
  for (const auto* l : children_of_type(ObjectType::line)) EXPECT_FALSE(l->marker_face.has_value());
}

TEST_F(Study, AxisOffThenShowMean1KeepsTheAxisOff) {
  run("OpenFigure");
  run("ShowMean1");
  run("AxisOff");
  run("ShowMean1");
  EXPECT_FALSE(g.object(axes()).axis_on);
  // Also on a freshly opened or cleared window.
  run("ClearFigure");
  run("AxisOff");
  run("ShowMean1");
  EXPECT_FALSE(g.object(axes()).axis_on);
  run("AxisOn");
  EXPECT_TRUE(g.object(axes()).axis_on);
}

TEST_F(Study, CopyImagePutsPngAndSvgOnTheClipboardAndKeepsTheFocus) {
  run("OpenFigure");
  run("ShowMean1");
  g.figure(main_window);
  run("CopyImage");
  ASSERT_EQ(port.clipboard().size(), 2u);
  EXPECT_EQ(port.clipboard()[0].format, "image/png");
  EXPECT_EQ(port.clipboard()[0].bytes.rfind("\x89PNG", 0), 0u);
  EXPECT_EQ(port.clipboard()[1].format, "image/svg+xml");
  EXPECT_NE(port.clipboard()[1].bytes.find("<svg"), std::string::npos);
  EXPECT_EQ(g.current_figure(), main_window);
  EXPECT_EQ(port.clipboard_formats(), "image/png,image/svg+xml");
}

TEST_F(Study, CopyEpsWritesTheChosenFileOrNothingWhenCancelled) {
  const auto dir = std::filesystem::temp_directory_path() / ("velmora-eps-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  run("OpenFigure");
  run("ShowMean1");
  g.figure(main_window);
  port.set_answers({"cancel"}, dir);
  run("CopyEPS");
  EXPECT_EQ(std::get<double>(d.state().fname1), 0.0);
  EXPECT_TRUE(std::filesystem::is_empty(dir));

  port.clear_events();
  port.set_answers({"shape.eps"}, dir);
  run("CopyEPS");
  EXPECT_EQ(std::get<std::string>(d.state().fname1), "shape.eps");
  std::ifstream in(dir / "shape.eps", std::ios::binary);
  const std::string eps((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(eps.rfind("%!PS-Adobe-3.0 EPSF-3.0", 0), 0u);
  bool recorded = false;
  for (const Event& e : port.events())
    if (e.kind == "file") recorded = e.number("bytes") == static_cast<double>(eps.size());
  EXPECT_TRUE(recorded);
  EXPECT_EQ(g.current_figure(), main_window);
  std::filesystem::remove_all(dir);
}

// A figure saved through a link writes the file the link names, and the
// console says where.
TEST(FigureExport, ThroughALinkWritesTheFileItNamesSayingSo) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("velmora-link-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "shape.eps") << "old";
  fs::create_symlink(dir / "shape.eps", dir / "link.eps");
  std::ostringstream console;
  HeadlessPort port(&console);
  Dispatcher d(port);
  ASSERT_EQ(d.vm3sw("OpenFigure"), Outcome::done);
  port.set_answers({"link.eps"}, dir);
  ASSERT_EQ(d.vm3sw("CopyEPS"), Outcome::done) << console.str();
  EXPECT_TRUE(fs::is_symlink(dir / "link.eps"));
  std::ifstream in(dir / "shape.eps", std::ios::binary);
  const std::string eps((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(eps.rfind("%!PS-Adobe-3.0 EPSF-3.0", 0), 0u);
  EXPECT_NE(console.str().find("link.eps is a link to " + fs::canonical(dir / "shape.eps").string() +
                               ": that file was written"),
            std::string::npos)
      << console.str();
  fs::remove_all(dir);
}

// Keeps the filter and title of every save dialog.
class DialogRecordingPort : public HeadlessPort {
 public:
  DialogRecordingPort() { keep_events(); }
  std::optional<FileChoice> save_file(std::string_view filter, std::string_view title) override {
    dialogs.emplace_back(std::string(filter), std::string(title));
    return HeadlessPort::save_file(filter, title);
  }
  std::vector<std::pair<std::string, std::string>> dialogs;
};

TEST(CopyEps, AsksWithItsFilterAndTitleBeforeLookingForThePlotWindow) {
  DialogRecordingPort port;
  Dispatcher d(port);
  // Cancelled: nothing to write, so no plot window is needed and 0 is kept.
  port.set_answers({"cancel"}, ".");
  EXPECT_EQ(d.vm3sw("CopyEPS"), Outcome::done);
  EXPECT_EQ(std::get<double>(d.state().fname1), 0.0);
  ASSERT_EQ(port.dialogs.size(), 1u);
  EXPECT_EQ(port.dialogs[0], (std::pair<std::string, std::string>{"*.eps", "Save File Name for EPS file"}));
  // A name with no plot window: the action fails, names the problem, writes nothing.
  const auto dir = std::filesystem::temp_directory_path() / ("velmora-eps-none-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  port.set_answers({"shape.eps"}, dir);
  EXPECT_EQ(d.vm3sw("CopyEPS"), Outcome::failed);
  EXPECT_EQ(port.answers_left(), 0u);
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  EXPECT_EQ(std::get<double>(d.state().fname1), 0.0) << "a failed action leaves the state as it was";
  std::filesystem::remove_all(dir);
}

TEST_F(Study, CopyImageWithoutAPlotWindowSaysSo) {
  EXPECT_EQ(d.vm3sw("CopyImage"), Outcome::failed);
  EXPECT_TRUE(port.clipboard().empty());
}

TEST_F(Study, ClearClosesThePlotWindow) {
  run("OpenFigure");
  run("ShowMean1");
  const Handle h = plot();
  run("Clear");
  EXPECT_FALSE(g.is_handle(h));
  EXPECT_FALSE(d.state().fighand1.has_value());
}

// A sample has one colour in every picture: its specimens and its mean in the
// plot window, its points in the shape space, its mean in the mean difference.
TEST_F(Study, EachSampleHasOneColourInEveryPicture) {
  // Specimens of different shapes, so the shape space has components.
  WorkingState& state = d.mutable_state();
  for (Sample* sample : {&state.data1, &state.data2})
    for (Eigen::Index i = 0; i < sample->count(); ++i)
      for (Eigen::Index k = 0; k < sample->points(); ++k) sample->specimen(i)(k, 1) += 0.01 * std::sin(3.0 * k + i);
  for (const char* action : {"ShowData1", "ShowMean1", "ShowData2", "ShowMean2"}) run(action);
  std::map<std::string, std::set<std::array<double, 3>>> colours;  // sample -> colours seen
  auto note = [&](const std::string& sample, const Rgb& c) { colours[sample].insert({c.r, c.g, c.b}); };
  for (const GraphicsObject* o : children_of_type(ObjectType::line)) {
    if (o->marker == "o" || o->marker == "*") note("1", o->color);
    if (o->marker == "s" || o->marker == "p") note("2", o->color);
  }
  run("ShapePCA");
  for (Handle c : g.object(g.axes_of(g.current_figure())).children) {
    const std::string name = g.object(c).display_name;
    if (name.rfind("sample ", 0) == 0) note(name.substr(7, 1), g.object(c).color);
  }
  run("ShowDifference");
  for (const GraphicsObject* o : children_of_type(ObjectType::line)) {
    if (o->display_name == "landmarks of mean 1") note("1", o->color);
  }
  ASSERT_EQ(colours.size(), 2u);
  EXPECT_EQ(colours["1"].size(), 1u);
  EXPECT_EQ(colours["2"].size(), 1u);
  EXPECT_NE(*colours["1"].begin(), *colours["2"].begin());
}

}  // namespace
}  // namespace velmora
