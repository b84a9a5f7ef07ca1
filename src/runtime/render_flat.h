// Drawing the flat (x-y) plots of a window: scatter plots, bars, difference
// vectors and grids, with ticks, axis names, a legend and a colour key.
#pragma once

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
void draw_flat_figure(cairo_t* cr, const TextOut& out, const Graphics& graphics, Handle figure, double width,
                      double height);

}  // namespace velmora
