// Making the drawn lines of a set of axes thicker or thinner.
#pragma once

#include "runtime/graphics.h"

namespace velmora {

/// The thinnest line the styling steps allow, in points.
constexpr double kThinnestLine = 0.5;

/// Adds `weight` points to the "LineWidth" of every line object among the
/// children of `fighandle` that is drawn with a line style (not "none"); marker
/// clouds and text labels are left as they are. No width goes below
/// kThinnestLine: a line the step would take below it goes to it, and a line
/// already there stays. False when there are such lines and none changed.
bool incrementlinethickness(Graphics& graphics, Handle fighandle, double weight);

}  // namespace velmora
