#include "runtime/render_flat.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/flat_layout.h"
#include "runtime/render_layout.h"
#include "runtime/render_marks.h"

namespace velmora {
namespace {

constexpr double kPt = kDeviceUnitsPerPoint;

bool finite(double x, double y) { return std::isfinite(x) && std::isfinite(y); }

void draw_line(cairo_t* cr, const FlatLayout& l, const GraphicsObject& axes, const GraphicsObject& o) {
  const Eigen::Index n = std::min(o.x.size(), o.y.size());
  if (o.fill) {
    // Each run of finite points is one polygon.
    cairo_new_path(cr);
    bool open = false;
    for (Eigen::Index i = 0; i < n; ++i) {
      if (!finite(o.x(i), o.y(i))) {
        if (open) cairo_close_path(cr);
        open = false;
        continue;
      }
      const Eigen::Vector2d p = l.project(o.x(i), o.y(i));
      if (open)
        cairo_line_to(cr, p.x(), p.y());
      else
        cairo_move_to(cr, p.x(), p.y());
      open = true;
    }
    if (open) cairo_close_path(cr);
    set_colour(cr, *o.fill);
    cairo_fill(cr);
  }
  const double width = o.line_width * kPt;
  if (!o.line_style.empty() && o.line_style != "none") {
    const bool solid = o.line_style == "-";
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, solid ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    double travelled = 0;
    for (Eigen::Index i = 0; i + 1 < n; ++i) {
      if (!finite(o.x(i), o.y(i)) || !finite(o.x(i + 1), o.y(i + 1))) continue;
      const Eigen::Vector2d a = l.project(o.x(i), o.y(i)), b = l.project(o.x(i + 1), o.y(i + 1));
      const Rgb colour = point_colour(axes, o, i);
      cairo_new_path(cr);
      set_dash(cr, o.line_style, width, travelled);
      set_colour(cr, colour);
      cairo_move_to(cr, a.x(), a.y());
      cairo_line_to(cr, b.x(), b.y());
      cairo_stroke(cr);
      travelled += (b - a).norm();
      const bool last = i + 2 >= n || !finite(o.x(i + 2), o.y(i + 2));
      if (o.arrows && last) draw_arrowhead(cr, a, b, width, colour);
    }
    cairo_set_dash(cr, nullptr, 0, 0);
  }
  if (!o.marker.empty() && o.marker != "none")
    for (Eigen::Index i = 0; i < n; ++i)
      if (finite(o.x(i), o.y(i))) draw_marker(cr, o, l.project(o.x(i), o.y(i)), point_colour(axes, o, i));
}

void draw_frame_and_ticks(cairo_t* cr, const TextOut& out, const FlatLayout& l) {
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_set_line_width(cr, 0.5 * kPt);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
  cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
  cairo_rectangle(cr, l.left, l.top, l.width, l.height);
  cairo_stroke(cr);
  select_plot_font(cr, kFlatTextPoints);
  // x numbers below the frame, y numbers to its left; a number that would
  // crowd its neighbour is left out at regular steps.
  for (int k = 0; k < 2; ++k) {
    const auto& ticks = l.ticks[k];
    if (ticks.empty()) continue;
    double needed = 0;
    for (double t : ticks) {
      cairo_text_extents_t ext;
      cairo_text_extents(cr, tick_text(t, l.tick_step[k]).c_str(), &ext);
      needed = std::max(needed, (k == 0 ? ext.width : ext.height) + 8);
    }
    const double spacing = ticks.size() > 1
                               ? std::abs((k == 0 ? l.project(ticks[1], 0).x() - l.project(ticks[0], 0).x()
                                                  : l.project(0, ticks[1]).y() - l.project(0, ticks[0]).y()))
                               : needed;
    const int every = std::max(1, static_cast<int>(std::ceil(needed / std::max(spacing, 1e-9) - 1e-9)));
    for (std::size_t i = 0; i < ticks.size(); ++i) {
      const Eigen::Vector2d at = k == 0 ? l.project(ticks[i], l.lower.y()) : l.project(l.lower.x(), ticks[i]);
      cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
      cairo_move_to(cr, at.x(), at.y());
      if (k == 0)
        cairo_line_to(cr, at.x(), at.y() + 5);
      else
        cairo_line_to(cr, at.x() - 5, at.y());
      cairo_stroke(cr);
      if (i % every != 0) continue;
      const std::string text = tick_text(ticks[i], l.tick_step[k]);
      cairo_text_extents_t ext;
      cairo_text_extents(cr, text.c_str(), &ext);
      cairo_set_source_rgb(cr, 0, 0, 0);
      if (k == 0)
        centred_text(cr, out, text, at.x(), at.y() + kNumberGap + ext.height / 2);
      else
        centred_text(cr, out, text, at.x() - kNumberGap - ext.width / 2, at.y());
    }
  }
}

void draw_axis_names(cairo_t* cr, const TextOut& out, const FlatLayout& l, const GraphicsObject& axes,
                     double page_height) {
  select_plot_font(cr, kFlatTextPoints);
  cairo_set_source_rgb(cr, 0, 0, 0);
  if (!axes.xlabel.empty()) centred_text(cr, out, axes.xlabel, l.left + l.width / 2, l.top + l.height + kXNameDrop);
  if (!axes.ylabel.empty()) {
    // Read upwards, centred beside the numbers; a name longer than the page is
    // high is set smaller, and one longer than the plot slides to stay on the page.
    GraphicsObject name;
    name.string = axes.ylabel;
    name.rotation = 90;
    name.font_name = "DejaVu Sans";
    cairo_text_extents_t ext;
    cairo_text_extents(cr, name.string.c_str(), &ext);
    const double room = page_height - 8;
    if (ext.width > room && ext.width > 0) {
      name.font_size = std::max(5.0, kFlatTextPoints * room / ext.width);
      select_text_font(cr, name);
      cairo_text_extents(cr, name.string.c_str(), &ext);
    }
    const double half = ext.width / 2;
    const double middle = std::clamp(l.top + l.height / 2, std::min(4 + half, page_height / 2),
                                     std::max(page_height - 4 - half, page_height / 2));
    show_text_object(cr, out, name, l.left - kYNameGap - l.y_numbers_width, middle, -(ext.x_bearing + ext.width / 2),
                     -(ext.y_bearing + ext.height / 2));
  }
}

// The legend's box: a row per line with a display name, its marker (or a
// short stroke) and its name.
struct LegendBox {
  double left = 0, top = 0, width = 0, height = 0, row = 0;
};

LegendBox measure_legend(cairo_t* cr, const std::vector<const GraphicsObject*>& entries) {
  select_plot_font(cr, 9);
  double widest = 0, row = 0;
  for (const GraphicsObject* o : entries) {
    cairo_text_extents_t ext;
    cairo_text_extents(cr, o->display_name.c_str(), &ext);
    widest = std::max(widest, ext.width);
    row = std::max(row, ext.height);
  }
  LegendBox box;
  box.row = std::max(row + 6, 16.0);
  box.width = widest + 40;
  box.height = box.row * static_cast<double>(entries.size()) + 6;
  return box;
}

// Puts the box in the corner of the plot where it covers the fewest points of
// `lines` (the upper right one when they tie).
void place_legend_inside(LegendBox& box, const FlatLayout& l, const std::vector<const GraphicsObject*>& lines) {
  const double inset = 6;
  const double right = l.left + l.width - box.width - inset, bottom = l.top + l.height - box.height - inset;
  const std::array<Eigen::Vector2d, 4> corners = {
      Eigen::Vector2d(right, l.top + inset), Eigen::Vector2d(l.left + inset, l.top + inset),
      Eigen::Vector2d(right, bottom), Eigen::Vector2d(l.left + inset, bottom)};
  std::size_t fewest = std::numeric_limits<std::size_t>::max();
  for (const Eigen::Vector2d& corner : corners) {
    std::size_t covered = 0;
    for (const GraphicsObject* o : lines)
      for (Eigen::Index i = 0; i < std::min(o->x.size(), o->y.size()); ++i) {
        if (!finite(o->x(i), o->y(i))) continue;
        const Eigen::Vector2d p = l.project(o->x(i), o->y(i));
        covered += p.x() >= corner.x() && p.x() <= corner.x() + box.width && p.y() >= corner.y() &&
                   p.y() <= corner.y() + box.height;
      }
    if (covered < fewest) {
      fewest = covered;
      box.left = corner.x();
      box.top = corner.y();
    }
  }
}

bool named_in(const std::vector<std::string>& names, const std::string& name) {
  return !name.empty() && std::find(names.begin(), names.end(), name) != names.end();
}

// A row clicked off is drawn in grey.
constexpr Rgb kOff{0.7, 0.7, 0.7};

void draw_legend(cairo_t* cr, const TextOut& out, const LegendBox& box, const GraphicsObject& axes,
                 const std::vector<const GraphicsObject*>& entries, const std::vector<std::string>& hidden) {
  select_plot_font(cr, 9);
  cairo_rectangle(cr, box.left, box.top, box.width, box.height);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
  cairo_set_line_width(cr, 0.5 * kPt);
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_stroke(cr);
  const double x = box.left;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const GraphicsObject& o = *entries[i];
    const double cy = box.top + 3 + box.row * (static_cast<double>(i) + 0.5);
    const bool off = named_in(hidden, o.display_name);
    const Rgb colour = off ? kOff : legend_colour(axes, o);
    if (!o.marker.empty() && o.marker != "none") {
      // Off: the marker's outline only, in grey.
      GraphicsObject mark;
      mark.marker = o.marker;
      mark.marker_size = o.marker_size;
      mark.line_width = o.line_width;
      if (!off) mark.marker_face = o.marker_face;
      draw_marker(cr, mark, Eigen::Vector2d(x + 16, cy), colour);
    } else {
      cairo_set_line_width(cr, o.line_width * kPt);
      set_dash(cr, o.line_style, o.line_width * kPt, 0);
      set_colour(cr, colour);
      cairo_move_to(cr, x + 6, cy);
      cairo_line_to(cr, x + 26, cy);
      cairo_stroke(cr);
      cairo_set_dash(cr, nullptr, 0, 0);
    }
    set_colour(cr, off ? kOff : Rgb{0, 0, 0});
    cairo_text_extents_t ext;
    cairo_text_extents(cr, o.display_name.c_str(), &ext);
    show_text(cr, out, o.display_name, x + 32 - ext.x_bearing, cy - (ext.y_bearing + ext.height / 2));
  }
}

// The lines of one flat axes and the rows of its legend: one a display name,
// however many lines carry it, shown by the first with a marker (else the
// first). Hidden lines (by their name, or the name they go with) are left
// out of `shown` but keep their rows and their place.
struct FlatLines {
  std::vector<const GraphicsObject*> all, shown, legend;
};

FlatLines flat_lines(const Graphics& graphics, const GraphicsObject& axes, const std::vector<std::string>& hidden) {
  FlatLines out;
  for (auto it = axes.children.rbegin(); it != axes.children.rend(); ++it) {
    const GraphicsObject& o = graphics.object(*it);
    if (!o.visible || o.type != ObjectType::line) continue;
    out.all.push_back(&o);
    if (!named_in(hidden, o.display_name) && !named_in(hidden, o.legend_with)) out.shown.push_back(&o);
    if (o.display_name.empty()) continue;
    const auto same = std::find_if(out.legend.begin(), out.legend.end(),
                                   [&](const GraphicsObject* e) { return e->display_name == o.display_name; });
    const auto marked = [](const GraphicsObject* e) { return !e->marker.empty() && e->marker != "none"; };
    if (same == out.legend.end())
      out.legend.push_back(&o);
    else if (!marked(*same) && marked(&o))
      *same = &o;
  }
  return out;
}

// Where the legend of one axes goes: nothing overprints the data, so with a
// colour key it goes above it, beside the plot, when it fits there; else into
// the plot's emptiest corner (counting the hidden lines too, so that it stays
// put as rows are clicked). `key_top` moves below it when it sits beside.
LegendBox place_legend(cairo_t* cr, const FlatLayout& l, const GraphicsObject& axes, const FlatLines& lines,
                       double width, double& key_top) {
  LegendBox box = measure_legend(cr, lines.legend);
  const double beside = l.left + l.width + 8;
  if (axes.colour_limits && beside + box.width <= width - 4) {
    box.left = beside;
    box.top = l.top;
    key_top = std::max(key_top, box.top + box.height + 32);  // and the key's name between them
  } else {
    place_legend_inside(box, l, lines.all);
  }
  return box;
}

}  // namespace

void draw_flat_figure(cairo_t* cr, const TextOut& out, const Graphics& graphics, Handle figure, double width,
                      double height, const std::vector<std::string>& hidden) {
  auto lock = graphics.lock();
  for (const FlatLayout& l : layout_flat_axes(graphics, figure, width, height)) {
    const GraphicsObject& axes = graphics.object(l.axes);
    if (!axes.visible) continue;
    const FlatLines lines = flat_lines(graphics, axes, hidden);
    cairo_save(cr);
    cairo_rectangle(cr, l.left, l.top, l.width, l.height);
    cairo_clip(cr);
    for (const GraphicsObject* o : lines.shown) draw_line(cr, l, axes, *o);
    for (auto it = axes.children.rbegin(); it != axes.children.rend(); ++it) {
      const GraphicsObject& t = graphics.object(*it);
      if (t.type != ObjectType::text || !t.visible || t.string.empty()) continue;
      if (!finite(t.text_position.x(), t.text_position.y())) continue;
      const Eigen::Vector2d at = l.project(t.text_position.x(), t.text_position.y());
      select_text_font(cr, t);
      cairo_text_extents_t ext;
      cairo_text_extents(cr, t.string.c_str(), &ext);
      set_colour(cr, t.color);
      show_text_object(cr, out, t, at.x(), at.y(), 0, -(ext.y_bearing + ext.height / 2));
    }
    cairo_restore(cr);
    if (axes.axis_on) {
      draw_frame_and_ticks(cr, out, l);
      draw_axis_names(cr, out, l, axes, height);
    }
    const double beside = l.left + l.width + 8;
    double key_top = l.top + 0.15 * l.height;
    const double key_bottom = l.top + 0.85 * l.height;
    if (!lines.legend.empty())
      draw_legend(cr, out, place_legend(cr, l, axes, lines, width, key_top), axes, lines.legend, hidden);
    if (axes.colour_limits)
      draw_colour_key(cr, out, l.left + l.width + 0.04 * width, key_top, 0.025 * width,
                      std::max(key_bottom - key_top, 20.0), (*axes.colour_limits)[0], (*axes.colour_limits)[1],
                      axes.colour_label, beside);
    // The title over its plot, or as near it as the page allows.
    double title_x = l.left + l.width / 2;
    if (axes.title != 0 && graphics.is_handle(axes.title)) {
      const double half = measure_text_object(graphics.object(axes.title)).width / 2;
      title_x = std::clamp(title_x, std::min(4 + half, width / 2), std::max(width - 4 - half, width / 2));
    }
    draw_axes_title(cr, out, graphics, axes, title_x, l.top - kTitleRise, true);
  }
}

std::optional<std::string> flat_legend_label_at(const Graphics& graphics, Handle figure, double width,
                                                double height, const std::vector<std::string>& hidden,
                                                const Eigen::Vector2d& at) {
  auto lock = graphics.lock();
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1), &cairo_surface_destroy);
  std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()), &cairo_destroy);
  for (const FlatLayout& l : layout_flat_axes(graphics, figure, width, height)) {
    const GraphicsObject& axes = graphics.object(l.axes);
    if (!axes.visible) continue;
    const FlatLines lines = flat_lines(graphics, axes, hidden);
    if (lines.legend.empty()) continue;
    double key_top = l.top + 0.15 * l.height;
    const LegendBox box = place_legend(cr.get(), l, axes, lines, width, key_top);
    if (at.x() < box.left || at.x() > box.left + box.width || at.y() < box.top + 3) continue;
    const double row = std::floor((at.y() - box.top - 3) / box.row);
    if (row >= 0 && row < static_cast<double>(lines.legend.size()))
      return lines.legend[static_cast<std::size_t>(row)]->display_name;
  }
  return std::nullopt;
}

}  // namespace velmora
