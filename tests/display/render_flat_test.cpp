// Flat plots: points land where the layout puts them in their colours (also
// from a colour key), filled runs are filled, equal units stay equal, and
// every format draws a window with two flat axes.
#include <cairo.h>
#include <gtest/gtest.h>

#include "runtime/flat_layout.h"
#include "runtime/render.h"
#include "runtime/render_marks.h"

namespace velmora {
namespace {

Rgb pixel(cairo_surface_t* s, const Eigen::Vector2d& at) {
  const unsigned char* row =
      cairo_image_surface_get_data(s) + static_cast<int>(at.y()) * cairo_image_surface_get_stride(s);
  const uint32_t p = reinterpret_cast<const uint32_t*>(row)[static_cast<int>(at.x())];
  return Rgb{((p >> 16) & 255) / 255.0, ((p >> 8) & 255) / 255.0, (p & 255) / 255.0};
}

bool near(const Rgb& a, const Rgb& b) {
  return std::abs(a.r - b.r) < 0.1 && std::abs(a.g - b.g) < 0.1 && std::abs(a.b - b.b) < 0.1;
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

  const std::string png = render_figure_bytes(g, figure, ImageFormat::png, w, h);
  struct Reader {
    const std::string* bytes;
    size_t at = 0;
  } reader{&png};
  cairo_surface_t* s = cairo_image_surface_create_from_png_stream(
      [](void* c, unsigned char* data, unsigned int length) {
        auto* r = static_cast<Reader*>(c);
        if (r->at + length > r->bytes->size()) return CAIRO_STATUS_READ_ERROR;
        std::copy_n(r->bytes->data() + r->at, length, data);
        r->at += length;
        return CAIRO_STATUS_SUCCESS;
      },
      &reader);
  ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
  EXPECT_TRUE(near(pixel(s, l.project(0, 0)), Rgb{1, 0, 0}));
  EXPECT_TRUE(near(pixel(s, l.project(2, 1)), Rgb{1, 0, 0}));
  EXPECT_TRUE(near(pixel(s, l.project(1, 0)), colour_for_value(1, 0, 1)));
  EXPECT_TRUE(near(pixel(s, l.project(0.5, 0.75)), Rgb{1, 1, 1}));
  EXPECT_TRUE(near(pixel(s, layouts[1].project(0.5, 2.5)), Rgb{0, 0.8, 0}));  // inside the bar
  cairo_surface_destroy(s);

  for (ImageFormat f : {ImageFormat::svg, ImageFormat::pdf, ImageFormat::eps})
    EXPECT_GT(render_figure_bytes(g, figure, f, w, h).size(), 500u);
}

}  // namespace
}  // namespace velmora
