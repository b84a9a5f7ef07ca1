// showshape3D, wireshape3D and the shape space by groups on the graphics model.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "display/shape_space_plot.h"
#include "display/showshape3D.h"
#include "display/wireshape3D.h"
#include "runtime/console.h"
#include "runtime/error.h"

namespace velmora {
namespace {

Eigen::MatrixXd triangle() {
  Eigen::MatrixXd x(4, 3);
  x << 0, 0, 0,  //
      1, 0, 0,   //
      0, 2, 0,   //
      0, 0, 3;
  return x;
}

std::vector<Handle> lines_of(const Graphics& g) {
  std::vector<Handle> out;
  const Handle figure = g.current_figure();
  for (Handle a : g.object(figure).children)
    for (Handle c : g.object(a).children)
      if (g.object(c).type == ObjectType::line) out.push_back(c);
  return out;
}

TEST(Showshape3D, OneLineObjectPerConfigurationThroughItsPointsInOrder) {
  Graphics g;
  Sample s(4, 3);
  for (int i = 0; i < 3; ++i) s.specimen(i) = triangle() * (i + 1);
  showshape3D(g, s, "bo");
  const auto lines = lines_of(g);
  ASSERT_EQ(lines.size(), 3u);
  // Children are kept newest first: the last one is specimen 1.
  for (int i = 0; i < 3; ++i) {
    const GraphicsObject& o = g.object(lines[2 - i]);
    EXPECT_EQ(o.x, triangle().col(0) * (i + 1));
    EXPECT_EQ(o.y, triangle().col(1) * (i + 1));
    EXPECT_EQ(o.z, triangle().col(2) * (i + 1));
    EXPECT_EQ(o.marker, "o");
    EXPECT_EQ(o.line_style, "none");
    EXPECT_EQ(o.color, (Rgb{0, 0, 1}));
  }
  const GraphicsObject& axes = g.object(g.object(g.current_figure()).children.front());
  EXPECT_TRUE(axes.hold);
  EXPECT_TRUE(axes.axis_equal);
}

TEST(Showshape3D, ASingleConfigurationIsOneLineObject) {
  Graphics g;
  showshape3D(g, Sample(triangle()), "r*");
  ASSERT_EQ(lines_of(g).size(), 1u);
  EXPECT_EQ(g.object(lines_of(g)[0]).x.size(), 4);
}

TEST(Showshape3D, FirstDrawingReplacesUnheldAxesThenEverythingAdds) {
  Graphics g;
  const Handle figure = g.new_figure();
  // Something drawn without hold: the next showshape3D replaces it.
  g.plot3(Eigen::Vector2d(0, 1), Eigen::Vector2d(0, 1), Eigen::Vector2d(0, 1), "g");
  g.text(0, 0, 0, "old");
  showshape3D(g, Sample(triangle()), "b*");
  EXPECT_EQ(g.object(g.axes_of(figure)).children.size(), 1u);
  // Drawing twice adds twice.
  showshape3D(g, Sample(triangle()), "b*");
  EXPECT_EQ(lines_of(g).size(), 2u);
  // After clearing, the first drawing starts afresh again.
  g.clf(figure);
  showshape3D(g, Sample(triangle()), "rp");
  ASSERT_EQ(lines_of(g).size(), 1u);
  EXPECT_EQ(g.object(lines_of(g)[0]).marker, "p");
}

TEST(Showshape3D, HiddenAxesStayHidden) {
  Graphics g;
  g.new_figure();
  g.axis(g.gca(), "off");
  showshape3D(g, Sample(triangle()), "b*");
  EXPECT_FALSE(g.object(g.gca()).axis_on);
}

TEST(Showshape3D, NothingToDrawIsAnError) {
  Graphics g;
  EXPECT_THROW(showshape3D(g, Sample(), "b*"), RuntimeError);
  // Points with x and y only have no z column to draw.
  EXPECT_THROW(showshape3D(g, Sample(Eigen::MatrixXd::Ones(4, 2)), "b*"), RuntimeError);
  EXPECT_TRUE(g.figures().empty()) << "nothing is drawn, not even a window opened";
}

TEST(Wireshape3D, SegmentsJoinTheLandmarksOfColumnsTwoAndThree) {
  Graphics g;
  CaptureConsole console;
  showshape3D(g, Sample(triangle()), "b*");
  Eigen::MatrixXd wire(3, 4);
  wire << 7, 1, 2, 9,  // column 1 and 4 are not read
      8, 2, 3, 9,      //
      9, 3, 4, 9;
  wireshape3D(g, console, triangle(), wire, "g");
  const auto lines = lines_of(g);
  ASSERT_EQ(lines.size(), 4u);
  const int ends[3][2] = {{0, 1}, {1, 2}, {2, 3}};
  for (int i = 0; i < 3; ++i) {
    const GraphicsObject& seg = g.object(lines[2 - i]);
    EXPECT_EQ(seg.x, Eigen::Vector2d(triangle()(ends[i][0], 0), triangle()(ends[i][1], 0)));
    EXPECT_EQ(seg.y, Eigen::Vector2d(triangle()(ends[i][0], 1), triangle()(ends[i][1], 1)));
    EXPECT_EQ(seg.z, Eigen::Vector2d(triangle()(ends[i][0], 2), triangle()(ends[i][1], 2)));
    EXPECT_EQ(seg.color, (Rgb{0, 1, 0}));
    EXPECT_EQ(seg.line_style, "-");
    EXPECT_EQ(seg.marker, "none");
  }
  EXPECT_EQ(console.text(), "m = 4\nn = 3\n");
}

TEST(Wireshape3D, DefaultSpecIsSolidBlue) {
  Graphics g;
  CaptureConsole console;
  g.new_figure();
  Eigen::MatrixXd wire(1, 3);
  wire << 1, 1, 4;
  wireshape3D(g, console, triangle(), wire);
  const GraphicsObject& seg = g.object(lines_of(g)[0]);
  EXPECT_EQ(seg.color, (Rgb{0, 0, 1}));
  EXPECT_EQ(seg.line_style, "-");
}

TEST(Wireshape3D, AnEmptyTableDrawsNothingButStillEchoes) {
  Graphics g;
  CaptureConsole console;
  g.new_figure();
  wireshape3D(g, console, triangle(), Eigen::MatrixXd(0, 3), "g");
  EXPECT_TRUE(lines_of(g).empty());
  EXPECT_EQ(console.text(), "m = 4\nn = 3\n");
}

TEST(Wireshape3D, BadRowsStopWithTheRowNamedAndEarlierSegmentsStay) {
  struct Case {
    double a, b;
    std::string says;
  };
  const std::string whole = "a landmark number must be a whole number", only = "has landmarks 1 to 4 only";
  for (const Case& c : {Case{1, 5, only}, Case{0, 2, only}, Case{-1, 2, only}, Case{1.5, 2, whole},
                        Case{2, 2.25, whole}, Case{std::nan(""), 2, whole}}) {
    Graphics g;
    CaptureConsole console;
    g.new_figure();
    Eigen::MatrixXd wire(3, 3);
    wire << 1, 1, 2,  //
        2, c.a, c.b,  //
        3, 3, 4;
    try {
      wireshape3D(g, console, triangle(), wire, "g");
      ADD_FAILURE() << "no error for row 2 = " << c.a << " " << c.b;
    } catch (const RuntimeError& e) {
      EXPECT_NE(std::string(e.what()).find("Wireframe row 2"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
    EXPECT_EQ(lines_of(g).size(), 1u);
  }
}

TEST(Wireshape3D, ATableWithTooFewColumnsIsRefusedAtRowOne) {
  Graphics g;
  CaptureConsole console;
  g.new_figure();
  try {
    wireshape3D(g, console, triangle(), Eigen::MatrixXd::Ones(2, 2), "g");
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("row 1"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(lines_of(g).empty());
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// The shape space by groups: a legend entry with its count, a colour and a
// marker per group, and the outline the user picked.
TEST(ShapeSpaceGroups, EachGroupHasItsEntryColourMarkerAndOutline) {
  for (const bool hulls : {false, true}) {
    Graphics g;
    const Handle f = g.new_figure();
    ShapeSpacePlot plot;
    plot.scores = Eigen::MatrixXd(7, 2);
    plot.scores << 0, 0, 1, 0, 1, 1, 0, 1, 0.5, 0.5, 3, 3, 4, 3;
    plot.sample = Eigen::VectorXi::Ones(7);
    plot.proportions = Eigen::Vector2d(0.8, 0.2);
    plot.group = {0, 0, 0, 0, 0, 1, 1};
    plot.group_names = {"a", "b"};
    plot.hulls = hulls;
    plot_shape_space(g, f, plot);
    std::vector<std::string> entries;
    std::vector<const GraphicsObject*> outlines;
    std::set<std::string> markers;
    for (Handle h : lines_of(g)) {
      const GraphicsObject& o = g.object(h);
      if (!o.display_name.empty()) entries.push_back(o.display_name), markers.insert(o.marker);
      if (o.marker == "none" && o.line_style == "-" && o.fill == std::nullopt && o.x.size() > 2) outlines.push_back(&o);
    }
    std::sort(entries.begin(), entries.end());  // children come newest first
    EXPECT_EQ(entries, (std::vector<std::string>{"a (5)", "b (2)"}));
    EXPECT_EQ(markers.size(), 2u);
    ASSERT_EQ(outlines.size(), 1u) << "a group of two has no outline";
    // The hull of group a is the unit square, closed; the ellipse passes outside it.
    if (hulls) {
      EXPECT_EQ(outlines[0]->x.size(), 5u);
      EXPECT_DOUBLE_EQ(outlines[0]->x.minCoeff(), 0);
      EXPECT_DOUBLE_EQ(outlines[0]->y.maxCoeff(), 1);
    } else {
      EXPECT_GT(outlines[0]->x.maxCoeff(), 1);
    }
  }
}

}  // namespace
}  // namespace velmora
