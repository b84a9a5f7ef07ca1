#include "runtime/flat_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmora {
namespace {

// A step of 1, 2 or 5 times a power of ten giving about five intervals.
double nice_step(double range) {
  const double raw = range / 5;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double f = raw / magnitude;
  return (f < 1.5 ? 1 : f < 3 ? 2 : f < 7 ? 5 : 10) * magnitude;
}

std::vector<double> ticks_within(double low, double high, double step) {
  std::vector<double> out;
  for (double t = std::ceil(low / step - 1e-9) * step; t <= high + step * 1e-6; t += step)
    out.push_back(std::abs(t) < step * 1e-9 ? 0.0 : t);
  return out;
}

}  // namespace

Eigen::Vector2d FlatLayout::project(double x, double y) const {
  return {left + width * (x - lower.x()) / (upper.x() - lower.x()),
          top + height * (1 - (y - lower.y()) / (upper.y() - lower.y()))};
}

bool is_flat_figure(const Graphics& graphics, Handle figure) {
  auto lock = graphics.lock();
  if (!graphics.is_handle(figure)) return false;
  for (Handle c : graphics.object(figure).children) {
    const GraphicsObject& o = graphics.object(c);
    if (o.type == ObjectType::axes) return o.flat;
  }
  return false;
}

std::vector<FlatLayout> layout_flat_axes(const Graphics& graphics, Handle figure, double width, double height) {
  auto lock = graphics.lock();
  std::vector<FlatLayout> out;
  if (!graphics.is_handle(figure)) return out;
  // In the order they were made (handles grow), whichever is current.
  std::vector<Handle> flat;
  for (Handle c : graphics.object(figure).children)
    if (graphics.object(c).type == ObjectType::axes && graphics.object(c).flat) flat.push_back(c);
  std::sort(flat.begin(), flat.end());
  for (Handle h : flat) {
    const GraphicsObject& axes = graphics.object(h);
    FlatLayout l;
    l.axes = h;
    const std::array<double, 4> box =
        axes.box ? *axes.box : std::array<double, 4>{0.13, 0.11, axes.colour_limits ? 0.68 : 0.775, 0.815};
    l.left = box[0] * width;
    l.width = std::max(1.0, box[2] * width);
    l.height = std::max(1.0, box[3] * height);
    l.top = (1 - box[1] - box[3]) * height;

    double low[2] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    double high[2] = {-low[0], -low[1]};
    auto add = [&](double x, double y) {
      if (!std::isfinite(x) || !std::isfinite(y)) return;
      low[0] = std::min(low[0], x), high[0] = std::max(high[0], x);
      low[1] = std::min(low[1], y), high[1] = std::max(high[1], y);
    };
    for (Handle c : axes.children) {
      const GraphicsObject& o = graphics.object(c);
      if (o.type == ObjectType::line)
        for (Eigen::Index i = 0; i < std::min(o.x.size(), o.y.size()); ++i) add(o.x(i), o.y(i));
      else if (o.type == ObjectType::text)
        add(o.text_position.x(), o.text_position.y());
    }
    for (int k = 0; k < 2; ++k) {
      if (!(low[k] <= high[k])) low[k] = 0, high[k] = 1;
      if (!(high[k] > low[k])) {
        const double pad = std::max(1e-9, 0.1 * std::abs(low[k]));
        low[k] -= pad, high[k] += pad;
      }
    }
    if (axes.axis_equal) {
      // Equal data units on both axes: a margin, then the shorter range widened
      // to the rectangle's shape.
      double range[2];
      for (int k = 0; k < 2; ++k) {
        const double pad = 0.04 * (high[k] - low[k]);
        low[k] -= pad, high[k] += pad;
        range[k] = high[k] - low[k];
      }
      const double per_unit = std::min(l.width / range[0], l.height / range[1]);
      const double want[2] = {l.width / per_unit, l.height / per_unit};
      for (int k = 0; k < 2; ++k) {
        const double centre = (low[k] + high[k]) / 2;
        low[k] = centre - want[k] / 2, high[k] = centre + want[k] / 2;
        l.tick_step[k] = nice_step(std::min(want[0], want[1]));
        l.ticks[k] = ticks_within(low[k], high[k], l.tick_step[k]);
      }
    } else {
      for (int k = 0; k < 2; ++k) {
        if (k == 0 && !axes.xticks.empty()) {
          for (double t : axes.xticks) low[0] = std::min(low[0], t), high[0] = std::max(high[0], t);
          const double pad = 0.03 * (high[0] - low[0]);
          low[0] -= pad, high[0] += pad;
          l.ticks[0] = axes.xticks;
          l.tick_step[0] = 1;
          continue;
        }
        const double step = nice_step(high[k] - low[k]);
        l.tick_step[k] = step;
        low[k] = std::floor(low[k] / step + 1e-9) * step;
        high[k] = std::ceil(high[k] / step - 1e-9) * step;
        l.ticks[k] = ticks_within(low[k], high[k], step);
      }
    }
    l.lower = Eigen::Vector2d(low[0], low[1]);
    l.upper = Eigen::Vector2d(high[0], high[1]);
    out.push_back(l);
  }
  return out;
}

std::optional<std::string> point_name_at(const Graphics& graphics, Handle figure, double width, double height,
                                         const Eigen::Vector2d& at, double radius) {
  auto lock = graphics.lock();
  std::optional<std::string> best;
  double nearest = radius;
  for (const FlatLayout& l : layout_flat_axes(graphics, figure, width, height)) {
    for (Handle c : graphics.object(l.axes).children) {
      const GraphicsObject& o = graphics.object(c);
      if (o.type != ObjectType::line || !o.visible) continue;
      const Eigen::Index n = std::min({o.x.size(), o.y.size(), static_cast<Eigen::Index>(o.names.size())});
      for (Eigen::Index i = 0; i < n; ++i) {
        const double d = (l.project(o.x(i), o.y(i)) - at).norm();
        if (d <= nearest && !o.names[i].empty()) {
          nearest = d;
          best = o.names[i];
        }
      }
    }
  }
  return best;
}

}  // namespace velmora
