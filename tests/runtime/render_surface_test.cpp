// Surfaces in pictures: the nearest surface covers the farther ones whatever
// their order, marks behind a surface are hidden, and a heat map's colours
// follow the values along the surface.
#include "runtime/render_surface.h"

#include <gtest/gtest.h>

#include <memory>

#include "runtime/render_layout.h"
#include "runtime/render_marks.h"

namespace velmora {
namespace {

// A square [x0, x0 + 1] x [0, 1] at height z, two triangles, values = x.
std::shared_ptr<SurfaceShape> square(double x0, double z, bool values = false) {
  auto s = std::make_shared<SurfaceShape>();
  s->vertices.resize(4, 3);
  s->vertices << x0, 0, z, x0 + 1, 0, z, x0 + 1, 1, z, x0, 1, z;
  s->triangles.resize(2, 3);
  s->triangles << 0, 1, 2, 0, 2, 3;
  if (values) s->values = s->vertices.col(0);
  return s;
}

struct Scene {
  Graphics g;
  Handle figure = g.new_figure();
  Handle axes = g.gca();
  Scene() {
    g.hold(axes, true);
    g.axis(axes, "equal");
  }
  // Looking straight down z (x right, y up), as [0 0 10] does.
  AxesLayout layout() {
    g.set_camera_position(axes, Eigen::Vector3d(0, 0, 10));
    return layout_axes(g, figure, 400, 400);
  }
  Eigen::Vector3f pixel(const SurfaceImage& image, const AxesLayout& layout, const Eigen::Vector3d& at) const {
    const Eigen::Vector2d p = layout.project(at);
    const std::uint32_t v = image.argb[static_cast<std::size_t>(p.y()) * image.width + static_cast<std::size_t>(p.x())];
    return Eigen::Vector3f((v >> 16) & 0xff, (v >> 8) & 0xff, v & 0xff) / 255.0f;
  }
};

TEST(RenderSurface, NearestSurfaceCoversWhateverTheOrder) {
  for (bool near_first : {true, false}) {
    Scene s;
    const Rgb red{1, 0, 0}, blue{0, 0, 1};
    if (near_first) s.g.surface(square(0, 1), red);
    s.g.surface(square(0.5, 0), blue);
    if (!near_first) s.g.surface(square(0, 1), red);
    const AxesLayout layout = s.layout();
    const SurfaceImage image = rasterise_surfaces(s.g, s.g.object(s.axes), layout, 400, 400, 1);
    const Eigen::Vector3f overlap = s.pixel(image, layout, {0.75, 0.5, 1}),
                          far = s.pixel(image, layout, {1.25, 0.5, 0});
    EXPECT_GT(overlap.x(), overlap.z() + 0.2f) << near_first;  // red over blue (and a trace of white light)
    EXPECT_GT(far.z(), far.x() + 0.2f) << near_first;
    EXPECT_EQ(image.argb[0], 0u);  // the corner of the picture: no surface, see-through
  }
}

TEST(RenderSurface, MarksBehindASurfaceAreHidden) {
  Scene s;
  s.g.surface(square(0, 0), Rgb{0.8, 0.8, 0.8});
  s.g.plot3(Eigen::Vector2d(0, 2), Eigen::Vector2d(0, 2), Eigen::Vector2d(-1, 1), "k.");  // sets the limits wider
  const AxesLayout layout = s.layout();
  const SurfaceImage image = rasterise_surfaces(s.g, s.g.object(s.axes), layout, 400, 400, 1);
  const auto hidden = [&](const Eigen::Vector3d& p) { return image.depth.hidden(layout.project(p), layout.depth(p)); };
  EXPECT_TRUE(hidden({0.5, 0.5, -0.5}));
  EXPECT_FALSE(hidden({0.5, 0.5, 0.5}));
  EXPECT_FALSE(hidden({0.5, 0.5, 0}));     // on the surface
  EXPECT_FALSE(hidden({1.5, 1.5, -0.5}));  // beside it
}

TEST(RenderSurface, HeatMapColoursFollowTheValues) {
  Scene s;
  s.g.surface(square(0, 0, true), Rgb{0.5, 0.5, 0.5});
  s.g.modify(s.axes, [](GraphicsObject& a) { a.colour_limits = std::array<double, 2>{0, 1}; });
  const AxesLayout layout = s.layout();
  const SurfaceImage image = rasterise_surfaces(s.g, s.g.object(s.axes), layout, 400, 400, 1);
  // A flat square is lit alike all over: each pixel is its value's key colour
  // times one shade plus one glint of white. Fit those two to the pixels; the
  // fit must leave nothing but rounding.
  const double xs[] = {0.1, 0.3, 0.5, 0.7, 0.9};
  Eigen::MatrixXd a(15, 2);
  Eigen::VectorXd b(15);
  for (int i = 0; i < 5; ++i) {
    const Eigen::Vector3f c = s.pixel(image, layout, {xs[i], 0.5, 0});
    const Rgb k = colour_for_value(xs[i], 0, 1);
    const double key[] = {k.r, k.g, k.b};
    for (int j = 0; j < 3; ++j) {
      a.row(3 * i + j) << key[j], 1;
      b(3 * i + j) = c(j);
    }
  }
  const Eigen::Vector2d fit = a.colPivHouseholderQr().solve(b);
  EXPECT_GT(fit(0), 0.3);
  EXPECT_LT((a * fit - b).cwiseAbs().maxCoeff(), 0.01);
}

}  // namespace
}  // namespace velmora
