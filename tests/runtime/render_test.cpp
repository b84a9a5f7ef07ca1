// Pictures of the graphics model: pixels where the markers project, a sound
// EPS bounding box, every format, and empty windows.
#include "runtime/render.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>

#include "runtime/error.h"
#include "runtime/render_layout.h"
#include "runtime/render_marks.h"
#include "support/png_image.h"

namespace velmora {
namespace {

using testing::Image;
using testing::near;

// Four filled markers seen from above with no axes: blue squares at three
// corners, a red one at the fourth, a green diamond in the middle.
struct TopView {
  Graphics g;
  Handle figure = 0, blue = 0, red = 0, green = 0;
  TopView(const std::string& spec_blue = "bs") {
    figure = g.new_figure();
    Eigen::Vector3d x(0, 2, 0), y(0, 0, 1), z(0, 0, 0);
    blue = g.plot3(x, y, z, spec_blue);
    const Handle axes = g.gca();
    g.hold(axes, true);
    g.axis(axes, "equal");
    red = g.plot3(Eigen::Matrix<double, 1, 1>(2), Eigen::Matrix<double, 1, 1>(1), Eigen::Matrix<double, 1, 1>(0), "rs");
    green =
        g.plot3(Eigen::Matrix<double, 1, 1>(1), Eigen::Matrix<double, 1, 1>(0.5), Eigen::Matrix<double, 1, 1>(0), "gd");
    for (Handle h : {blue, red, green}) {
      g.set(h, "MarkerFaceColor", g.get(h, "Color"));
      g.set(h, "MarkerSize", 10.0);
    }
    g.set_camera_position(axes, Eigen::Vector3d(0, 0, 10));
    g.axis(axes, "off");
  }
};

TEST(Render, MarkersLandOnTheirProjectedPixelsInTheirColours) {
  TopView v;
  const int w = 400, h = 300;
  const Image image(render_figure_bytes(v.g, v.figure, ImageFormat::png, w, h));
  ASSERT_TRUE(image.ok());
  ASSERT_EQ(image.width(), w);
  ASSERT_EQ(image.height(), h);
  const AxesLayout layout = layout_axes(v.g, v.figure, w, h);
  // From above: x to the right, y up the page.
  const Eigen::Vector2d origin = layout.project({0, 0, 0}), x_end = layout.project({2, 0, 0}),
                        y_end = layout.project({0, 1, 0});
  EXPECT_GT(x_end.x(), origin.x() + 50);
  EXPECT_NEAR(x_end.y(), origin.y(), 1e-6);
  EXPECT_LT(y_end.y(), origin.y() - 20);
  EXPECT_NEAR(y_end.x(), origin.x(), 1e-6);
  // Equal data units: 2 along x is twice 1 along y.
  EXPECT_NEAR((x_end - origin).norm(), 2 * (y_end - origin).norm(), 1e-6);

  struct Expect {
    Eigen::Vector3d point;
    Rgb colour;
  };
  for (const Expect& e : {Expect{{0, 0, 0}, {0, 0, 1}}, Expect{{2, 0, 0}, {0, 0, 1}}, Expect{{0, 1, 0}, {0, 0, 1}},
                          Expect{{2, 1, 0}, {1, 0, 0}}, Expect{{1, 0.5, 0}, {0, 1, 0}}}) {
    const Eigen::Vector2d p = layout.project(e.point);
    ASSERT_TRUE(p.x() > 3 && p.x() < w - 3 && p.y() > 3 && p.y() < h - 3);
    for (int dx : {-2, 0, 2})
      for (int dy : {-2, 0, 2}) {
        const Rgb got = image.at(static_cast<int>(p.x()) + dx, static_cast<int>(p.y()) + dy);
        EXPECT_TRUE(near(got, e.colour)) << "at " << e.point.transpose() << " got " << got.r << " " << got.g << " "
                                         << got.b;
      }
  }
  // Between the markers the page stays white.
  const Eigen::Vector2d between = layout.project({0.5, 0.25, 0});
  EXPECT_TRUE(near(image.at(static_cast<int>(between.x()), static_cast<int>(between.y())), Rgb{1, 1, 1}));
}

TEST(Render, HollowMarkersLeaveTheirMiddleWhite) {
  TopView v("bo");
  v.g.set(v.blue, "MarkerFaceColor", std::string("none"));
  v.g.set(v.blue, "MarkerSize", 20.0);
  v.g.set(v.blue, "LineWidth", 2.0);
  const Image image(render_figure_bytes(v.g, v.figure, ImageFormat::png, 400, 300));
  const AxesLayout layout = layout_axes(v.g, v.figure, 400, 300);
  const Eigen::Vector2d p = layout.project({0, 0, 0});
  EXPECT_TRUE(near(image.at(static_cast<int>(p.x()), static_cast<int>(p.y())), Rgb{1, 1, 1}));
  // The ring itself, 10 points (13.3 pixels) from the middle, is blue.
  const int ring = static_cast<int>(std::lround(p.x() + 20 * kDeviceUnitsPerPoint / 2));
  bool blue = false;
  for (int dx = -1; dx <= 1; ++dx) blue = blue || near(image.at(ring + dx, static_cast<int>(p.y())), Rgb{0, 0, 1});
  EXPECT_TRUE(blue);
}

TEST(Render, NearerMarkersAreDrawnOverFartherOnes) {
  // Looking from above, a red marker at z = 1 covers a blue one at z = 0, in
  // whichever order they were drawn.
  for (bool red_first : {true, false}) {
    Graphics g;
    const Handle figure = g.new_figure();
    const auto one = [](double v) { return Eigen::Matrix<double, 1, 1>(v); };
    auto draw_blue = [&] { return g.plot3(one(0), one(0), one(0), "bs"); };
    auto draw_red = [&] { return g.plot3(one(0), one(0), one(1), "rs"); };
    const Handle first = red_first ? draw_red() : draw_blue();
    g.hold(g.gca(), true);
    const Handle second = red_first ? draw_blue() : draw_red();
    for (Handle h : {first, second}) g.set(h, "MarkerFaceColor", g.get(h, "Color"));
    g.set_camera_position(g.gca(), Eigen::Vector3d(0, 0, 10));
    const Image image(render_figure_bytes(g, figure, ImageFormat::png, 200, 200));
    const Eigen::Vector2d p = layout_axes(g, figure, 200, 200).project({0, 0, 0});
    EXPECT_TRUE(near(image.at(static_cast<int>(p.x()), static_cast<int>(p.y())), Rgb{1, 0, 0})) << red_first;
  }
}

TEST(Render, DefaultViewPutsXToTheRightAndZUp) {
  Graphics g;
  const Handle figure = g.new_figure();
  g.plot3(Eigen::Vector2d(-1, 1), Eigen::Vector2d(-1, 1), Eigen::Vector2d(-1, 1), "b-");
  const AxesLayout l = layout_axes(g, figure, 560, 420);
  EXPECT_DOUBLE_EQ(l.azimuth, -37.5);
  EXPECT_DOUBLE_EQ(l.elevation, 30);
  EXPECT_GT(l.project({1, 0, 0}).x(), l.project({0, 0, 0}).x());
  EXPECT_LT(l.project({0, 1, 0}).x(), l.project({1, 1, 0}).x());
  EXPECT_LT(l.project({0, 0, 1}).y(), l.project({0, 0, 0}).y());
  EXPECT_NEAR(l.project({0, 0, 1}).x(), l.project({0, 0, 0}).x(), 1e-9);
  // The viewer sits at negative x and y, above.
  EXPECT_GT(l.depth({-1, -1, 1}), l.depth({1, 1, -1}));
}

TEST(Render, AnInteractiveViewOverridesTheCameraAndZooms) {
  TopView v;
  const AxesLayout camera = layout_axes(v.g, v.figure, 400, 300);
  const AxesLayout from_above = layout_axes(v.g, v.figure, 400, 300, RenderView{0, 90, 1});
  const AxesLayout zoomed = layout_axes(v.g, v.figure, 400, 300, RenderView{0, 90, 2});
  const AxesLayout turned = layout_axes(v.g, v.figure, 400, 300, RenderView{90, 0, 1});
  const Eigen::Vector2d centre = camera.project(camera.centre);
  for (const Eigen::Vector3d& p : {Eigen::Vector3d(0, 0, 0), Eigen::Vector3d(2, 1, 0), Eigen::Vector3d(1, 0, 0)}) {
    EXPECT_LT((camera.project(p) - from_above.project(p)).norm(), 1e-9);
    EXPECT_LT((zoomed.project(p) - centre - 2 * (camera.project(p) - centre)).norm(), 1e-9);
  }
  // Seen from +x (azimuth 90, elevation 0): y to the right, x towards the viewer.
  EXPECT_GT(turned.project({0, 1, 0}).x(), turned.project({0, 0, 0}).x());
  EXPECT_GT(turned.depth({2, 0, 0}), turned.depth({0, 0, 0}));
}

// The four numbers of "%%BoundingBox: a b c d".
std::array<double, 4> bounding_box(const std::string& eps) {
  std::smatch m;
  const std::regex re(R"(%%BoundingBox:\s*(-?\d+)\s+(-?\d+)\s+(-?\d+)\s+(-?\d+))");
  if (!std::regex_search(eps, m, re)) return {0, 0, 0, 0};
  return {std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])};
}

TEST(Render, EpsIsEncapsulatedVectorPostScriptBoundedAroundTheDrawing) {
  TopView v;
  const int w = 400, h = 300;
  const std::string eps = render_figure_bytes(v.g, v.figure, ImageFormat::eps, w, h);
  ASSERT_EQ(eps.rfind("%!PS-Adobe-3.0 EPSF-3.0", 0), 0u) << eps.substr(0, 40);
  EXPECT_NE(eps.find("%%EOF"), std::string::npos);
  EXPECT_EQ(eps.find("/ImageType"), std::string::npos) << "a bitmap inside the EPS";
  const auto box = bounding_box(eps);
  // PostScript counts y up from the bottom of the page.
  const AxesLayout layout = layout_axes(v.g, v.figure, w, h);
  const double half = 10 * kDeviceUnitsPerPoint / 2;
  double left = 1e9, right = -1e9, low = 1e9, high = -1e9;
  for (const Eigen::Vector3d& p : {Eigen::Vector3d(0, 0, 0), Eigen::Vector3d(2, 1, 0)}) {
    const Eigen::Vector2d d = layout.project(p);
    left = std::min(left, d.x() - half);
    right = std::max(right, d.x() + half);
    low = std::min(low, h - d.y() - half);
    high = std::max(high, h - d.y() + half);
  }
  EXPECT_LE(box[0], left);
  EXPECT_LE(box[1], low);
  EXPECT_GE(box[2], right);
  EXPECT_GE(box[3], high);
  // Tight: no more than the markers' edge lines beyond them.
  EXPECT_GE(box[0], left - 3);
  EXPECT_GE(box[1], low - 3);
  EXPECT_LE(box[2], right + 3);
  EXPECT_LE(box[3], high + 3);
}

TEST(Render, EveryFormatHasItsSignature) {
  TopView v;
  v.g.axis(v.g.gca(), "on");
  v.g.title("Semi-landmark Aligned Data");
  v.g.text(1, 0.5, 0, "3");
  struct Case {
    ImageFormat format;
    std::string start;
  };
  for (const Case& c : {Case{ImageFormat::png, "\x89PNG"}, Case{ImageFormat::svg, "<?xml"},
                        Case{ImageFormat::pdf, "%PDF-"}, Case{ImageFormat::eps, "%!PS-Adobe-3.0 EPSF-3.0"}}) {
    const std::string bytes = render_figure_bytes(v.g, v.figure, c.format, 320, 240);
    EXPECT_EQ(bytes.rfind(c.start, 0), 0u) << c.start;
  }
  const std::string svg = render_figure_bytes(v.g, v.figure, ImageFormat::svg, 320, 240);
  EXPECT_NE(svg.find("width=\"320"), std::string::npos);
}

TEST(Render, EmptyWindowsRenderAsABlankPage) {
  Graphics g;
  const Handle figure = g.new_figure();
  for (ImageFormat f : {ImageFormat::png, ImageFormat::svg, ImageFormat::pdf, ImageFormat::eps})
    EXPECT_FALSE(render_figure_bytes(g, figure, f, 100, 80).empty());
  const Image blank(render_figure_bytes(g, figure, ImageFormat::png, 100, 80));
  ASSERT_TRUE(blank.ok());
  EXPECT_TRUE(near(blank.at(50, 40), Rgb{1, 1, 1}));
  // Empty axes: the box of [0 1] with its ticks, and still an EPS with a box.
  g.gca();
  const Image box(render_figure_bytes(g, figure, ImageFormat::png, 100, 80));
  EXPECT_TRUE(box.ok());
  const auto bb = bounding_box(render_figure_bytes(g, figure, ImageFormat::eps, 100, 80));
  EXPECT_LT(bb[0], bb[2]);
  EXPECT_LT(bb[1], bb[3]);
  // A window without axes still gives a valid (page-sized) EPS box.
  g.clf(figure);
  const auto page = bounding_box(render_figure_bytes(g, figure, ImageFormat::eps, 100, 80));
  EXPECT_EQ(page, (std::array<double, 4>{0, 0, 100, 80}));
}

TEST(Render, AxisOnDrawsTheBoxAndAxisOffDoesNot) {
  TopView v;
  const auto count_dark = [&](const std::string& png) {
    const Image im(png);
    int dark = 0;
    for (int y = 0; y < im.height(); ++y)
      for (int x = 0; x < im.width(); ++x) {
        const Rgb c = im.at(x, y);
        if (c.r < 0.5 && c.g < 0.5 && c.b < 0.5) ++dark;
      }
    return dark;
  };
  const int off = count_dark(render_figure_bytes(v.g, v.figure, ImageFormat::png, 300, 240));
  v.g.axis(v.g.gca(), "on");
  const int on = count_dark(render_figure_bytes(v.g, v.figure, ImageFormat::png, 300, 240));
  EXPECT_EQ(off, 0);
  EXPECT_GT(on, 300);
}

TEST(Render, EveryMarkerAndLineStyleDraws) {
  for (const char* spec : {"k*", "ko", "ks", "kp", "k+", "kx", "k.", "kd", "k^", "kv", "k<", "k>", "kh", "k-", "k--",
                           "k:", "k-.", "k-o"}) {
    Graphics g;
    const Handle figure = g.new_figure();
    g.plot3(Eigen::Vector2d(0, 1), Eigen::Vector2d(0, 1), Eigen::Vector2d(0, 0), spec);
    g.axis(g.gca(), "off");
    g.set_camera_position(g.gca(), Eigen::Vector3d(0, 0, 10));
    const Image im(render_figure_bytes(g, figure, ImageFormat::png, 200, 150));
    ASSERT_TRUE(im.ok());
    int dark = 0;
    for (int y = 0; y < im.height(); ++y)
      for (int x = 0; x < im.width(); ++x) dark += im.at(x, y).r < 0.5;
    EXPECT_GT(dark, 3) << spec;
  }
}

// The ink of one text object alone in a window: its bounding box and its
// count of dark pixels.
struct Ink {
  int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1, pixels = 0;
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};

Ink text_ink(const std::vector<std::pair<std::string, PropertyValue>>& properties) {
  Graphics g;
  const Handle figure = g.new_figure();
  const Handle t = g.text(0, 0, 0, "Wireframe");
  g.axis(g.gca(), "off");
  for (const auto& [name, value] : properties) g.set(t, name, value);
  const std::string png = render_figure_bytes(g, figure, ImageFormat::png, 600, 600);
  const Image image(png);
  Ink ink;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const Rgb c = image.at(x, y);
      if (c.r + c.g + c.b > 1.5) continue;
      ++ink.pixels;
      ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
    }
  return ink;
}

TEST(Render, TextIsDrawnInItsFontSizeWeightAndRotation) {
  const Ink plain = text_ink({});
  ASSERT_GT(plain.pixels, 0);
  EXPECT_GT(plain.width(), plain.height());
  const Ink big = text_ink({{"FontSize", 30.0}});
  EXPECT_NEAR(static_cast<double>(big.width()) / plain.width(), 3, 0.3);
  EXPECT_GT(text_ink({{"FontWeight", std::string("bold")}}).pixels, plain.pixels * 1.15);
  const Ink turned = text_ink({{"Rotation", 90.0}});
  EXPECT_NEAR(turned.height(), plain.width(), 2);
  EXPECT_NEAR(turned.width(), plain.height(), 2);
  // Turned counterclockwise about its point: the text rises from where it
  // began; unturned, it stands a little right of its point.
  EXPECT_NEAR(turned.bottom, (plain.top + plain.bottom) / 2.0, 3);
  EXPECT_GT(plain.left, (turned.left + turned.right) / 2.0 + 2);
  EXPECT_NEAR((turned.left + turned.right) / 2.0, plain.left, 8);
}

TEST(Render, WritesThroughTheFileAndNamesFormatsByExtension) {
  TopView v;
  const auto dir = std::filesystem::temp_directory_path() / ("velmora-render-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto path = dir / "figure.eps";
  const auto bytes = write_figure(v.g, v.figure, ImageFormat::eps, path);
  EXPECT_EQ(bytes, std::filesystem::file_size(path));
  EXPECT_THROW(write_figure(v.g, v.figure, ImageFormat::png, dir / "missing" / "x.png"), RuntimeError);
  EXPECT_THROW(render_figure_bytes(v.g, 77, ImageFormat::png), RuntimeError);
  std::filesystem::remove_all(dir);

  EXPECT_EQ(format_for_path("a/b.png"), ImageFormat::png);
  EXPECT_EQ(format_for_path("b.SVG"), ImageFormat::svg);
  EXPECT_EQ(format_for_path("b.pdf"), ImageFormat::pdf);
  EXPECT_EQ(format_for_path("b.eps"), ImageFormat::eps);
  EXPECT_EQ(format_for_path("b.txt"), std::nullopt);
  EXPECT_EQ(format_for_path("eps"), std::nullopt);
}

// Text kept as SVG text keeps its font and its turn about its own start.
TEST(RenderExtras, SvgTextKeepsItsFontAndRotation) {
  Graphics g;
  const Handle figure = g.new_figure();
  const Handle t = g.text(0, 0, 0, "Wireframe");
  g.set(t, "FontName", std::string("DejaVu Serif"));
  g.set(t, "FontAngle", std::string("italic"));
  g.set(t, "FontWeight", std::string("bold"));
  g.set(t, "Rotation", 90.0);
  PlotExtras extras;
  extras.svg_text_elements = true;
  const std::string svg = render_figure_bytes(g, figure, ImageFormat::svg, 400, 300, std::nullopt, &extras);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(svg, m,
                                std::regex(R"re(<text x="([-0-9.]+)" y="([-0-9.]+)" font-family="DejaVu Serif" )re"
                                           R"re(font-size="[0-9.]+" fill="[^"]*" font-style="italic" )re"
                                           R"re(font-weight="bold" transform="rotate\(-90 ([-0-9.]+) ([-0-9.]+)\)">)re"
                                           R"re(Wireframe</text>)re")))
      << svg.substr(svg.rfind("<text"));
  EXPECT_EQ(m[1], m[3]);
  EXPECT_EQ(m[2], m[4]);
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// What an interactive view adds: the means over nearer specimens, labels that
// keep clear of each other, text kept as text in SVG, the pan, the quick picture.

TEST(RenderExtras, OnTopLinesAreDrawnOverNearerOnes) {
  // As above, the red marker is nearer; a blue one listed on top covers it.
  Graphics g;
  const Handle figure = g.new_figure();
  const auto one = [](double v) { return Eigen::Matrix<double, 1, 1>(v); };
  const Handle blue = g.plot3(one(0), one(0), one(0), "bs");
  g.hold(g.gca(), true);
  const Handle red = g.plot3(one(0), one(0), one(1), "rs");
  for (Handle h : {blue, red}) g.set(h, "MarkerFaceColor", g.get(h, "Color"));
  g.set_camera_position(g.gca(), Eigen::Vector3d(0, 0, 10));
  PlotExtras extras;
  extras.on_top = {blue};
  const Image image(render_figure_bytes(g, figure, ImageFormat::png, 200, 200, std::nullopt, &extras));
  const Eigen::Vector2d p = layout_axes(g, figure, 200, 200).project({0, 0, 0});
  EXPECT_TRUE(near(image.at(static_cast<int>(p.x()), static_cast<int>(p.y())), Rgb{0, 0, 1}));
}

// The <text> elements of an SVG picture: (text, x, y).
std::vector<std::tuple<std::string, double, double>> svg_texts(const std::string& svg) {
  std::vector<std::tuple<std::string, double, double>> out;
  const std::regex re(R"re(<text x="([-0-9.]+)" y="([-0-9.]+)"[^>]*>([^<]*)</text>)re");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), re); it != std::sregex_iterator(); ++it)
    out.emplace_back((*it)[3], std::stod((*it)[1]), std::stod((*it)[2]));
  return out;
}

TEST(RenderExtras, SvgKeepsTextAsTextAndLabelsKeepClearOfEachOther) {
  TopView v;
  v.g.hold(v.g.gca(), true);
  // Three landmark numbers on one point: each drawn there would overprint the
  // one before ("14" and "1" would read "141").
  std::vector<Handle> numbers;
  for (const char* s : {"14", "1", "12"}) numbers.push_back(v.g.text(1, 0.5, 0, s));
  PlotExtras extras;
  extras.svg_text_elements = true;
  extras.legend = {{"Sample 1", {0, 0, 1}, "s"}};
  const std::string svg = render_figure_bytes(v.g, v.figure, ImageFormat::svg, 400, 300, std::nullopt, &extras);
  const Eigen::Vector2d point = layout_axes(v.g, v.figure, 400, 300).project({1, 0.5, 0});

  // Each number's box (left, top, right, bottom) from its baseline and its extent as the renderer measures it.
  std::vector<Eigen::Vector4d> boxes;
  for (const auto& [text, x, y] : svg_texts(svg))
    for (Handle h : numbers)
      if (v.g.object(h).string == text) {
        const TextSize size = measure_text_object(v.g.object(h));
        boxes.emplace_back(x, y - size.height, x + size.width, y);
      }
  ASSERT_EQ(boxes.size(), 3u);
  for (size_t i = 0; i < boxes.size(); ++i) {
    // Beside its point, not on it.
    EXPECT_FALSE(point.x() >= boxes[i](0) && point.x() <= boxes[i](2) && point.y() >= boxes[i](1) &&
                 point.y() <= boxes[i](3))
        << i;
    for (size_t j = i + 1; j < boxes.size(); ++j) {
      const bool apart = boxes[i](2) <= boxes[j](0) || boxes[j](2) <= boxes[i](0) || boxes[i](3) <= boxes[j](1) ||
                         boxes[j](3) <= boxes[i](1);
      EXPECT_TRUE(apart) << i << " " << j;
    }
  }
  const auto texts = svg_texts(svg);
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const auto& t) { return std::get<0>(t) == "Sample 1"; }));
}

TEST(RenderExtras, AxisNamesFollowTheirAxes) {
  Graphics g;
  const Handle figure = g.new_figure();
  g.plot3(Eigen::Vector2d(-1, 1), Eigen::Vector2d(-1, 1), Eigen::Vector2d(-1, 1), "b-");
  PlotExtras extras;
  extras.axis_names = true;
  extras.svg_text_elements = true;
  std::map<std::string, Eigen::Vector2d> at;
  for (const auto& [text, x, y] :
       svg_texts(render_figure_bytes(g, figure, ImageFormat::svg, 560, 420, std::nullopt, &extras)))
    at[text] = {x, y};
  ASSERT_TRUE(at.count("x") && at.count("y") && at.count("z"));
  const AxesLayout l = layout_axes(g, figure, 560, 420);
  // z is named at the left edge, x and y below the box.
  EXPECT_LT(at["z"].x(), l.project({-1, -1, 0}).x());
  EXPECT_GT(at["x"].y(), l.project({0, -1, -1}).y());
}

TEST(RenderExtras, PanMovesThePictureAndZoomKeepsItsCentre) {
  TopView v;
  const RenderView plain{0, 90, 1}, moved{0, 90, 1, 30, -20}, zoomed{0, 90, 3, 30, -20};
  const AxesLayout a = layout_axes(v.g, v.figure, 400, 300, plain), b = layout_axes(v.g, v.figure, 400, 300, moved),
                   c = layout_axes(v.g, v.figure, 400, 300, zoomed);
  for (const Eigen::Vector3d& p : {Eigen::Vector3d(0, 0, 0), Eigen::Vector3d(2, 1, 0)}) {
    EXPECT_LT((b.project(p) - a.project(p) - Eigen::Vector2d(30, -20)).norm(), 1e-9);
    EXPECT_LT((c.project(p) - b.zoom_centre - 3 * (b.project(p) - b.zoom_centre)).norm(), 1e-9);
  }
}

TEST(RenderExtras, QuickPictureDotsLandWhereTheMarkersAre) {
  TopView v;
  const int w = 400, h = 300;
  std::vector<unsigned char> pixels(4 * w * h);
  PlotExtras extras;
  extras.highlight = {{Eigen::RowVector3d(0, 1, 0), Rgb{1, 0.55, 0}}};
  render_preview(pixels.data(), w, h, 4 * w, 1.0, v.g, v.figure, std::nullopt, &extras);
  auto at = [&](const Eigen::Vector2d& p) {
    const auto* row = reinterpret_cast<const uint32_t*>(pixels.data() + static_cast<int>(p.y()) * 4 * w);
    const uint32_t c = row[static_cast<int>(p.x())];
    return Rgb{((c >> 16) & 255) / 255.0, ((c >> 8) & 255) / 255.0, (c & 255) / 255.0};
  };
  const AxesLayout layout = layout_axes(v.g, v.figure, w, h);
  EXPECT_TRUE(near(at(layout.project({0, 0, 0})), Rgb{0, 0, 1}));
  EXPECT_TRUE(near(at(layout.project({2, 1, 0})), Rgb{1, 0, 0}));
  EXPECT_TRUE(near(at(layout.project({0, 1, 0})), Rgb{1, 0.55, 0}));  // the highlight over the blue marker
  EXPECT_TRUE(near(at(layout.project({0.5, 0.25, 0})), Rgb{1, 1, 1}));
}

}  // namespace
}  // namespace velmora
