// Drawing the flat (x-y) plots of a window: scatter plots, bars, difference
// vectors and grids, with ticks, axis names, a legend and a colour key.
#pragma once

#include <Eigen/Dense>
#include <optional>
#include <string>
#include <vector>

#include "runtime/graphics.h"
#include "runtime/render_marks.h"

typedef struct _cairo cairo_t;

namespace velmora {

/// Draws every flat axes of window `figure` into a Cairo context of width by
/// height device units (the background is the caller's): per axes, the fills,
/// lines, arrowheads and markers of its lines in the order they were made,
/// clipped to the plot rectangle, then its texts, frame, ticks, axis names,
/// title, the legend of the lines that have a display name, and its colour key.
/// The legend goes where it covers no data: beside the plot above the colour
/// key when there is one and the margin holds it, else in the plot's corner
/// with the fewest points. Text goes to `out`.
/// `hidden`: display names of legend rows clicked off; the lines that carry
/// them, or go with them (legend_with), are left out and the rows greyed.
void draw_flat_figure(cairo_t* cr, const TextOut& out, const Graphics& graphics, Handle figure, double width,
                      double height, const std::vector<std::string>& hidden = {});

/// The display name of the legend row of a flat figure (drawn as
/// draw_flat_figure draws it on a page of width by height device units) at
/// device position `at`, or nothing when `at` is on no row.
std::optional<std::string> flat_legend_label_at(const Graphics& graphics, Handle figure, double width,
                                                double height, const std::vector<std::string>& hidden,
                                                const Eigen::Vector2d& at);

}  // namespace velmora
