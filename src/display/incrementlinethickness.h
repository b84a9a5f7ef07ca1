// Making the drawn lines of a set of axes thicker or thinner.
#pragma once

#include "runtime/graphics.h"

namespace velmora {

/// The thinnest line the styling steps allow, in points.
constexpr double kThinnestLine = 0.5;

/// Adds `weight` points to the "LineWidth" of every line object among the
/// children of `fighandle` that is drawn with a line style (not "none"); marker
/// clouds and text labels are left as they are. A step that would take any of
/// those widths below kThinnestLine is refused as a whole: nothing changes and
/// the result is false.
bool incrementlinethickness(Graphics& graphics, Handle fighandle, double weight);

}  // namespace velmora
