// Pieces of drawing shared by the 3D and the flat renderer: markers, dashes,
// arrowheads, tick numbers, the colour map and its key.
#pragma once

#include <Eigen/Dense>
#include <limits>
#include <string>
#include <vector>

#include "runtime/graphics.h"

typedef struct _cairo cairo_t;

namespace velmora {

void set_colour(cairo_t* cr, const Rgb& colour);

/// The dash pattern of a line style ("-", "--", ":", "-.") for a line `width` wide.
void set_dash(cairo_t* cr, const std::string& style, double width, double offset);

/// One marker of `line` (its marker, size, width, colours) centred at `at`;
/// `colour` replaces the line's colour.
void draw_marker(cairo_t* cr, const GraphicsObject& line, const Eigen::Vector2d& at, const Rgb& colour);

/// A filled arrowhead at `tip` pointing away from `from`, sized for a line `width` wide.
void draw_arrowhead(cairo_t* cr, const Eigen::Vector2d& from, const Eigen::Vector2d& tip, double width,
                    const Rgb& colour);

/// A tick number as people write it: no rounding noise, no trailing zeros.
std::string tick_text(double value, double step);

/// Text shown on the page, or kept aside as an SVG <text> element.
struct SvgText {
  std::string text;
  double x = 0, y = 0, size = 10;  // the start of the baseline, device units; the font size
  Rgb color;
  std::string family = "DejaVu Sans", style = "normal", weight = "normal";
  double rotation = 0;  // degrees, counterclockwise about (x, y)
};

/// Where the renderers' text goes: drawn as glyphs, or, with `elements` set,
/// kept as text elements (an SVG file with real text).
struct TextOut {
  std::vector<SvgText>* elements = nullptr;
};

/// Text with its baseline starting at (x, y) in the current font and colour.
void show_text(cairo_t* cr, const TextOut& out, const std::string& text, double x, double y);

/// Text with its centre at (x, y).
void centred_text(cairo_t* cr, const TextOut& out, const std::string& text, double x, double y);

/// The title of `axes`, when it has a visible one, centred across at x with
/// its baseline at y, or centred both ways on (x, y) when `middle`.
void draw_axes_title(cairo_t* cr, const TextOut& out, const Graphics& graphics, const GraphicsObject& axes, double x,
                     double y, bool middle);

/// A text object in its own font (selected already) and the current colour,
/// turned by its Rotation (counterclockwise) about (x, y); (dx, dy) places the
/// start of its baseline from that point along and across the text.
void show_text_object(cairo_t* cr, const TextOut& out, const GraphicsObject& text, double x, double y, double dx,
                      double dy);

/// The colour of `value` on a key from `low` to `high`: dark violet through red
/// to orange, every colour clear on white.
Rgb colour_for_value(double value, double low, double high);

/// The colour of point i of `line`: its value on the colour key of `axes`
/// when both have one, else the line's colour.
Rgb point_colour(const GraphicsObject& axes, const GraphicsObject& line, Eigen::Index i);

/// The colour a line shows in a legend: the middle of the colour key of
/// `axes` when its points take their colours from the key, else its own.
Rgb legend_colour(const GraphicsObject& axes, const GraphicsObject& line);

/// A vertical colour key filling the rectangle (device units) with numbers on
/// its right and `label` above it, centred on it but starting no further left
/// than `label_left` (clear of the plot beside it).
void draw_colour_key(cairo_t* cr, const TextOut& out, double left, double top, double width, double height, double low,
                     double high, const std::string& label,
                     double label_left = -std::numeric_limits<double>::infinity());

/// The font of the labels, ticks and titles.
void select_plot_font(cairo_t* cr, double points);

/// The font of a text object: its FontName, FontAngle, FontWeight, FontSize.
void select_text_font(cairo_t* cr, const GraphicsObject& text);

/// The ink extent of a text, device units: its size, and where its ink
/// starts from the start of the baseline (y down, so y_bearing < 0 above it).
struct TextSize {
  double width = 0, height = 0;
  double x_bearing = 0, y_bearing = 0;
};

/// The extent of `text` in the plot font of `points` (as select_plot_font), or
/// of text object `t` in its own font, measured as the renderers measure it:
/// for laying out a page before anything is drawn.
TextSize measure_plot_text(const std::string& text, double points);
TextSize measure_text_object(const GraphicsObject& t);

}  // namespace velmora
