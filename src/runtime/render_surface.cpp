#include "runtime/render_surface.h"

#include <cairo.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "runtime/render_marks.h"

namespace velmora {
namespace {

constexpr float kNone = -std::numeric_limits<float>::infinity();
constexpr int kBand = 16;  // rows of pixels a band

// A surface ready to draw: its vertices in pixels, their depth and light.
struct Prepared {
  std::vector<float> x, y, z;
  std::vector<float> shade, glint;  // what the light makes of the colour: c shade + glint
  std::vector<float> value;         // on the colour key, when it has one; else every pixel is `colour`
  Eigen::Vector3f colour;
  std::array<double, 2> key{0, 1};
  const SurfaceShape* shape = nullptr;
  float alpha = 1;
};

Prepared prepare(const GraphicsObject& o, const GraphicsObject& axes, const AxesLayout& layout, double scale) {
  const SurfaceShape& s = *o.shape;
  const Eigen::Index n = s.vertices.rows(), m = s.triangles.rows();
  Prepared p;
  p.shape = &s;
  p.alpha = static_cast<float>(std::clamp(o.face_alpha, 0.0, 1.0));
  p.x.resize(n);
  p.y.resize(n);
  p.z.resize(n);
  p.shade.resize(n);
  p.glint.resize(n);
  p.colour =
      Eigen::Vector3f(static_cast<float>(o.color.r), static_cast<float>(o.color.g), static_cast<float>(o.color.b));
  // Vertices in the box's units, where the light and the view are given.
  Eigen::Matrix<double, Eigen::Dynamic, 3> box(n, 3);
  for (Eigen::Index v = 0; v < n; ++v)
    box.row(v) = (s.vertices.row(v) - layout.centre.transpose()).cwiseProduct(layout.scale.transpose());
  // Vertex normals: the sum of the normals of the triangles around each vertex,
  // weighted by their areas (the cross product's length).
  Eigen::Matrix<double, Eigen::Dynamic, 3> normal = Eigen::Matrix<double, Eigen::Dynamic, 3>::Zero(n, 3);
  for (Eigen::Index t = 0; t < m; ++t) {
    const int a = s.triangles(t, 0), b = s.triangles(t, 1), c = s.triangles(t, 2);
    const Eigen::RowVector3d ab = box.row(b) - box.row(a), ac = box.row(c) - box.row(a);
    const Eigen::RowVector3d f = ab.cross(ac);
    normal.row(a) += f;
    normal.row(b) += f;
    normal.row(c) += f;
  }
  const Eigen::Vector3d light = (layout.toward + 0.55 * layout.up - 0.4 * layout.right).normalized();
  const Eigen::Vector3d half = (light + layout.toward).normalized();
  const bool keyed = axes.colour_limits.has_value() && s.values.size() == n;
  if (keyed) {
    p.key = *axes.colour_limits;
    p.value.resize(n);
    for (Eigen::Index v = 0; v < n; ++v) p.value[v] = static_cast<float>(s.values(v));
  }
  tbb::parallel_for(Eigen::Index{0}, n, [&](Eigen::Index v) {
    const Eigen::Vector3d u = box.row(v).transpose();
    p.x[v] = static_cast<float>(scale * (layout.origin.x() + layout.units_per_box * u.dot(layout.right)));
    p.y[v] = static_cast<float>(scale * (layout.origin.y() - layout.units_per_box * u.dot(layout.up)));
    p.z[v] = static_cast<float>(u.dot(layout.toward));
    const double len = normal.row(v).norm();
    // Both sides are lit alike: the normal is turned towards the light.
    const double diffuse = len > 0 ? std::abs(normal.row(v).dot(light)) / len : 1;
    // The glint: the cosine to the half-way vector to the 40th power, by squaring.
    const double h = len > 0 ? std::abs(normal.row(v).dot(half)) / len : 0;
    const double h2 = h * h, h4 = h2 * h2, h8 = h4 * h4, h16 = h8 * h8, h32 = h16 * h16;
    const double glint = h32 * h8;
    p.shade[v] = static_cast<float>(0.28 + 0.72 * diffuse);
    p.glint[v] = static_cast<float>(0.18 * glint);
  });
  return p;
}

struct Buffers {
  int width, height;
  std::vector<float> depth, glass_depth;       // nearest opaque, nearest see-through fragment
  std::vector<Eigen::Vector3f> colour, glass;  // their colours
  std::vector<float> glass_alpha;
};

// Draws the triangles `list` of `s` into rows [row0, row1) of the buffers.
void fill(const Prepared& s, const std::vector<int>& list, int row0, int row1, Buffers& b) {
  const bool glass = s.alpha < 1;
  const auto& tri = s.shape->triangles;
  for (int t : list) {
    const int i0 = tri(t, 0), i1 = tri(t, 1), i2 = tri(t, 2);
    const float x0 = s.x[i0], y0 = s.y[i0], x1 = s.x[i1], y1 = s.y[i1], x2 = s.x[i2], y2 = s.y[i2];
    const float area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
    if (!(std::abs(area) > 1e-12f)) continue;
    const float inv = 1 / area;
    const int xa = std::max(0, static_cast<int>(std::floor(std::min({x0, x1, x2}))));
    const int xb = std::min(b.width - 1, static_cast<int>(std::ceil(std::max({x0, x1, x2}))));
    const int ya = std::max(row0, static_cast<int>(std::floor(std::min({y0, y1, y2}))));
    const int yb = std::min(row1 - 1, static_cast<int>(std::ceil(std::max({y0, y1, y2}))));
    for (int py = ya; py <= yb; ++py) {
      const float cy = py + 0.5f;
      for (int px = xa; px <= xb; ++px) {
        const float cx = px + 0.5f;
        // Barycentric weights of the pixel's centre; all of one sign inside.
        const float w0 = ((x1 - cx) * (y2 - cy) - (x2 - cx) * (y1 - cy)) * inv;
        const float w1 = ((x2 - cx) * (y0 - cy) - (x0 - cx) * (y2 - cy)) * inv;
        const float w2 = 1 - w0 - w1;
        if (w0 < 0 || w1 < 0 || w2 < 0) continue;
        const float z = w0 * s.z[i0] + w1 * s.z[i1] + w2 * s.z[i2];
        const std::size_t k = static_cast<std::size_t>(py) * b.width + px;
        if (z <= b.depth[k]) continue;
        // The value, not the colour, is interpolated, so a coarse mesh shows the key's colours too.
        Eigen::Vector3f base = s.colour;
        if (!s.value.empty()) {
          const Rgb k = colour_for_value(w0 * s.value[i0] + w1 * s.value[i1] + w2 * s.value[i2], s.key[0], s.key[1]);
          base = Eigen::Vector3f(static_cast<float>(k.r), static_cast<float>(k.g), static_cast<float>(k.b));
        }
        const float shade = w0 * s.shade[i0] + w1 * s.shade[i1] + w2 * s.shade[i2];
        const float glint = w0 * s.glint[i0] + w1 * s.glint[i1] + w2 * s.glint[i2];
        const Eigen::Vector3f c = (base * shade).array() + glint;
        if (glass) {
          if (z <= b.glass_depth[k]) continue;
          b.glass_depth[k] = z;
          b.glass[k] = c;
          b.glass_alpha[k] = s.alpha;
        } else {
          b.depth[k] = z;
          b.colour[k] = c;
        }
      }
    }
  }
}

}  // namespace

bool SurfaceDepth::hidden(const Eigen::Vector2d& at, double d) const {
  if (width == 0) return false;
  const int px = static_cast<int>(std::floor(at.x() * pixels_per_unit)),
            py = static_cast<int>(std::floor(at.y() * pixels_per_unit));
  if (px < 0 || py < 0 || px >= width || py >= height) return false;
  // A mark on the surface is drawn: only what lies a little way behind it is hidden.
  return depth[static_cast<std::size_t>(py) * width + px] > d + 0.02;
}

SurfaceImage rasterise_surfaces(const Graphics& graphics, const GraphicsObject& axes, const AxesLayout& layout,
                                double width, double height, double pixels_per_unit) {
  SurfaceImage out;
  std::vector<Prepared> surfaces;
  // Oldest first, as the lines are drawn; opaque ones before see-through ones.
  for (auto it = axes.children.rbegin(); it != axes.children.rend(); ++it) {
    const GraphicsObject& o = graphics.object(*it);
    if (o.type == ObjectType::surface && o.visible && o.shape && o.shape->triangles.rows() > 0 && o.face_alpha > 0)
      surfaces.push_back(prepare(o, axes, layout, pixels_per_unit));
  }
  if (surfaces.empty()) return out;
  std::stable_sort(surfaces.begin(), surfaces.end(),
                   [](const Prepared& a, const Prepared& b) { return (a.alpha < 1) < (b.alpha < 1); });
  Buffers b;
  b.width = std::max(1, static_cast<int>(std::ceil(width * pixels_per_unit)));
  b.height = std::max(1, static_cast<int>(std::ceil(height * pixels_per_unit)));
  const std::size_t pixels = static_cast<std::size_t>(b.width) * b.height;
  b.depth.assign(pixels, kNone);
  b.glass_depth.assign(pixels, kNone);
  b.colour.assign(pixels, Eigen::Vector3f::Zero());
  b.glass.assign(pixels, Eigen::Vector3f::Zero());
  b.glass_alpha.assign(pixels, 0);

  // Each triangle goes to the bands of rows its bounding box meets.
  const int bands = (b.height + kBand - 1) / kBand;
  std::vector<std::vector<std::vector<int>>> binned(surfaces.size(), std::vector<std::vector<int>>(bands));
  for (std::size_t k = 0; k < surfaces.size(); ++k) {
    const Prepared& s = surfaces[k];
    const auto& tri = s.shape->triangles;
    for (Eigen::Index t = 0; t < tri.rows(); ++t) {
      const float ya = std::min({s.y[tri(t, 0)], s.y[tri(t, 1)], s.y[tri(t, 2)]});
      const float yb = std::max({s.y[tri(t, 0)], s.y[tri(t, 1)], s.y[tri(t, 2)]});
      const float xa = std::min({s.x[tri(t, 0)], s.x[tri(t, 1)], s.x[tri(t, 2)]});
      const float xb = std::max({s.x[tri(t, 0)], s.x[tri(t, 1)], s.x[tri(t, 2)]});
      if (!(yb >= 0 && ya < b.height && xb >= 0 && xa < b.width)) continue;
      const int first = std::max(0, static_cast<int>(ya) / kBand),
                last = std::min(bands - 1, static_cast<int>(yb) / kBand);
      for (int band = first; band <= last; ++band) binned[k][band].push_back(static_cast<int>(t));
    }
  }
  tbb::parallel_for(0, bands, [&](int band) {
    const int row0 = band * kBand, row1 = std::min(b.height, row0 + kBand);
    for (std::size_t k = 0; k < surfaces.size(); ++k) fill(surfaces[k], binned[k][band], row0, row1, b);
  });

  out.width = b.width;
  out.height = b.height;
  out.argb.resize(pixels);
  tbb::parallel_for(std::size_t{0}, pixels, [&](std::size_t k) {
    const bool solid = b.depth[k] > kNone;
    const float a = b.glass_depth[k] > kNone ? b.glass_alpha[k] : 0;
    const Eigen::Vector3f under = solid ? b.colour[k] : Eigen::Vector3f::Zero();
    const float cover = solid ? 1 : a;  // premultiplied: colours already carry their coverage
    const Eigen::Vector3f c = a * b.glass[k] + (1 - a) * under;
    const auto byte = [](float v) { return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
    out.argb[k] = cover == 0 ? 0 : byte(cover) << 24 | byte(c.x()) << 16 | byte(c.y()) << 8 | byte(c.z());
  });
  out.depth.width = b.width;
  out.depth.height = b.height;
  out.depth.pixels_per_unit = pixels_per_unit;
  out.depth.depth = std::move(b.depth);
  return out;
}

SurfaceDepth draw_surfaces(cairo_t* cr, const Graphics& graphics, const GraphicsObject& axes, const AxesLayout& layout,
                           double width, double height, bool quick) {
  cairo_surface_t* target = cairo_get_target(cr);
  double unit_x = 1, unit_y = 0;
  cairo_user_to_device_distance(cr, &unit_x, &unit_y);
  const double device = std::hypot(unit_x, unit_y);
  const bool image = cairo_surface_get_type(target) == CAIRO_SURFACE_TYPE_IMAGE;
  // Two samples a pixel each way, averaged, smooth the edges of an image.
  const int samples = image && device < 2 && !quick ? 2 : 1;
  const double scale = image ? std::max(device, 0.25) * samples : 3;
  SurfaceImage picture = rasterise_surfaces(graphics, axes, layout, width, height, scale);
  if (picture.width == 0) return {};

  const int w = picture.width / samples, h = picture.height / samples;
  cairo_surface_t* raster = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  if (cairo_surface_status(raster) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(raster);
    return picture.depth;
  }
  cairo_surface_flush(raster);
  unsigned char* data = cairo_image_surface_get_data(raster);
  const int stride = cairo_image_surface_get_stride(raster);
  tbb::parallel_for(0, h, [&](int y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < w; ++x) {
      std::uint32_t sum[4] = {0, 0, 0, 0};
      for (int sy = 0; sy < samples; ++sy)
        for (int sx = 0; sx < samples; ++sx) {
          const std::uint32_t v =
              picture.argb[static_cast<std::size_t>(y * samples + sy) * picture.width + x * samples + sx];
          for (int c = 0; c < 4; ++c) sum[c] += (v >> (8 * c)) & 0xff;
        }
      const std::uint32_t count = static_cast<std::uint32_t>(samples * samples);
      std::uint32_t v = 0;
      for (int c = 0; c < 4; ++c) v |= ((sum[c] + count / 2) / count) << (8 * c);
      row[x] = v;
    }
  });
  cairo_surface_mark_dirty(raster);
  cairo_save(cr);
  cairo_scale(cr, samples / scale, samples / scale);
  cairo_set_source_surface(cr, raster, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(raster);
  return picture.depth;
}

}  // namespace velmora
