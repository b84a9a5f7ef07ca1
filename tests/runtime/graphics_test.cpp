// The graphics object model: windows, hold, line specs and properties.
#include "runtime/graphics.h"

#include <gtest/gtest.h>

#include "runtime/error.h"

namespace velmora {
namespace {

Eigen::VectorXd v3(double a, double b, double c) { return Eigen::Vector3d(a, b, c); }

TEST(LineSpecTest, ColoursMarkersAndStyles) {
  LineSpec s = parse_line_spec("r*");
  EXPECT_EQ(s.color, (Rgb{1, 0, 0}));
  EXPECT_EQ(s.marker, "*");
  EXPECT_EQ(s.line_style, "none") << "a marker alone draws no line";
  s = parse_line_spec("k-.");
  EXPECT_EQ(s.color, (Rgb{0, 0, 0}));
  EXPECT_EQ(s.line_style, "-.");
  EXPECT_EQ(s.marker, "none");
  s = parse_line_spec("g");
  EXPECT_EQ(s.line_style, "-");
  s = parse_line_spec("b--o");
  EXPECT_EQ(s.line_style, "--");
  EXPECT_EQ(s.marker, "o");
  EXPECT_THROW(parse_line_spec("q"), RuntimeError);
  EXPECT_THROW(parse_line_spec("r**"), RuntimeError);
}

TEST(GraphicsTest, FiguresTakeTheLowestFreeHandleAndCloseRestoresTheLastCurrent) {
  Graphics g;
  const Handle main = g.add_main_window({10, 20, 300, 400}, "pixels");
  EXPECT_EQ(g.current_figure(), main);
  EXPECT_EQ(g.new_figure(), 1);
  EXPECT_EQ(g.new_figure(), 2);
  g.close(1);
  EXPECT_EQ(g.current_figure(), 2);
  EXPECT_EQ(g.new_figure(), 1);
  g.figure(main);
  g.close(1);
  EXPECT_EQ(g.current_figure(), main);
  EXPECT_THROW(g.figure(1), RuntimeError);
}

TEST(GraphicsTest, HoldDecidesWhetherDrawingReplaces) {
  Graphics g;
  g.new_figure();
  Handle first = g.plot3(v3(0, 1, 2), v3(0, 1, 2), v3(0, 0, 0), "bo");
  Handle axes = g.gca();
  Handle second = g.plot3(v3(0, 1, 2), v3(0, 1, 2), v3(0, 0, 0), "r*");
  EXPECT_FALSE(g.is_handle(first)) << "unheld axes are replaced";
  g.hold(axes, true);
  Handle third = g.plot3(v3(0, 1, 2), v3(0, 1, 2), v3(0, 0, 0), "g");
  const auto& children = g.object(axes).children;
  ASSERT_EQ(children.size(), 2u);
  EXPECT_EQ(children[0], third) << "children are newest first";
  EXPECT_EQ(children[1], second);
  g.clf(g.current_figure());
  EXPECT_FALSE(g.is_handle(axes));
  EXPECT_FALSE(g.object(g.gca()).hold) << "fresh axes after clearing do not hold";
}

TEST(GraphicsTest, PropertiesByName) {
  Graphics g;
  g.new_figure();
  Handle line = g.plot3(v3(0, 1, 2), v3(0, 1, 2), v3(0, 0, 0), "bo");
  EXPECT_EQ(std::get<std::string>(g.get(line, "Type")), "line");
  EXPECT_EQ(std::get<std::string>(g.get(line, "linestyle")), "none");
  EXPECT_EQ(std::get<std::string>(g.get(line, "MarkerFaceColor")), "none");
  g.set(line, "MarkerFaceColor", std::get<Rgb>(g.get(line, "Color")));
  EXPECT_EQ(std::get<Rgb>(g.get(line, "MarkerFaceColor")), (Rgb{0, 0, 1}));
  g.set(line, "MarkerSize", 7.0);
  EXPECT_EQ(std::get<double>(g.get(line, "MarkerSize")), 7.0);
  EXPECT_THROW(g.set(line, "LineWidth", 0.0), RuntimeError);
  Handle t = g.text(1, 2, 3, "7");
  EXPECT_EQ(std::get<std::string>(g.get(t, "Type")), "text");
  EXPECT_EQ(std::get<std::string>(g.get(t, "String")), "7");
  Handle title = g.title("Semi-landmark Aligned Data");
  EXPECT_EQ(g.object(g.gca()).children.size(), 2u) << "the title is not among the children";
  EXPECT_EQ(g.object(title).string, "Semi-landmark Aligned Data");
}

TEST(GraphicsTest, TextObjectsTakeTheirFontAndRotation) {
  Graphics g;
  g.new_figure();
  const Handle line = g.plot3(v3(0, 1, 2), v3(0, 1, 2), v3(0, 0, 0), "bo");
  g.hold(g.gca(), true);
  const Handle t = g.text(0, 0, 0, "1");
  EXPECT_EQ(std::get<double>(g.get(t, "FontSize")), 10);
  EXPECT_EQ(std::get<double>(g.get(g.title("x"), "FontSize")), 11) << "a title is a little larger";
  struct Case {
    std::string property;
    PropertyValue value, read_back;
    bool ok;
  };
  const std::vector<Case> cases = {
      {"FontSize", 20.0, 20.0, true},
      {"FontSize", 0.0, {}, false},
      {"FontSize", std::string("big"), {}, false},
      {"FontName", std::string("DejaVu Serif"), std::string("DejaVu Serif"), true},
      {"FontName", std::string(""), {}, false},
      {"FontAngle", std::string("Italic"), std::string("italic"), true},
      {"FontAngle", std::string("sideways"), {}, false},
      {"FontWeight", std::string("bold"), std::string("bold"), true},
      {"FontWeight", std::string("heavy"), {}, false},
      {"Rotation", 90.0, 90.0, true},
      {"Rotation", std::nan(""), {}, false},
  };
  for (const Case& c : cases) {
    if (!c.ok) {
      EXPECT_THROW(g.set(t, c.property, c.value), RuntimeError) << c.property;
      continue;
    }
    g.set(t, c.property, c.value);
    EXPECT_EQ(g.get(t, c.property), c.read_back) << c.property;
    EXPECT_THROW(g.set(line, c.property, c.value), RuntimeError) << "a line has no " << c.property;
  }
}

TEST(GraphicsTest, ListenerHearsOpenClearAndClose) {
  Graphics g;
  std::vector<std::pair<Handle, FigureEvent>> heard;
  g.set_listener([&](Handle h, FigureEvent e) {
    if (e != FigureEvent::changed) heard.emplace_back(h, e);
  });
  Handle f = g.new_figure();
  g.clf(f);
  g.close(f);
  ASSERT_EQ(heard.size(), 3u);
  EXPECT_EQ(heard[0].second, FigureEvent::opened);
  EXPECT_EQ(heard[1].second, FigureEvent::cleared);
  EXPECT_EQ(heard[2].second, FigureEvent::closed);
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

TEST(GraphicsTest, ACopyOfAFigureKeepsItsHandlesAndStaysAsItWas) {
  Graphics g;
  const Handle other = g.new_figure();
  const Handle f = g.new_figure();
  const Handle line = g.plot3(Eigen::Vector2d(0, 1), Eigen::Vector2d(0, 1), Eigen::Vector2d(0, 1), "bo");
  const Handle title = g.title("A title");
  const auto copy = g.copy_figure(f);
  g.set(line, "MarkerSize", 20.0);
  g.close(f);
  ASSERT_TRUE(copy->is_handle(line));
  EXPECT_EQ(std::get<double>(copy->get(line, "MarkerSize")), 6.0);
  EXPECT_EQ(copy->object(title).string, "A title");
  EXPECT_FALSE(copy->is_handle(other));
  EXPECT_EQ(copy->figures(), std::vector<Handle>{f});
  EXPECT_THROW(g.copy_figure(f), RuntimeError);
}

}  // namespace
}  // namespace velmora
