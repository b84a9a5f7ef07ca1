// Pieces of drawing shared by the 3D and the flat renderer: markers, dashes,
// arrowheads, tick numbers, the colour map and its key.
#pragma once

#include <Eigen/Dense>
#include <string>

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

/// Text with its centre at (x, y).
void centred_text(cairo_t* cr, const std::string& text, double x, double y);

/// The colour of `value` on a key from `low` to `high`: dark violet through red
/// to orange, every colour clear on white.
Rgb colour_for_value(double value, double low, double high);

/// The colour of point i of `line`: its value on the colour key of `axes`
/// when both have one, else the line's colour.
Rgb point_colour(const GraphicsObject& axes, const GraphicsObject& line, Eigen::Index i);

/// A vertical colour key filling the rectangle (device units) with numbers on
/// its right and `label` above it.
void draw_colour_key(cairo_t* cr, double left, double top, double width, double height, double low, double high,
                     const std::string& label);

/// The font of the labels, ticks and titles.
void select_plot_font(cairo_t* cr, double points);

/// The font of a text object: its FontName, FontAngle, FontWeight, FontSize.
void select_text_font(cairo_t* cr, const GraphicsObject& text);

/// A text object turned by its Rotation (counterclockwise) about (x, y);
/// (dx, dy) places the text from that point along and across its own baseline.
void show_turned_text(cairo_t* cr, const GraphicsObject& text, double x, double y, double dx, double dy);

}  // namespace velmora
