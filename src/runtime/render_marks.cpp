#include "runtime/render_marks.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "runtime/render_layout.h"

namespace velmora {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kPt = kDeviceUnitsPerPoint;

// A closed star or polygon of `points` vertices alternating between the outer
// and inner radius (inner <= 0: a plain polygon), starting at angle `start`.
void polygon(cairo_t* cr, double cx, double cy, int points, double outer, double inner, double start) {
  const int n = inner > 0 ? 2 * points : points;
  for (int i = 0; i < n; ++i) {
    const double r = inner > 0 && i % 2 == 1 ? inner : outer;
    const double angle = start + 2 * kPi * i / n;
    const double x = cx + r * std::cos(angle), y = cy - r * std::sin(angle);
    if (i == 0)
      cairo_move_to(cr, x, y);
    else
      cairo_line_to(cr, x, y);
  }
  cairo_close_path(cr);
}

// A context for measuring text on no page, one per thread. Metrics unhinted,
// as on the vector pages, which makes them no narrower than on a PNG.
cairo_t* measuring_context() {
  struct Scratch {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(surface);
    Scratch() {
      cairo_font_options_t* options = cairo_font_options_create();
      cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
      cairo_set_font_options(cr, options);
      cairo_font_options_destroy(options);
    }
    ~Scratch() {
      cairo_destroy(cr);
      cairo_surface_destroy(surface);
    }
  };
  thread_local Scratch scratch;
  return scratch.cr;
}

TextSize extent_in(cairo_t* cr, const std::string& text) {
  cairo_text_extents_t ext;
  cairo_text_extents(cr, text.c_str(), &ext);
  return {ext.width, ext.height, ext.x_bearing, ext.y_bearing};
}

}  // namespace

void set_colour(cairo_t* cr, const Rgb& c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void set_dash(cairo_t* cr, const std::string& style, double width, double offset) {
  const double w = std::max(width, 1.0);
  if (style == "--") {
    const double d[] = {6 * w, 4 * w};
    cairo_set_dash(cr, d, 2, offset);
  } else if (style == ":") {
    const double d[] = {1.5 * w, 2.5 * w};
    cairo_set_dash(cr, d, 2, offset);
  } else if (style == "-.") {
    const double d[] = {6 * w, 2.5 * w, 1.5 * w, 2.5 * w};
    cairo_set_dash(cr, d, 4, offset);
  } else {
    cairo_set_dash(cr, nullptr, 0, 0);
  }
}

void draw_marker(cairo_t* cr, const GraphicsObject& line, const Eigen::Vector2d& at, const Rgb& colour) {
  const double size = line.marker_size * kPt, r = size / 2;
  const double cx = at.x(), cy = at.y();
  const char m = line.marker.empty() ? 'n' : line.marker[0];
  cairo_new_path(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_set_line_width(cr, line.line_width * kPt);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  bool closed = true;
  switch (m) {
    case 'o':
      cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
      break;
    case 's':
      cairo_rectangle(cr, cx - r * 0.9, cy - r * 0.9, 1.8 * r, 1.8 * r);
      break;
    case 'd':
      polygon(cr, cx, cy, 4, r, 0, kPi / 2);
      break;
    case '^':
      polygon(cr, cx, cy, 3, r, 0, kPi / 2);
      break;
    case 'v':
      polygon(cr, cx, cy, 3, r, 0, -kPi / 2);
      break;
    case '<':
      polygon(cr, cx, cy, 3, r, 0, kPi);
      break;
    case '>':
      polygon(cr, cx, cy, 3, r, 0, 0);
      break;
    case 'p':
      polygon(cr, cx, cy, 5, r * 1.15, r * 1.15 * 0.382, kPi / 2);
      break;
    case 'h':
      polygon(cr, cx, cy, 6, r * 1.1, r * 1.1 * 0.577, kPi / 2);
      break;
    case '.': {
      set_colour(cr, colour);
      cairo_arc(cr, cx, cy, std::max(r / 3, 0.75), 0, 2 * kPi);
      cairo_fill(cr);
      return;
    }
    default:
      closed = false;
      break;
  }
  if (closed) {
    if (line.marker_face) {
      set_colour(cr, *line.marker_face);
      cairo_fill_preserve(cr);
    }
    set_colour(cr, colour);
    cairo_stroke(cr);
    return;
  }
  const double d = r * std::sqrt(0.5);
  if (m == '+' || m == '*') {
    cairo_move_to(cr, cx - r, cy);
    cairo_line_to(cr, cx + r, cy);
    cairo_move_to(cr, cx, cy - r);
    cairo_line_to(cr, cx, cy + r);
  }
  if (m == 'x' || m == '*') {
    cairo_move_to(cr, cx - d, cy - d);
    cairo_line_to(cr, cx + d, cy + d);
    cairo_move_to(cr, cx - d, cy + d);
    cairo_line_to(cr, cx + d, cy - d);
  }
  set_colour(cr, colour);
  cairo_stroke(cr);
}

void draw_arrowhead(cairo_t* cr, const Eigen::Vector2d& from, const Eigen::Vector2d& tip, double width,
                    const Rgb& colour) {
  const Eigen::Vector2d along = tip - from;
  const double length = along.norm();
  if (!(length > 1e-9)) return;
  // The head is at most half the segment long, so a short vector keeps its stem.
  const double head = std::min(3.5 * std::max(width, 1.0) + 3, 0.5 * length);
  const Eigen::Vector2d u = along / length, across(-u.y(), u.x());
  const Eigen::Vector2d back = tip - head * u;
  cairo_new_path(cr);
  cairo_move_to(cr, tip.x(), tip.y());
  cairo_line_to(cr, back.x() + 0.45 * head * across.x(), back.y() + 0.45 * head * across.y());
  cairo_line_to(cr, back.x() - 0.45 * head * across.x(), back.y() - 0.45 * head * across.y());
  cairo_close_path(cr);
  set_colour(cr, colour);
  cairo_fill(cr);
}

std::string tick_text(double value, double step) {
  const double snapped = std::round(value / step) * step;
  const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, std::abs(snapped) < step * 1e-9 ? 0.0 : snapped);
  return buffer;
}

void show_text(cairo_t* cr, const TextOut& out, const std::string& text, double x, double y) {
  if (out.elements == nullptr) {
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
    return;
  }
  cairo_matrix_t font;
  cairo_get_font_matrix(cr, &font);
  double r = 0, g = 0, b = 0, a = 1;
  cairo_pattern_get_rgba(cairo_get_source(cr), &r, &g, &b, &a);
  cairo_user_to_device(cr, &x, &y);
  out.elements->push_back({text, x, y, font.xx, Rgb{r, g, b}});
}

void centred_text(cairo_t* cr, const TextOut& out, const std::string& text, double x, double y) {
  cairo_text_extents_t ext;
  cairo_text_extents(cr, text.c_str(), &ext);
  show_text(cr, out, text, x - (ext.x_bearing + ext.width / 2), y - (ext.y_bearing + ext.height / 2));
}

void show_text_object(cairo_t* cr, const TextOut& out, const GraphicsObject& t, double x, double y, double dx,
                      double dy) {
  if (out.elements == nullptr) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, -t.rotation * kPi / 180);  // the page's y points down
    cairo_move_to(cr, dx, dy);
    cairo_show_text(cr, t.string.c_str());
    cairo_restore(cr);
    return;
  }
  const double turn = -t.rotation * kPi / 180;
  double sx = x + std::cos(turn) * dx - std::sin(turn) * dy, sy = y + std::sin(turn) * dx + std::cos(turn) * dy;
  cairo_matrix_t font;
  cairo_get_font_matrix(cr, &font);
  double r = 0, g = 0, b = 0, a = 1;
  cairo_pattern_get_rgba(cairo_get_source(cr), &r, &g, &b, &a);
  cairo_user_to_device(cr, &sx, &sy);
  out.elements->push_back({t.string, sx, sy, font.xx, Rgb{r, g, b}, t.font_name,
                           t.font_angle == "normal" ? "normal" : t.font_angle,
                           t.font_weight == "bold" || t.font_weight == "demi" ? "bold" : "normal", t.rotation});
}

void draw_axes_title(cairo_t* cr, const TextOut& out, const Graphics& graphics, const GraphicsObject& axes, double x,
                     double y, bool middle) {
  if (axes.title == 0 || !graphics.is_handle(axes.title)) return;
  const GraphicsObject& t = graphics.object(axes.title);
  if (!t.visible || t.string.empty()) return;
  select_text_font(cr, t);
  set_colour(cr, t.color);
  cairo_text_extents_t ext;
  cairo_text_extents(cr, t.string.c_str(), &ext);
  show_text_object(cr, out, t, x, y, -(ext.x_bearing + ext.width / 2), middle ? -(ext.y_bearing + ext.height / 2) : 0);
}

Rgb colour_for_value(double value, double low, double high) {
  // Stops of a sequential map that stays dark enough to read on white.
  static const Rgb stops[] = {
      {0.16, 0.08, 0.38}, {0.46, 0.12, 0.55}, {0.80, 0.16, 0.35}, {0.95, 0.45, 0.10}, {0.98, 0.68, 0.05}};
  double t = high > low ? (value - low) / (high - low) : 1.0;
  if (!std::isfinite(t)) t = 0;
  t = std::clamp(t, 0.0, 1.0) * 4;
  const int i = std::min(3, static_cast<int>(t));
  const double f = t - i;
  const Rgb& a = stops[i];
  const Rgb& b = stops[i + 1];
  return {a.r + f * (b.r - a.r), a.g + f * (b.g - a.g), a.b + f * (b.b - a.b)};
}

Rgb point_colour(const GraphicsObject& axes, const GraphicsObject& line, Eigen::Index i) {
  if (axes.colour_limits && i < line.colour_values.size())
    return colour_for_value(line.colour_values(i), (*axes.colour_limits)[0], (*axes.colour_limits)[1]);
  return line.color;
}

Rgb legend_colour(const GraphicsObject& axes, const GraphicsObject& line) {
  if (!axes.colour_limits || line.colour_values.size() == 0) return line.fill ? *line.fill : line.color;
  const auto [low, high] = *axes.colour_limits;
  return colour_for_value((low + high) / 2, low, high);
}

void draw_colour_key(cairo_t* cr, const TextOut& out, double left, double top, double width, double height, double low,
                     double high, const std::string& label, double label_left) {
  const int bands = 64;
  for (int i = 0; i < bands; ++i) {
    const double t = (i + 0.5) / bands;
    set_colour(cr, colour_for_value(low + t * (high - low), low, high));
    const double y = top + height * (1 - static_cast<double>(i + 1) / bands);
    cairo_rectangle(cr, left, y, width, height / bands + 0.5);
    cairo_fill(cr);
  }
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_set_line_width(cr, 0.5 * kPt);
  cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
  cairo_rectangle(cr, left, top, width, height);
  cairo_stroke(cr);
  select_plot_font(cr, 9);
  const double range = high - low;
  if (range > 0) {
    const double raw = range / 4, magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / magnitude, step = (f < 1.5 ? 1 : f < 3 ? 2 : f < 7 ? 5 : 10) * magnitude;
    for (double v = std::ceil(low / step - 1e-9) * step; v <= high + step * 1e-9; v += step) {
      const double y = top + height * (1 - (v - low) / range);
      cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
      cairo_move_to(cr, left + width, y);
      cairo_line_to(cr, left + width + 4, y);
      cairo_stroke(cr);
      cairo_set_source_rgb(cr, 0, 0, 0);
      const std::string text = tick_text(v, step);
      cairo_text_extents_t ext;
      cairo_text_extents(cr, text.c_str(), &ext);
      show_text(cr, out, text, left + width + 6 - ext.x_bearing, y - (ext.y_bearing + ext.height / 2));
    }
  }
  if (!label.empty()) {
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, label.c_str(), &ext);
    const double start = std::max(left + width / 2 - ext.width / 2, label_left);
    show_text(cr, out, label, start - ext.x_bearing, top - 8);
  }
}

void select_plot_font(cairo_t* cr, double points) {
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, points * kPt);
}

void select_text_font(cairo_t* cr, const GraphicsObject& t) {
  const cairo_font_slant_t slant = t.font_angle == "italic"    ? CAIRO_FONT_SLANT_ITALIC
                                   : t.font_angle == "oblique" ? CAIRO_FONT_SLANT_OBLIQUE
                                                               : CAIRO_FONT_SLANT_NORMAL;
  const bool bold = t.font_weight == "bold" || t.font_weight == "demi";
  cairo_select_font_face(cr, t.font_name.c_str(), slant, bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, t.font_size * kDeviceUnitsPerPoint);
}

TextSize measure_plot_text(const std::string& text, double points) {
  cairo_t* cr = measuring_context();
  select_plot_font(cr, points);
  return extent_in(cr, text);
}

TextSize measure_text_object(const GraphicsObject& t) {
  cairo_t* cr = measuring_context();
  select_text_font(cr, t);
  return extent_in(cr, t.string);
}

}  // namespace velmora
