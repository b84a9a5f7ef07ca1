// The quick picture drawn while a view is being dragged: markers as dots
// written straight into the image, lines and the axes box with Cairo, no text.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "runtime/render.h"
#include "runtime/render_layout.h"
#include "runtime/render_surface.h"

namespace velmora {
namespace {

std::uint32_t argb(const Rgb& c) {
  auto channel = [](double v) { return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
  return 0xff000000u | channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
}

struct Canvas {
  unsigned char* pixels;
  int width, height, stride;

  // A square dot of `size` pixels centred at (x, y).
  void dot(double x, double y, int size, std::uint32_t colour) const {
    const int x0 = static_cast<int>(std::lround(x)) - size / 2, y0 = static_cast<int>(std::lround(y)) - size / 2;
    const int x1 = std::min(width, x0 + size), y1 = std::min(height, y0 + size);
    for (int j = std::max(0, y0); j < y1; ++j) {
      auto* row = reinterpret_cast<std::uint32_t*>(pixels + static_cast<std::ptrdiff_t>(j) * stride);
      for (int i = std::max(0, x0); i < x1; ++i) row[i] = colour;
    }
  }
};

bool has_marker(const GraphicsObject& o) { return !o.marker.empty() && o.marker != "none"; }
bool has_line(const GraphicsObject& o) { return !o.line_style.empty() && o.line_style != "none"; }

void dots(const Canvas& canvas, const AxesLayout& layout, const GraphicsObject& o, double scale, int extra) {
  const Eigen::Index n = std::min({o.x.size(), o.y.size(), o.z.size()});
  const int size = std::clamp(static_cast<int>(std::lround(o.marker_size * kDeviceUnitsPerPoint * scale * 0.5)), 2, 8);
  const std::uint32_t colour = argb(o.color);
  // The projection of layout.project, unrolled: this loop runs once a point.
  const Eigen::Vector3d right = layout.right.cwiseProduct(layout.scale) * layout.units_per_box;
  const Eigen::Vector3d up = layout.up.cwiseProduct(layout.scale) * layout.units_per_box;
  const double cx = layout.origin.x() - right.dot(layout.centre), cy = layout.origin.y() + up.dot(layout.centre);
  for (Eigen::Index i = 0; i < n; ++i) {
    const double x = o.x(i), y = o.y(i), z = o.z(i);
    if (!(std::isfinite(x) && std::isfinite(y) && std::isfinite(z))) continue;
    const double px = cx + right.x() * x + right.y() * y + right.z() * z;
    const double py = cy - (up.x() * x + up.y() * y + up.z() * z);
    canvas.dot(px * scale, py * scale, size + extra, colour);
  }
}

}  // namespace

void render_preview(unsigned char* pixels, int width, int height, int stride, double scale, const Graphics& graphics,
                    Handle figure, const std::optional<RenderView>& view, const PlotExtras* extras) {
  const Canvas canvas{pixels, width, height, stride};
  for (int j = 0; j < height; ++j) std::memset(pixels + static_cast<std::ptrdiff_t>(j) * stride, 0xff, 4 * width);
  auto lock = graphics.lock();
  if (!graphics.is_handle(figure)) return;
  const AxesLayout layout = layout_axes(graphics, figure, width / scale, height / scale, view);
  if (layout.axes == 0 || !graphics.object(figure).visible) return;
  const GraphicsObject& axes = graphics.object(layout.axes);
  const PlotExtras none;
  const PlotExtras& more = extras != nullptr ? *extras : none;
  auto on_top = [&](Handle h) { return std::find(more.on_top.begin(), more.on_top.end(), h) != more.on_top.end(); };
  auto shown = [&](const GraphicsObject& o) {
    return o.type == ObjectType::line && o.visible &&
           std::find(more.hidden.begin(), more.hidden.end(), o.handle) == more.hidden.end();
  };

  cairo_surface_t* surface = cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_ARGB32, width, height, stride);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  if (axes.axis_on && axes.visible) {
    cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
    cairo_set_line_width(cr, 0.5 * kDeviceUnitsPerPoint);
    for (int bits = 0; bits < 8; ++bits)
      for (int k = 0; k < 3; ++k) {
        if ((bits >> k) & 1) continue;
        Eigen::Vector3d a, b;
        for (int c = 0; c < 3; ++c) a(c) = (bits >> c) & 1 ? layout.upper(c) : layout.lower(c);
        b = a;
        b(k) = layout.upper(k);
        const Eigen::Vector2d pa = layout.project(a), pb = layout.project(b);
        cairo_move_to(cr, pa.x(), pa.y());
        cairo_line_to(cr, pb.x(), pb.y());
      }
    cairo_stroke(cr);
  }
  // Surfaces as in the full picture, one sample a pixel.
  draw_surfaces(cr, graphics, axes, layout, width / scale, height / scale, true);
  cairo_surface_flush(surface);

  // Oldest first, as the full picture draws at equal depth; the `on_top` lines last.
  for (auto it = axes.children.rbegin(); it != axes.children.rend(); ++it) {
    const GraphicsObject& o = graphics.object(*it);
    if (shown(o) && has_marker(o) && !on_top(o.handle)) dots(canvas, layout, o, scale, 0);
  }
  cairo_surface_mark_dirty(surface);
  for (auto it = axes.children.rbegin(); it != axes.children.rend(); ++it) {
    const GraphicsObject& o = graphics.object(*it);
    if (!shown(o) || !has_line(o)) continue;
    const Eigen::Index n = std::min({o.x.size(), o.y.size(), o.z.size()});
    cairo_new_path(cr);
    for (Eigen::Index i = 0; i < n; ++i) {
      const Eigen::Vector2d p = layout.project(Eigen::Vector3d(o.x(i), o.y(i), o.z(i)));
      if (!p.allFinite()) {
        cairo_new_sub_path(cr);
        continue;
      }
      if (i == 0)
        cairo_move_to(cr, p.x(), p.y());
      else
        cairo_line_to(cr, p.x(), p.y());
    }
    cairo_set_source_rgb(cr, o.color.r, o.color.g, o.color.b);
    cairo_set_line_width(cr, o.line_width * kDeviceUnitsPerPoint);
    cairo_stroke(cr);
  }
  // Surfaces as in the full picture, one sample a pixel.
  draw_surfaces(cr, graphics, axes, layout, width / scale, height / scale, true);
  cairo_surface_flush(surface);
  for (auto it = axes.children.rbegin(); it != axes.children.rend(); ++it) {
    const GraphicsObject& o = graphics.object(*it);
    if (shown(o) && has_marker(o) && on_top(o.handle)) dots(canvas, layout, o, scale, 2);
  }
  for (const PointOverlay& overlay : more.highlight) {
    GraphicsObject o;
    if (overlay.points.cols() < 3) continue;
    o.x = overlay.points.col(0);
    o.y = overlay.points.col(1);
    o.z = overlay.points.col(2);
    o.color = overlay.color;
    dots(canvas, layout, o, scale, 3);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

}  // namespace velmora
