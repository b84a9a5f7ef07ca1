#include "runtime/render_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "runtime/render_marks.h"

namespace velmora {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A step of 1, 2 or 5 times a power of ten giving about five intervals.
double nice_step(double range) {
  const double raw = range / 5;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double f = raw / magnitude;
  const double nice = f < 1.5 ? 1 : f < 3 ? 2 : f < 7 ? 5 : 10;
  return nice * magnitude;
}

struct Extent {
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  void add(double v) {
    if (!std::isfinite(v)) return;
    low = std::min(low, v);
    high = std::max(high, v);
  }
  bool empty() const { return !(low <= high); }
};

Handle first_axes(const Graphics& graphics, Handle figure) {
  if (!graphics.is_handle(figure)) return 0;
  for (Handle c : graphics.object(figure).children)
    if (graphics.object(c).type == ObjectType::axes) return c;
  return 0;
}

}  // namespace

Eigen::Vector2d AxesLayout::project(const Eigen::Vector3d& p) const {
  const Eigen::Vector3d u = (p - centre).cwiseProduct(scale);
  return {origin.x() + units_per_box * u.dot(right), origin.y() - units_per_box * u.dot(up)};
}

double AxesLayout::depth(const Eigen::Vector3d& p) const { return (p - centre).cwiseProduct(scale).dot(toward); }

AxesLayout layout_axes(const Graphics& graphics, Handle figure, double width, double height,
                       const std::optional<RenderView>& view) {
  auto lock = graphics.lock();
  AxesLayout out;
  out.axes = first_axes(graphics, figure);

  // Limits: the data of the lines, else of the texts, else [0 1].
  std::array<Extent, 3> lines, texts;
  if (out.axes != 0) {
    for (Handle c : graphics.object(out.axes).children) {
      const GraphicsObject& o = graphics.object(c);
      if (o.type == ObjectType::line) {
        const Eigen::Index n = std::min({o.x.size(), o.y.size(), o.z.size()});
        for (Eigen::Index i = 0; i < n; ++i) {
          if (!(std::isfinite(o.x(i)) && std::isfinite(o.y(i)) && std::isfinite(o.z(i)))) continue;
          lines[0].add(o.x(i));
          lines[1].add(o.y(i));
          lines[2].add(o.z(i));
        }
      } else if (o.type == ObjectType::surface && o.shape) {
        // A surface's extent is that of its vertices (all finite: checked on reading).
        if (o.shape->vertices.rows() > 0)
          for (int k = 0; k < 3; ++k) {
            lines[k].add(o.shape->vertices.col(k).minCoeff());
            lines[k].add(o.shape->vertices.col(k).maxCoeff());
          }
      } else if (o.type == ObjectType::text) {
        for (int k = 0; k < 3; ++k) texts[k].add(o.text_position(k));
      }
    }
  }
  const bool has_lines = !lines[0].empty();
  const bool has_texts = !texts[0].empty();
  std::array<Extent, 3> data = has_lines ? lines : texts;
  double widest = 0;
  for (int k = 0; k < 3; ++k)
    if (has_lines || has_texts) widest = std::max(widest, data[k].high - data[k].low);
  for (int k = 0; k < 3; ++k) {
    double low = 0, high = 1;
    if (has_lines || has_texts) {
      low = data[k].low;
      high = data[k].high;
      if (!(high > low)) {
        // A flat coordinate (2D data has z = 0): a thin slab around it.
        const double pad = widest > 0 ? 0.05 * widest : std::max(1.0, std::abs(low) * 0.1);
        low -= pad;
        high += pad;
      }
    }
    const double step = nice_step(high - low);
    out.tick_step[k] = step;
    out.lower(k) = std::floor(low / step + 1e-9) * step;
    out.upper(k) = std::ceil(high / step - 1e-9) * step;
    for (double t = out.lower(k); t <= out.upper(k) + step * 1e-6; t += step)
      out.ticks[k].push_back(std::abs(t) < step * 1e-9 ? 0.0 : t);
  }
  out.centre = (out.lower + out.upper) / 2;
  const Eigen::Vector3d range = out.upper - out.lower;
  const bool equal = out.axes != 0 && graphics.object(out.axes).axis_equal;
  for (int k = 0; k < 3; ++k) out.scale(k) = equal ? 1 / range.maxCoeff() : 1 / range(k);

  // The view direction.
  const std::optional<Eigen::Vector3d> camera =
      out.axes != 0 ? graphics.object(out.axes).camera_position : std::nullopt;
  double zoom = 1;
  if (view) {
    out.azimuth = view->azimuth;
    out.elevation = view->elevation;
    zoom = view->zoom > 0 ? view->zoom : 1;
  } else if (camera) {
    // The camera looks at the middle of the plot from the direction in which
    // its position lies from the data origin: [0 0 10] looks straight down z.
    Eigen::Vector3d e = camera->cwiseProduct(out.scale);
    if (e.norm() > 0) {
      e.normalize();
      out.elevation = std::asin(std::clamp(e.z(), -1.0, 1.0)) * 180 / kPi;
      // Looking (almost) straight along z: x to the right, y up.
      out.azimuth = std::abs(e.z()) > std::cos(kPi / 180) ? 0 : std::atan2(e.x(), -e.y()) * 180 / kPi;
    }
  }
  const double az = out.azimuth * kPi / 180, el = out.elevation * kPi / 180;
  out.toward = Eigen::Vector3d(std::cos(el) * std::sin(az), -std::cos(el) * std::cos(az), std::sin(el));
  out.right = Eigen::Vector3d(std::cos(az), std::sin(az), 0);
  out.up = out.right.cross(-out.toward);

  // Fit the box into the plot area of the page.
  // A colour key takes the right edge of the window.
  const bool key = out.axes != 0 && graphics.object(out.axes).colour_limits.has_value();
  double left = 0.13 * width, right = (key ? 0.83 : 0.905) * width, top = 0.075 * height, bottom = 0.89 * height;
  if (out.axes != 0) {
    // Room beyond the box for what is written around it: a tick, a number and
    // an axis' name at the sides and below; the title above.
    const GraphicsObject& axes = graphics.object(out.axes);
    if (axes.axis_on) {
      TextSize widest;
      for (int k = 0; k < 3; ++k)
        for (double t : out.ticks[k]) {
          const TextSize size = measure_plot_text(tick_text(t, out.tick_step[k]), 10);
          widest.width = std::max(widest.width, size.width);
          widest.height = std::max(widest.height, size.height);
        }
      const double side = 28 + widest.width, below = 32 + 2 * widest.height;
      left = std::max(left, side);
      if (!key) right = std::min(right, width - side);
      bottom = std::min(bottom, height - below);
    }
    if (axes.title != 0 && graphics.is_handle(axes.title)) {
      const GraphicsObject& t = graphics.object(axes.title);
      if (t.visible && !t.string.empty()) top = std::max(top, 6 + measure_text_object(t).height + 3);
    }
  }
  out.area_left = left;
  out.area_top = top;
  out.area_right = right;
  out.area_bottom = bottom;
  const double area_w = std::max(1.0, right - left), area_h = std::max(1.0, bottom - top);
  // The box's corners fill the area, whichever way it is turned (as a plot
  // that stretches to fill its window does), so a view being rotated starts
  // from the very picture of the axes' own camera.
  double min_x = std::numeric_limits<double>::infinity(), min_y = min_x;
  double max_x = -min_x, max_y = -min_x;
  for (int corner = 0; corner < 8; ++corner) {
    Eigen::Vector3d p;
    for (int k = 0; k < 3; ++k) p(k) = (corner >> k) & 1 ? out.upper(k) : out.lower(k);
    const Eigen::Vector3d u = (p - out.centre).cwiseProduct(out.scale);
    min_x = std::min(min_x, u.dot(out.right));
    max_x = std::max(max_x, u.dot(out.right));
    min_y = std::min(min_y, u.dot(out.up));
    max_y = std::max(max_y, u.dot(out.up));
  }
  const double span_x = std::max(max_x - min_x, 1e-12), span_y = std::max(max_y - min_y, 1e-12);
  out.units_per_box = std::min(area_w / span_x, area_h / span_y) * zoom;
  out.origin = Eigen::Vector2d((left + right) / 2 - out.units_per_box * (min_x + max_x) / 2,
                               (top + bottom) / 2 + out.units_per_box * (min_y + max_y) / 2);
  out.zoom_centre = Eigen::Vector2d((left + right) / 2, (top + bottom) / 2);
  if (view) {
    out.origin += Eigen::Vector2d(view->pan_x, view->pan_y);
    out.zoom_centre += Eigen::Vector2d(view->pan_x, view->pan_y);
  }
  return out;
}

}  // namespace velmora
