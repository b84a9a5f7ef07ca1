// Making the markers of a set of axes bigger or smaller.
#pragma once

#include "runtime/graphics.h"

namespace velmora {

/// The smallest marker the styling steps allow, in points.
constexpr double kSmallestMarker = 1;

/// Adds `increment` points to the "MarkerSize" of every line object among the
/// children of `handle`, with or without markers (wireframe segments too). A
/// step that would take any of those sizes below kSmallestMarker is refused as
/// a whole: nothing changes and the result is false.
bool incrementsymbolsize(Graphics& graphics, Handle handle, double increment);

}  // namespace velmora
