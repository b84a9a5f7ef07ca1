#include "runtime/flat_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "runtime/render_marks.h"

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

namespace {

// The limits and ticks of `l` around the data extent [low, high] of its axes,
// for its rectangle as it is.
void fit_limits(FlatLayout& l, const GraphicsObject& axes, std::array<double, 2> low, std::array<double, 2> high) {
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
  l.y_numbers_width = 0;
  for (double t : l.ticks[1])
    l.y_numbers_width =
        std::max(l.y_numbers_width, measure_plot_text(tick_text(t, l.tick_step[1]), kFlatTextPoints).width);
}

// How far the numbers, names and title of `l` reach beyond its frame: left,
// below, above and right, device units (a little more than measured, as a
// PNG's hinted glyphs may be a shade wider).
std::array<double, 4> reach_of(const FlatLayout& l, const Graphics& graphics, const GraphicsObject& axes) {
  const double slack = 3;
  double number_height = 0, last_half = 0;
  for (double t : l.ticks[0]) {
    const TextSize size = measure_plot_text(tick_text(t, l.tick_step[0]), kFlatTextPoints);
    number_height = std::max(number_height, size.height);
    last_half = size.width / 2;
  }
  double left = kNumberGap + l.y_numbers_width * 1.05;
  if (!axes.ylabel.empty())
    left = kYNameGap + l.y_numbers_width + measure_plot_text(axes.ylabel, kFlatTextPoints).height / 2;
  double below = kNumberGap + number_height;
  if (!axes.xlabel.empty()) below = kXNameDrop + measure_plot_text(axes.xlabel, kFlatTextPoints).height / 2;
  double above = 0;
  if (axes.title != 0 && graphics.is_handle(axes.title)) {
    const GraphicsObject& t = graphics.object(axes.title);
    if (t.visible && !t.string.empty()) above = kTitleRise + measure_text_object(t).height / 2;
  }
  return {left + slack, below + slack, above + slack, last_half * 1.05 + slack};
}

}  // namespace

std::vector<FlatLayout> layout_flat_axes(const Graphics& graphics, Handle figure, double width, double height) {
  auto lock = graphics.lock();
  std::vector<FlatLayout> out;
  if (!graphics.is_handle(figure)) return out;
  // In the order they were made (handles grow), whichever is current.
  std::vector<Handle> flat;
  for (Handle c : graphics.object(figure).children)
    if (graphics.object(c).type == ObjectType::axes && graphics.object(c).flat) flat.push_back(c);
  std::sort(flat.begin(), flat.end());
  // The boxes as the axes ask for them, to tell which lie beside which.
  std::vector<std::array<double, 4>> boxes;  // left, top, right, bottom, device units
  for (Handle h : flat) {
    const GraphicsObject& axes = graphics.object(h);
    const std::array<double, 4> box =
        axes.box ? *axes.box : std::array<double, 4>{0.13, 0.11, axes.colour_limits ? 0.68 : 0.775, 0.815};
    boxes.push_back({box[0] * width, (1 - box[1] - box[3]) * height, (box[0] + box[2]) * width, (1 - box[1]) * height});
  }
  for (std::size_t a = 0; a < flat.size(); ++a) {
    const GraphicsObject& axes = graphics.object(flat[a]);
    FlatLayout l;
    l.axes = flat[a];
    l.left = boxes[a][0];
    l.top = boxes[a][1];
    l.width = std::max(1.0, boxes[a][2] - boxes[a][0]);
    l.height = std::max(1.0, boxes[a][3] - boxes[a][1]);

    std::array<double, 2> low = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    std::array<double, 2> high = {-low[0], -low[1]};
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
    fit_limits(l, axes, low, high);

    if (axes.axis_on) {
      // The words around the plot stay on the page and off the axes to its
      // left: the frame moves in where they would not (twice, as the numbers
      // change with the limits).
      for (int pass = 0; pass < 2; ++pass) {
        const std::array<double, 4> reach = reach_of(l, graphics, axes);
        double left_limit = 0;
        for (std::size_t b = 0; b < flat.size(); ++b)
          if (b != a && boxes[b][2] <= boxes[a][0] && boxes[b][1] < boxes[a][3] && boxes[b][3] > boxes[a][1])
            left_limit = std::max(left_limit, boxes[b][2] + 4);
        const double left = std::max(boxes[a][0], left_limit + reach[0]);
        const double top = std::max(boxes[a][1], reach[2]);
        const double right = std::min(boxes[a][2], width - reach[3]);
        const double bottom = std::min(boxes[a][3], height - reach[1]);
        if (left == l.left && top == l.top && right == l.left + l.width && bottom == l.top + l.height) break;
        l.left = left;
        l.top = top;
        l.width = std::max(1.0, right - left);
        l.height = std::max(1.0, bottom - top);
        fit_limits(l, axes, low, high);
      }
    }
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
