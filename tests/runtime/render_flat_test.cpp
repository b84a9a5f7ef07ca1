// Flat plots: points land where the layout puts them in their colours (also
// from a colour key), filled runs are filled, equal units stay equal, every
// format draws a window with two flat axes, and the legend and the key's name
// leave the data clear.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "runtime/flat_layout.h"
#include "runtime/render_layout.h"
#include "runtime/render.h"
#include "runtime/render_flat.h"
#include "runtime/render_marks.h"
#include "support/png_image.h"

namespace velmora {
namespace {

using testing::Image;
using testing::near;

// Whether two pictures have the same pixels within [x0, x1) × [y0, y1).
bool same_pixels(const Image& a, const Image& b, int x0, int y0, int x1, int y1) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (!near(a.at(x, y), b.at(x, y))) return false;
  return true;
}

TEST(RenderFlat, PointsFillsAndKeyedColoursLandOnTheirPixels) {
  Graphics g;
  const Handle figure = g.new_figure();
  const Handle left = g.add_axes(figure, {0.1, 0.1, 0.5, 0.8});
  g.modify(left, [](GraphicsObject& a) {
    a.flat = a.hold = a.axis_equal = true;
    a.colour_limits = std::array<double, 2>{0, 1};
  });
  const Handle red = g.plot3(Eigen::Vector2d(0, 2), Eigen::Vector2d(0, 1), Eigen::Vector2d::Zero(), "rs");
  g.modify(red, [](GraphicsObject& o) {
    o.marker_face = Rgb{1, 0, 0};
    o.marker_size = 10;
  });
  // A blue dot whose value on the key gives it the key's top colour instead.
  const Handle keyed = g.plot3(Eigen::Vector2d(1, 1), Eigen::Vector2d(0, 0), Eigen::Vector2d::Zero(), "b.");
  g.modify(keyed, [](GraphicsObject& o) {
    o.colour_values = Eigen::Vector2d(1, 1);
    o.marker_size = 18;
  });
  const Handle right = g.add_axes(figure, {0.7, 0.1, 0.25, 0.8});
  g.modify(right, [](GraphicsObject& a) { a.flat = a.hold = true; });
  Eigen::VectorXd x(5), y(5);
  x << 0, 1, 1, 0, 0;
  y << 0, 0, 5, 5, 0;
  const Handle bar = g.plot3(x, y, Eigen::VectorXd::Zero(5), "k-");
  g.modify(bar, [](GraphicsObject& o) { o.fill = Rgb{0, 0.8, 0}; });

  const int w = 500, h = 300;
  const auto layouts = layout_flat_axes(g, figure, w, h);
  ASSERT_EQ(layouts.size(), 2u);
  // Equal units: 2 across is twice 1 up.
  const FlatLayout& l = layouts[0];
  EXPECT_NEAR((l.project(2, 0) - l.project(0, 0)).norm(), 2 * (l.project(0, 1) - l.project(0, 0)).norm(), 1e-9);

  const Image s(render_figure_bytes(g, figure, ImageFormat::png, w, h));
  ASSERT_TRUE(s.ok());
  EXPECT_TRUE(near(s.at(l.project(0, 0)), Rgb{1, 0, 0}));
  EXPECT_TRUE(near(s.at(l.project(2, 1)), Rgb{1, 0, 0}));
  EXPECT_TRUE(near(s.at(l.project(1, 0)), colour_for_value(1, 0, 1)));
  EXPECT_TRUE(near(s.at(l.project(0.5, 0.75)), Rgb{1, 1, 1}));
  EXPECT_TRUE(near(s.at(layouts[1].project(0.5, 2.5)), Rgb{0, 0.8, 0}));  // inside the bar

  for (ImageFormat f : {ImageFormat::svg, ImageFormat::pdf, ImageFormat::eps})
    EXPECT_GT(render_figure_bytes(g, figure, f, w, h).size(), 500u);
}

TEST(RenderFlat, TheLegendAndTheKeysNameLeaveThePlotClear) {
  // A plot covered by lines (a deformation grid) with a colour key: its legend
  // goes beside it, and nothing written there reaches into the plot or its frame.
  Graphics g;
  const Handle figure = g.new_figure();
  const Handle axes = g.axes_of(figure);
  g.modify(axes, [](GraphicsObject& a) {
    a.flat = a.hold = a.axis_equal = true;
    a.colour_limits = std::array<double, 2>{0, 1};
    a.colour_label = "a rather long name of the key";
  });
  std::vector<Handle> named;
  for (int k = 0; k <= 20; ++k) {
    const double t = k / 20.0;
    named.push_back(g.plot3(Eigen::Vector2d(t, t), Eigen::Vector2d(0, 1), Eigen::Vector2d::Zero(), "k-"));
    g.plot3(Eigen::Vector2d(0, 1), Eigen::Vector2d(t, t), Eigen::Vector2d::Zero(), "k-");
  }
  const int w = 800, h = 600;
  const FlatLayout l = layout_flat_axes(g, figure, w, h).front();
  const int right = static_cast<int>(l.left + l.width);
  const Image bare(render_figure_bytes(g, figure, ImageFormat::png, w, h));
  for (int y = 0; y < h; ++y)  // the key's name stays clear of the frame
    for (int x = right + 2; x < right + 7; ++x) ASSERT_TRUE(near(bare.at(x, y), Rgb{1, 1, 1}));
  for (std::size_t i = 0; i < 2; ++i)
    g.modify(named[i], [&](GraphicsObject& o) { o.display_name = i == 0 ? "mean 1" : "mean 2 (x 10)"; });
  const Image named_lines(render_figure_bytes(g, figure, ImageFormat::png, w, h));
  EXPECT_TRUE(same_pixels(bare, named_lines, 0, 0, right + 4, h));
  EXPECT_FALSE(same_pixels(bare, named_lines, right + 4, 0, w, h));  // the legend is drawn

  // An SVG asked with real text has every word of the plot as a text element.
  g.modify(axes, [](GraphicsObject& a) { a.ylabel = "PC2 (8 %)"; });
  PlotExtras extras;
  extras.svg_text_elements = true;
  const std::string svg = render_figure_bytes(g, figure, ImageFormat::svg, w, h, std::nullopt, &extras);
  for (const char* text : {">mean 2 (x 10)</text>", ">a rather long name of the key</text>", ">0.4</text>"})
    EXPECT_NE(svg.find(text), std::string::npos) << text;
  const std::size_t y_name = svg.find(">PC2 (8 %)</text>");
  ASSERT_NE(y_name, std::string::npos);
  EXPECT_NE(svg.rfind("rotate(-90", y_name), std::string::npos);

  // Without a key, points in the upper right corner keep the legend off them.
  Graphics scatter;
  const Handle window = scatter.new_figure();
  scatter.modify(scatter.axes_of(window), [](GraphicsObject& a) { a.flat = a.hold = true; });
  Eigen::VectorXd x(6), y(6);
  x << 0, 10, 9, 9.5, 10, 9;
  y << 0, 10, 10, 9.5, 9, 9;
  const Handle points = scatter.plot3(x, y, Eigen::VectorXd::Zero(6), "bo");
  const FlatLayout s = layout_flat_axes(scatter, window, w, h).front();
  const Eigen::Vector2d corner = s.project(9, 10);
  const Image before(render_figure_bytes(scatter, window, ImageFormat::png, w, h));
  scatter.modify(points, [](GraphicsObject& o) { o.display_name = "sample 1 (6)"; });
  const Image after(render_figure_bytes(scatter, window, ImageFormat::png, w, h));
  EXPECT_TRUE(same_pixels(before, after, static_cast<int>(corner.x()) - 10, static_cast<int>(corner.y()) - 10,
                          static_cast<int>(s.left + s.width), static_cast<int>(corner.y() + 50)));
  EXPECT_FALSE(same_pixels(before, after, 0, 0, w, h));
}

// On a small page, with wide numbers, long names and a title, every word of a
// flat plot lies on the page: the frame moves in to make room, and a y name
// longer than the page is high is set smaller. Each word's extent comes from
// the renderer's own measure of it, at the size and turn the SVG gives it.
TEST(RenderFlat, TheAxesMakeRoomForTheirWordsOnAnyPage) {
  Graphics g;
  const Handle figure = g.new_figure();
  const Handle left = g.add_axes(figure, {0.05, 0.05, 0.4, 0.9});
  g.modify(left, [](GraphicsObject& a) {
    a.flat = a.hold = true;
    a.xlabel = "PC1 (45.2 %)";
    a.ylabel = "predicted line (PC1 of fitted values)";
  });
  g.plot3(Eigen::Vector2d(-0.0012345, 0.0031), Eigen::Vector2d(-0.00271, 0.0042), Eigen::Vector2d::Zero(), "bo");
  g.title("Shape space: PC1 against PC2");
  const Handle right = g.add_axes(figure, {0.5, 0.05, 0.45, 0.9});
  g.modify(right, [](GraphicsObject& a) {
    a.flat = a.hold = true;
    a.ylabel = "% of variance";
  });
  g.plot3(Eigen::Vector2d(1, 2), Eigen::Vector2d(10000, 25000), Eigen::Vector2d::Zero(), "k-");

  PlotExtras extras;
  extras.svg_text_elements = true;
  const std::regex element(
      R"re(<text x="([-0-9.]+)" y="([-0-9.]+)"[^>]*font-size="([0-9.]+)"([^>]*)>([^<]*)</text>)re");
  for (const auto& [w, h] : {std::pair{320, 200}, std::pair{640, 480}}) {
    const std::string svg = render_figure_bytes(g, figure, ImageFormat::svg, w, h, std::nullopt, &extras);
    int words = 0, turned = 0;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), element); it != std::sregex_iterator(); ++it) {
      const double x = std::stod((*it)[1]), y = std::stod((*it)[2]);
      const double font = std::stod((*it)[3]);
      const TextSize size = measure_plot_text((*it)[5], font / kDeviceUnitsPerPoint);
      const bool up = (*it)[4].str().find("rotate(-90") != std::string::npos;
      // The ink from the start of the baseline: along x, or upwards when turned.
      const double x0 = up ? x + size.y_bearing : x + size.x_bearing;
      const double x1 = up ? x0 + size.height : x0 + size.width;
      const double y1 = up ? y - size.x_bearing : y + size.y_bearing + size.height;
      const double y0 = up ? y1 - size.width : y + size.y_bearing;
      EXPECT_TRUE(x0 >= 0 && x1 <= w && y0 >= 0 && y1 <= h)
          << (*it)[5] << " on " << w << " by " << h << ": " << x0 << " " << x1 << " " << y0 << " " << y1;
      ++words;
      turned += up;
    }
    EXPECT_GT(words, 8);
    EXPECT_EQ(turned, 2);
    // The y numbers of the right plot stay clear of the left plot.
    const auto layouts = layout_flat_axes(g, figure, w, h);
    ASSERT_EQ(layouts.size(), 2u);
    EXPECT_GE(layouts[1].left - kYNameGap - layouts[1].y_numbers_width, layouts[0].left + layouts[0].width);
  }
}

// A legend row clicked off leaves out the lines that carry its name or go
// with it, and is greyed where it was; the row under the pointer is found
// where it is drawn, before and after.
TEST(RenderFlat, ALegendRowClickedOffLeavesItsLinesOutAndStaysPut) {
  Graphics g;
  const Handle window = g.new_figure();
  g.modify(g.axes_of(window), [](GraphicsObject& a) { a.flat = a.hold = true; });
  // Group a: red squares and a red line that goes with them; group b: blue circles.
  const Handle red = g.plot3(Eigen::Vector2d(0, 4), Eigen::Vector2d(0, 4), Eigen::Vector2d::Zero(), "rs");
  g.modify(red, [](GraphicsObject& o) {
    o.display_name = "a (2)";
    o.marker_size = 10;
    o.marker_face = Rgb{1, 0, 0};
  });
  const Handle line = g.plot3(Eigen::Vector2d(0, 4), Eigen::Vector2d(4, 0), Eigen::Vector2d::Zero(), "r-");
  g.modify(line, [](GraphicsObject& o) {
    o.legend_with = "a (2)";
    o.line_width = 3;
  });
  const Handle blue = g.plot3(Eigen::Vector2d(2, 3), Eigen::Vector2d(1, 1), Eigen::Vector2d::Zero(), "bo");
  g.modify(blue, [](GraphicsObject& o) {
    o.display_name = "b (2)";
    o.marker_size = 10;
    o.marker_face = Rgb{0, 0, 1};
  });

  const int w = 400, h = 300;
  const auto count = [&](const Image& image, const Rgb& colour) {
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) n += near(image.at(x, y), colour);
    return n;
  };
  // Where each row is found, scanning the page.
  const auto rows = [&](const std::vector<std::string>& hidden) {
    std::map<std::string, Eigen::Vector2d> at;
    std::map<std::string, int> hits;
    for (int y = 0; y < h; y += 3)
      for (int x = 0; x < w; x += 3)
        if (const auto label = flat_legend_label_at(g, window, w, h, hidden, Eigen::Vector2d(x, y))) {
          at.try_emplace(*label, Eigen::Vector2d::Zero()).first->second += Eigen::Vector2d(x, y);
          ++hits[*label];
        }
    for (auto& [label, sum] : at) sum /= hits[label];
    return at;
  };

  PlotExtras extras;
  const Image all(render_figure_bytes(g, window, ImageFormat::png, w, h, std::nullopt, &extras));
  const auto shown_rows = rows({});
  extras.hidden_names = {"a (2)"};
  const Image without_a(render_figure_bytes(g, window, ImageFormat::png, w, h, std::nullopt, &extras));
  const auto greyed_rows = rows(extras.hidden_names);

  EXPECT_GT(count(all, Rgb{1, 0, 0}), 100);
  EXPECT_EQ(count(without_a, Rgb{1, 0, 0}), 0);  // the squares, the line and the row's marker
  EXPECT_GT(count(without_a, Rgb{0, 0, 1}), 50);
  ASSERT_EQ(shown_rows.size(), 2u);
  EXPECT_LT(shown_rows.at("a (2)").y(), shown_rows.at("b (2)").y());
  ASSERT_EQ(greyed_rows.size(), 2u);
  for (const auto& [label, where] : shown_rows) EXPECT_LT((greyed_rows.at(label) - where).norm(), 1.0) << label;
}

}  // namespace
}  // namespace velmora
