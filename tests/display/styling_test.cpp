// Restyling the line objects of a set of axes.
#include <gtest/gtest.h>

#include "display/clf.h"
#include "display/incrementlinethickness.h"
#include "display/incrementsymbolsize.h"
#include "display/setsymbolfill.h"

namespace velmora {
namespace {

struct Plot {
  Graphics g;
  Handle axes = 0, cloud = 0, red_cloud = 0, wire = 0, label = 0;
  Plot() {
    g.new_figure();
    const Eigen::Vector3d x(0, 1, 2), y(0, 1, 0), z(1, 0, 0);
    cloud = g.plot3(x, y, z, "bo");
    axes = g.gca();
    g.hold(axes, true);
    red_cloud = g.plot3(x, y, z, "rs");
    wire = g.plot3(x.head<2>(), y.head<2>(), z.head<2>(), "k-.");
    label = g.text(0, 0, 0, "1");
  }
  const GraphicsObject& o(Handle h) const { return g.object(h); }
};

TEST(Incrementlinethickness, ChangesOnlyLinesDrawnWithALineStyle) {
  Plot p;
  const double cloud_width = p.o(p.cloud).line_width, wire_width = p.o(p.wire).line_width;
  EXPECT_TRUE(incrementlinethickness(p.g, p.axes, 1));
  EXPECT_EQ(p.o(p.wire).line_width, wire_width + 1);
  EXPECT_EQ(p.o(p.cloud).line_width, cloud_width);
  EXPECT_EQ(p.o(p.red_cloud).line_width, cloud_width);
  EXPECT_EQ(p.o(p.label).string, "1");
  EXPECT_TRUE(incrementlinethickness(p.g, p.axes, -1));
  EXPECT_EQ(p.o(p.wire).line_width, wire_width);
}

// A line at the thinnest stays there while the others are thinned; a line the
// step would take below the thinnest goes to it.
TEST(Incrementlinethickness, OnlyTheLinesAtTheThinnestAreLeft) {
  Plot p;
  p.g.hold(p.axes, true);
  const Handle thick = p.g.plot3(Eigen::Vector2d(0, 1), Eigen::Vector2d(0, 1), Eigen::Vector2d(0, 1), "g");
  const Handle one = p.g.plot3(Eigen::Vector2d(0, 1), Eigen::Vector2d(0, 1), Eigen::Vector2d(1, 1), "r");
  p.g.set(thick, "LineWidth", 3.5);
  p.g.set(one, "LineWidth", 1.0);
  ASSERT_EQ(p.o(p.wire).line_width, 0.5);
  EXPECT_TRUE(incrementlinethickness(p.g, p.axes, -1));
  EXPECT_EQ(p.o(thick).line_width, 2.5);
  EXPECT_EQ(p.o(one).line_width, 0.5);
  EXPECT_EQ(p.o(p.wire).line_width, 0.5);
  EXPECT_TRUE(incrementlinethickness(p.g, p.axes, -1));
  EXPECT_TRUE(incrementlinethickness(p.g, p.axes, -1));
  EXPECT_EQ(p.o(thick).line_width, 0.5);
  // Every line at the thinnest: the step changes nothing and says so.
  EXPECT_FALSE(incrementlinethickness(p.g, p.axes, -1));
  EXPECT_TRUE(incrementlinethickness(p.g, p.axes, 1));
  for (Handle h : {thick, one, p.wire}) EXPECT_EQ(p.o(h).line_width, 1.5);
}

TEST(Incrementsymbolsize, BiggerThenSmallerRestoresEveryLineObject) {
  Plot p;
  p.g.set(p.red_cloud, "MarkerSize", 9.0);
  std::vector<double> before;
  for (Handle h : {p.cloud, p.red_cloud, p.wire}) before.push_back(p.o(h).marker_size);
  EXPECT_TRUE(incrementsymbolsize(p.g, p.axes, 1));
  EXPECT_EQ(p.o(p.cloud).marker_size, before[0] + 1);
  EXPECT_EQ(p.o(p.red_cloud).marker_size, before[1] + 1);
  EXPECT_EQ(p.o(p.wire).marker_size, before[2] + 1);  // segments change too
  EXPECT_TRUE(incrementsymbolsize(p.g, p.axes, -1));
  std::vector<double> after;
  for (Handle h : {p.cloud, p.red_cloud, p.wire}) after.push_back(p.o(h).marker_size);
  EXPECT_EQ(after, before);
}

TEST(Incrementsymbolsize, OnlyTheMarkersAtTheSmallestAreLeft) {
  Plot p;
  p.g.set(p.cloud, "MarkerSize", 1.0);
  p.g.set(p.wire, "MarkerSize", 1.5);
  EXPECT_TRUE(incrementsymbolsize(p.g, p.axes, -1));
  EXPECT_EQ(p.o(p.cloud).marker_size, 1);
  EXPECT_EQ(p.o(p.wire).marker_size, 1);
  EXPECT_EQ(p.o(p.red_cloud).marker_size, 5);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(incrementsymbolsize(p.g, p.axes, -1));
  EXPECT_FALSE(incrementsymbolsize(p.g, p.axes, -1)) << "every marker at the smallest";
}

TEST(Setsymbolfill, FillsEachLineWithItsOwnColourAndEmptiesThemAgain) {
  Plot p;
  setsymbolfill(p.g, p.axes, 1);
  EXPECT_EQ(p.o(p.cloud).marker_face, (Rgb{0, 0, 1}));
  EXPECT_EQ(p.o(p.red_cloud).marker_face, (Rgb{1, 0, 0}));
  EXPECT_EQ(p.o(p.wire).marker_face, (Rgb{0, 0, 0}));
  setsymbolfill(p.g, p.axes, 0);
  for (Handle h : {p.cloud, p.red_cloud, p.wire}) EXPECT_FALSE(p.o(h).marker_face.has_value());
  EXPECT_EQ(std::get<std::string>(p.g.get(p.cloud, "MarkerFaceColor")), "none");
}

TEST(Styling, AxesWithoutChildrenChangeNothing) {
  Graphics g;
  g.new_figure();
  const Handle axes = g.gca();
  EXPECT_TRUE(incrementlinethickness(g, axes, -1));
  EXPECT_TRUE(incrementsymbolsize(g, axes, -1));
  setsymbolfill(g, axes, 1);
  EXPECT_TRUE(g.object(axes).children.empty());
}

TEST(Clf, EmptiesTheCurrentWindowAndKeepsItOpen) {
  Plot p;
  const Handle figure = p.g.current_figure();
  EXPECT_EQ(clf(p.g), figure);
  EXPECT_TRUE(p.g.is_handle(figure));
  EXPECT_TRUE(p.g.object(figure).children.empty());
  EXPECT_FALSE(p.g.is_handle(p.cloud));
}

}  // namespace
}  // namespace velmora
