// Drawing a window of the graphics model with Cairo: the axes box, the lines
// and markers back to front, the labels and the title. One file because these
// share one projection and one depth order (marks and the flat plots have
// files of their own).
#include "runtime/render.h"

#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "runtime/error.h"
#include "runtime/file_write.h"
#include "runtime/format.h"
#include "runtime/render_flat.h"
#include "runtime/render_layout.h"
#include "runtime/render_marks.h"
#include "runtime/render_surface.h"

namespace velmora {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kPt = kDeviceUnitsPerPoint;
constexpr const char* kFont = "DejaVu Sans";

bool finite(const Eigen::Vector3d& p) { return std::isfinite(p.x()) && std::isfinite(p.y()) && std::isfinite(p.z()); }

// One piece of a line object: a segment between two points, or one marker.
struct Piece {
  double depth = 0;
  const GraphicsObject* line = nullptr;
  bool marker = false;
  Eigen::Vector2d a, b;
  double dash_offset = 0;
  Rgb colour;          // the line's colour, or its value's on the colour key
  bool arrow = false;  // the last segment of a run: an arrowhead at b
  bool top = false;    // drawn after every piece that is not
};

void draw_segment(cairo_t* cr, const Piece& piece) {
  const GraphicsObject& line = *piece.line;
  const double width = line.line_width * kPt;
  cairo_new_path(cr);
  cairo_set_line_width(cr, width);
  const bool solid = line.line_style == "-";
  cairo_set_line_cap(cr, solid ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
  set_dash(cr, line.line_style, width, piece.dash_offset);
  set_colour(cr, piece.colour);
  cairo_move_to(cr, piece.a.x(), piece.a.y());
  cairo_line_to(cr, piece.b.x(), piece.b.y());
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
  if (piece.arrow) draw_arrowhead(cr, piece.a, piece.b, width, piece.colour);
}

Eigen::Vector3d corner(const AxesLayout& layout, int bits) {
  Eigen::Vector3d p;
  for (int k = 0; k < 3; ++k) p(k) = (bits >> k) & 1 ? layout.upper(k) : layout.lower(k);
  return p;
}

// The box of the axes, and along one edge per axis its ticks and numbers
// (and, with `names`, the axis' name beyond them).
void draw_axes_box(cairo_t* cr, const AxesLayout& layout, const TextOut& text_out, bool names) {
  const Eigen::Vector2d centre = layout.project(layout.centre);
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_set_line_width(cr, 0.5 * kPt);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
  cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
  for (int bits = 0; bits < 8; ++bits) {
    for (int k = 0; k < 3; ++k) {
      if ((bits >> k) & 1) continue;
      const Eigen::Vector2d a = layout.project(corner(layout, bits)), b = layout.project(corner(layout, bits | 1 << k));
      cairo_move_to(cr, a.x(), a.y());
      cairo_line_to(cr, b.x(), b.y());
    }
  }
  cairo_stroke(cr);

  cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 10 * kPt);
  // Numbers already placed (centre, half width, half height): a number that
  // would overlap one of them (two axes meeting at a corner) is left out.
  std::vector<Eigen::Vector4d> placed;
  for (int k = 0; k < 3; ++k) {
    // The edges along axis k; x and y numbers go on the lowest edge on the
    // page, z numbers on the leftmost.
    int best = -1;
    Eigen::Vector2d best_mid;
    for (int bits = 0; bits < 8; ++bits) {
      if ((bits >> k) & 1) continue;
      const Eigen::Vector2d mid =
          (layout.project(corner(layout, bits)) + layout.project(corner(layout, bits | 1 << k))) / 2;
      bool better = best < 0;
      if (!better && k < 2)
        better = mid.y() > best_mid.y() + 1e-6 || (std::abs(mid.y() - best_mid.y()) <= 1e-6 && mid.x() < best_mid.x());
      if (!better && k == 2)
        better = mid.x() < best_mid.x() - 1e-6 || (std::abs(mid.x() - best_mid.x()) <= 1e-6 && mid.y() > best_mid.y());
      if (better) {
        best = bits;
        best_mid = mid;
      }
    }
    const Eigen::Vector2d a = layout.project(corner(layout, best)), b = layout.project(corner(layout, best | 1 << k));
    const double length = (b - a).norm();
    const auto& ticks = layout.ticks[k];
    if (length < 10 || ticks.size() < 2) continue;  // seen end on: no room for numbers
    Eigen::Vector2d out = best_mid - centre;
    if (out.norm() < 1e-9) out = Eigen::Vector2d(0, 1);
    out.normalize();
    // Leave numbers out at regular steps when they would crowd each other.
    const Eigen::Vector2d along = (b - a) / length;
    double needed = 0;
    for (double t : ticks) {
      cairo_text_extents_t ext;
      cairo_text_extents(cr, tick_text(t, layout.tick_step[k]).c_str(), &ext);
      needed = std::max(needed, std::abs(along.x()) * ext.width + std::abs(along.y()) * ext.height + 6);
    }
    const double spacing = length / (ticks.size() - 1);
    const int every = std::max(1, static_cast<int>(std::ceil(needed / spacing - 1e-9)));
    double reach = 8;  // how far the numbers reach out from the edge
    for (size_t i = 0; i < ticks.size(); i += every) {
      Eigen::Vector3d p = corner(layout, best);
      p(k) = ticks[i];
      const Eigen::Vector2d at = layout.project(p), end = at + out * 5;
      cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
      cairo_move_to(cr, at.x(), at.y());
      cairo_line_to(cr, end.x(), end.y());
      cairo_stroke(cr);
      const std::string text = tick_text(ticks[i], layout.tick_step[k]);
      cairo_text_extents_t ext;
      cairo_text_extents(cr, text.c_str(), &ext);
      const Eigen::Vector2d label =
          end + Eigen::Vector2d(out.x() * (ext.width / 2 + 3), out.y() * (ext.height / 2 + 3));
      const Eigen::Vector4d here(label.x(), label.y(), ext.width / 2 + 1, ext.height / 2 + 1);
      const bool overlaps = std::any_of(placed.begin(), placed.end(), [&](const Eigen::Vector4d& o) {
        return std::abs(o(0) - here(0)) < o(2) + here(2) && std::abs(o(1) - here(1)) < o(3) + here(3);
      });
      if (overlaps) continue;
      placed.push_back(here);
      reach = std::max(reach, 8 + std::abs(out.x()) * ext.width + std::abs(out.y()) * ext.height);
      cairo_set_source_rgb(cr, 0, 0, 0);
      centred_text(cr, text_out, text, label.x(), label.y());
    }
    if (names) {
      const char* name[] = {"x", "y", "z"};
      const Eigen::Vector2d at = best_mid + out * (reach + 9);
      cairo_set_source_rgb(cr, 0, 0, 0);
      cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_NORMAL);
      centred_text(cr, text_out, name[k], at.x(), at.y());
      cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    }
  }
}

// The legend's box in the top right corner of the plot area: its place, and
// the width of its sample of a style and the height of a row.
struct LegendBox {
  double left = 0, top = 0, width = 0, height = 0;
  static constexpr double pad = 6, sample = 26, row = 16;
};

LegendBox legend_box(cairo_t* cr, const std::vector<LegendEntry>& entries, const AxesLayout& layout) {
  cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 9 * kPt);
  double text_w = 0;
  for (const auto& e : entries) {
    cairo_text_extents_t ext;
    cairo_text_extents(cr, e.label.c_str(), &ext);
    text_w = std::max(text_w, ext.x_advance);
  }
  LegendBox box;
  box.width = LegendBox::pad * 3 + LegendBox::sample + text_w;
  box.height = LegendBox::pad * 2 + LegendBox::row * static_cast<double>(entries.size());
  box.left = layout.area_right - box.width - 4;
  box.top = layout.area_top + 4;
  return box;
}

// A sample of each style beside its label; a row whose lines are hidden is greyed.
void draw_legend(cairo_t* cr, const TextOut& text_out, const std::vector<LegendEntry>& entries,
                 const AxesLayout& layout) {
  if (entries.empty()) return;
  const LegendBox box = legend_box(cr, entries, layout);
  const double pad = LegendBox::pad, sample = LegendBox::sample, row = LegendBox::row;
  const double left = box.left, top = box.top;
  cairo_set_dash(cr, nullptr, 0, 0);
  cairo_rectangle(cr, left, top, box.width, box.height);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.88);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
  cairo_set_line_width(cr, 0.5 * kPt);
  cairo_stroke(cr);
  for (size_t i = 0; i < entries.size(); ++i) {
    const LegendEntry& e = entries[i];
    const double y = top + pad + row * (static_cast<double>(i) + 0.5);
    const Rgb colour = e.shown ? e.color : Rgb{0.8, 0.8, 0.8};
    GraphicsObject style;
    style.type = ObjectType::line;
    style.color = colour;
    style.marker = e.marker;
    style.line_style = e.line_style;
    if (e.filled) style.marker_face = colour;
    if (e.line_style != "none" && !e.line_style.empty()) {
      Piece p;
      p.line = &style;
      p.colour = colour;
      p.a = Eigen::Vector2d(left + pad, y);
      p.b = Eigen::Vector2d(left + pad + sample, y);
      draw_segment(cr, p);
    }
    if (e.marker != "none" && !e.marker.empty())
      draw_marker(cr, style, Eigen::Vector2d(left + pad + sample / 2, y), colour);
    if (e.shown)
      cairo_set_source_rgb(cr, 0, 0, 0);
    else
      cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, e.label.c_str(), &ext);
    show_text(cr, text_out, e.label, left + pad * 2 + sample, y - (ext.y_bearing + ext.height / 2));
  }
}

// The rows of the legend: the view's, then the lines named in the model that
// it does not name.
std::vector<LegendEntry> legend_rows(const Graphics& graphics, const GraphicsObject& axes, const PlotExtras& more) {
  std::vector<LegendEntry> legend = more.legend;
  for (auto it = axes.children.rbegin(); it != axes.children.rend(); ++it) {
    const GraphicsObject& o = graphics.object(*it);
    if (o.type != ObjectType::line || !o.visible || o.display_name.empty()) continue;
    if (std::any_of(legend.begin(), legend.end(), [&](const LegendEntry& e) { return e.label == o.display_name; }))
      continue;
    legend.push_back(legend_entry_of(axes, o));
  }
  return legend;
}

// Where a label of `ext` goes near its point `at` (the start of its baseline):
// a little right of the point, centred on it, the usual place; when that would
// overprint a label already placed, the first free place of a ring around the
// point (right, above, below, left and the corners), then of wider rings; the
// usual place when every one is taken.
Eigen::Vector2d label_place(const cairo_text_extents_t& ext, const Eigen::Vector2d& at,
                            std::vector<Eigen::Vector4d>& placed) {
  const double w = ext.x_advance, h = ext.height, gap = 4;
  const double baseline_mid = -(ext.y_bearing + ext.height / 2);
  // Centres of the label's box relative to the point, one ring.
  const Eigen::Vector2d ring[] = {{gap + w / 2, 0},
                                  {0, -(gap + h / 2)},
                                  {0, gap + h / 2},
                                  {-(gap + w / 2), 0},
                                  {gap + w / 2, -(gap + h / 2)},
                                  {gap + w / 2, gap + h / 2},
                                  {-(gap + w / 2), -(gap + h / 2)},
                                  {-(gap + w / 2), gap + h / 2}};
  auto sign = [](double v) { return v > 0 ? 1.0 : v < 0 ? -1.0 : 0.0; };
  auto free = [&](const Eigen::Vector4d& box) {
    return std::none_of(placed.begin(), placed.end(), [&](const Eigen::Vector4d& o) {
      return std::abs(o(0) - box(0)) < o(2) + box(2) && std::abs(o(1) - box(1)) < o(3) + box(3);
    });
  };
  // Half the box a label keeps to itself: room for a space beside it, so two
  // numbers side by side ("14" and "1") never read as one.
  const double half_w = w / 2 + 3, half_h = h / 2 + 1.5;
  Eigen::Vector4d chosen(at.x() + ring[0].x(), at.y(), half_w, half_h);
  bool found = false;
  for (int step = 0; step < 4 && !found; ++step) {
    for (const Eigen::Vector2d& centre : ring) {
      // Wider rings move out by whole label sizes.
      const Eigen::Vector2d out(centre.x() + sign(centre.x()) * step * (w + gap),
                                centre.y() + sign(centre.y()) * step * (h + gap));
      const Eigen::Vector4d box(at.x() + out.x(), at.y() + out.y(), half_w, half_h);
      if (free(box)) {
        chosen = box;
        found = true;
        break;
      }
    }
  }
  placed.push_back(chosen);
  return Eigen::Vector2d(chosen(0) - w / 2, chosen(1) + baseline_mid);
}

// The SVG text of `bytes` with `elements` added as <text> before its end.
std::string with_text_elements(std::string bytes, const std::vector<SvgText>& elements) {
  auto escaped = [](const std::string& text) {
    std::string out;
    for (char c : text) {
      if (c == '&')
        out += "&amp;";
      else if (c == '<')
        out += "&lt;";
      else if (c == '>')
        out += "&gt;";
      else if (c == '"')
        out += "&quot;";
      else
        out += c;
    }
    return out;
  };
  std::string added;
  for (const SvgText& t : elements) {
    char place[64], size_and_fill[96];
    std::snprintf(place, sizeof place, "<text x=\"%.2f\" y=\"%.2f\"", t.x, t.y);
    std::snprintf(size_and_fill, sizeof size_and_fill, " font-size=\"%.2f\" fill=\"rgb(%d,%d,%d)\"", t.size,
                  static_cast<int>(std::lround(t.color.r * 255)), static_cast<int>(std::lround(t.color.g * 255)),
                  static_cast<int>(std::lround(t.color.b * 255)));
    std::string element = place + (" font-family=\"" + escaped(t.family) + "\"") + size_and_fill;
    if (t.style != "normal") element += " font-style=\"" + t.style + "\"";
    if (t.weight != "normal") element += " font-weight=\"" + t.weight + "\"";
    if (t.rotation != 0) {
      char turn[128];
      std::snprintf(turn, sizeof turn, " transform=\"rotate(%.4g %.2f %.2f)\"", -t.rotation, t.x, t.y);
      element += turn;
    }
    added += element + ">" + escaped(t.text) + "</text>\n";
  }
  const size_t end = bytes.rfind("</svg>");
  if (end == std::string::npos) return bytes + added;
  bytes.insert(end, added);
  return bytes;
}

bool has_content(const Graphics& graphics, const AxesLayout& layout) {
  if (layout.axes == 0) return false;
  const GraphicsObject& axes = graphics.object(layout.axes);
  return axes.axis_on || !axes.children.empty() || (axes.title != 0 && !graphics.object(axes.title).string.empty());
}

void draw(cairo_t* cr, const Graphics& graphics, Handle figure, double width, double height,
          const std::optional<RenderView>& view, bool background, const PlotExtras* extras = nullptr,
          std::vector<SvgText>* text_elements = nullptr) {
  const PlotExtras none;
  const PlotExtras& more = extras != nullptr ? *extras : none;
  const TextOut text_out{text_elements};
  auto lock = graphics.lock();
  const AxesLayout layout = layout_axes(graphics, figure, width, height, view);
  cairo_save(cr);
  if (background || !has_content(graphics, layout)) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_fill(cr);
  }
  if (layout.axes == 0 || !graphics.object(figure).visible) {
    cairo_restore(cr);
    return;
  }
  const GraphicsObject& axes = graphics.object(layout.axes);
  if (axes.flat) {
    draw_flat_figure(cr, text_out, graphics, figure, width, height, more.hidden_names);
    cairo_restore(cr);
    return;
  }
  if (axes.axis_on && axes.visible) draw_axes_box(cr, layout, text_out, more.axis_names);
  // Surfaces under the lines; marks behind an opaque surface are hidden by it.
  const SurfaceDepth surfaces = draw_surfaces(cr, graphics, axes, layout, width, height);

  // Oldest object first, so later drawing lies on top at equal depth.
  std::vector<Piece> pieces;
  std::vector<const GraphicsObject*> texts, lines;
  for (auto it = axes.children.rbegin(); it != axes.children.rend(); ++it) {
    const GraphicsObject& o = graphics.object(*it);
    if (!o.visible) continue;
    if (o.type == ObjectType::text) texts.push_back(&o);
    if (o.type == ObjectType::line && std::find(more.hidden.begin(), more.hidden.end(), o.handle) == more.hidden.end())
      lines.push_back(&o);
  }
  for (const GraphicsObject& o : more.added) {
    const bool off = std::any_of(more.legend.begin(), more.legend.end(),
                                 [&](const LegendEntry& e) { return !e.shown && e.label == o.display_name; });
    if (o.visible && o.type == ObjectType::line && !off) lines.push_back(&o);
  }
  for (const GraphicsObject* line : lines) {
    const GraphicsObject& o = *line;
    const Eigen::Index n = std::min({o.x.size(), o.y.size(), o.z.size()});
    const bool lined = !o.line_style.empty() && o.line_style != "none";
    const bool marked = !o.marker.empty() && o.marker != "none";
    const bool top = std::find(more.on_top.begin(), more.on_top.end(), o.handle) != more.on_top.end();
    double travelled = 0;
    for (Eigen::Index i = 0; i < n; ++i) {
      const Eigen::Vector3d p(o.x(i), o.y(i), o.z(i));
      if (!finite(p)) continue;
      const Eigen::Vector2d at = layout.project(p);
      const Rgb colour = point_colour(axes, o, i);
      if (lined && i + 1 < n) {
        const Eigen::Vector3d q(o.x(i + 1), o.y(i + 1), o.z(i + 1));
        if (finite(q)) {
          const bool last = i + 2 >= n || !finite(Eigen::Vector3d(o.x(i + 2), o.y(i + 2), o.z(i + 2)));
          Piece s{(layout.depth(p) + layout.depth(q)) / 2,
                  &o,
                  false,
                  at,
                  layout.project(q),
                  travelled,
                  colour,
                  o.arrows && last,
                  top};
          travelled += (s.b - s.a).norm();
          pieces.push_back(s);
        }
      }
      if (marked) pieces.push_back(Piece{layout.depth(p), &o, true, at, at, 0, colour, false, top});
    }
  }
  std::stable_sort(pieces.begin(), pieces.end(),
                   [](const Piece& a, const Piece& b) { return a.top != b.top ? b.top : a.depth < b.depth; });
  for (const Piece& piece : pieces) {
    if (surfaces.width > 0 && surfaces.hidden((piece.a + piece.b) / 2, piece.depth)) continue;
    if (piece.marker)
      draw_marker(cr, *piece.line, piece.a, piece.colour);
    else
      draw_segment(cr, piece);
  }

  // Points picked in a list, over the data.
  for (const PointOverlay& overlay : more.highlight) {
    for (Eigen::Index i = 0; i < overlay.points.rows() && overlay.points.cols() >= 3; ++i) {
      const Eigen::Vector3d p = overlay.points.row(i).head<3>().transpose();
      if (!finite(p)) continue;
      const Eigen::Vector2d at = layout.project(p);
      cairo_new_path(cr);
      cairo_arc(cr, at.x(), at.y(), 2.4 * kPt, 0, 2 * kPi);
      set_colour(cr, overlay.color);
      cairo_fill_preserve(cr);
      cairo_set_source_rgb(cr, 0.25, 0.15, 0);
      cairo_set_line_width(cr, 0.6 * kPt);
      cairo_stroke(cr);
    }
  }

  // Labels over the data, each in its own font: a turned one (by its own
  // rotation) starts at its point, centred on it across; the others are set
  // beside their points clear of each other.
  std::vector<Eigen::Vector4d> placed;
  for (const GraphicsObject* t : texts) {
    if (!finite(t->text_position) || t->string.empty()) continue;
    select_text_font(cr, *t);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, t->string.c_str(), &ext);
    const Eigen::Vector2d point = layout.project(t->text_position);
    set_colour(cr, t->color);
    if (t->rotation != 0) {
      show_text_object(cr, text_out, *t, point.x(), point.y(), 0, -(ext.y_bearing + ext.height / 2));
      continue;
    }
    const Eigen::Vector2d at = label_place(ext, point, placed);
    show_text_object(cr, text_out, *t, point.x(), point.y(), at.x() - point.x(), at.y() - point.y());
  }

  if (axes.colour_limits)
    draw_colour_key(cr, text_out, 0.9 * width, 0.2 * height, 0.025 * width, 0.6 * height, (*axes.colour_limits)[0],
                    (*axes.colour_limits)[1], axes.colour_label);

  draw_axes_title(cr, text_out, graphics, axes, width / 2, layout.area_top - 6, false);
  draw_legend(cr, text_out, legend_rows(graphics, axes, more), layout);
  cairo_restore(cr);
}

cairo_status_t append_bytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};

void check(cairo_status_t status, const char* what) {
  if (status != CAIRO_STATUS_SUCCESS)
    throw RuntimeError(std::string("The picture could not be ") + what + ": " + cairo_status_to_string(status) + ".");
}

}  // namespace

LegendEntry legend_entry_of(const GraphicsObject& axes, const GraphicsObject& line) {
  return LegendEntry{line.display_name, legend_colour(axes, line), line.marker.empty() ? "none" : line.marker,
                     line.line_style.empty() ? "none" : line.line_style, line.marker_face.has_value()};
}

std::optional<std::size_t> legend_row_at(const Graphics& graphics, Handle figure, double width, double height,
                                         const PlotExtras& extras, const Eigen::Vector2d& at) {
  auto lock = graphics.lock();
  const AxesLayout layout = layout_axes(graphics, figure, width, height);
  if (layout.axes == 0 || graphics.object(layout.axes).flat) return std::nullopt;
  const std::vector<LegendEntry> rows = legend_rows(graphics, graphics.object(layout.axes), extras);
  if (rows.empty()) return std::nullopt;
  std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
  std::unique_ptr<cairo_t, ContextDeleter> cr(cairo_create(surface.get()));
  const LegendBox box = legend_box(cr.get(), rows, layout);
  if (at.x() < box.left || at.x() > box.left + box.width || at.y() < box.top + LegendBox::pad) return std::nullopt;
  const double row = std::floor((at.y() - box.top - LegendBox::pad) / LegendBox::row);
  if (row < 0 || row >= static_cast<double>(rows.size())) return std::nullopt;
  return static_cast<std::size_t>(row);
}

void render_figure(cairo_t* cr, const Graphics& graphics, Handle figure, double width, double height,
                   const std::optional<RenderView>& view, const PlotExtras* extras) {
  draw(cr, graphics, figure, width, height, view, true, extras);
}

std::string render_figure_bytes(const Graphics& graphics, Handle figure, ImageFormat format, int width, int height,
                                const std::optional<RenderView>& view, const PlotExtras* extras) {
  if (width < 1 || height < 1 || width > 32767 || height > 32767)
    throw RuntimeError("A picture must be 1 to 32767 units wide and high; " + std::to_string(width) + " by " +
                       std::to_string(height) + " was asked for.");
  if (!graphics.is_handle(figure) || graphics.object(figure).type != ObjectType::figure)
    throw RuntimeError("There is no open window with the handle " + std::to_string(figure) + " to draw.");
  std::string bytes;
  std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface;
  switch (format) {
    case ImageFormat::png:
      surface.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
      break;
    case ImageFormat::svg:
      surface.reset(cairo_svg_surface_create_for_stream(append_bytes, &bytes, width, height));
      break;
    case ImageFormat::pdf:
      surface.reset(cairo_pdf_surface_create_for_stream(append_bytes, &bytes, width, height));
      break;
    case ImageFormat::eps:
      surface.reset(cairo_ps_surface_create_for_stream(append_bytes, &bytes, width, height));
      cairo_ps_surface_set_eps(surface.get(), 1);
      break;
  }
  check(cairo_surface_status(surface.get()), "made");
  std::vector<SvgText> text_elements;
  const bool keep_text = format == ImageFormat::svg && extras != nullptr && extras->svg_text_elements;
  {
    std::unique_ptr<cairo_t, ContextDeleter> cr(cairo_create(surface.get()));
    // An EPS file is placed into other documents: only what is drawn counts
    // towards its bounding box, so it gets no page background.
    draw(cr.get(), graphics, figure, width, height, view, format != ImageFormat::eps, extras,
         keep_text ? &text_elements : nullptr);
    check(cairo_status(cr.get()), "drawn");
  }
  if (format == ImageFormat::png) {
    cairo_surface_flush(surface.get());
    check(cairo_surface_write_to_png_stream(surface.get(), append_bytes, &bytes), "written as PNG");
  } else {
    cairo_surface_finish(surface.get());
    check(cairo_surface_status(surface.get()), "written");
  }
  if (keep_text) return with_text_elements(std::move(bytes), text_elements);
  return bytes;
}

std::uintmax_t write_figure(const Graphics& graphics, Handle figure, ImageFormat format,
                            const std::filesystem::path& path, int width, int height,
                            const std::function<void(const std::string&)>& note) {
  return write_file_atomically(path, render_figure_bytes(graphics, figure, format, width, height), note);
}

std::optional<ImageFormat> format_for_path(const std::filesystem::path& path) {
  const std::string ext = lower_case(path.extension().string());
  if (ext == ".png") return ImageFormat::png;
  if (ext == ".svg") return ImageFormat::svg;
  if (ext == ".pdf") return ImageFormat::pdf;
  if (ext == ".eps") return ImageFormat::eps;
  return std::nullopt;
}

}  // namespace velmora
