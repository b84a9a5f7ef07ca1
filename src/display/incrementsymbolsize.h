// Making the markers of a set of axes bigger or smaller.
#pragma once

#include "runtime/graphics.h"

namespace velmora {

/// The smallest marker the styling steps allow, in points.
constexpr double kSmallestMarker = 1;

/// Adds `increment` points to the "MarkerSize" of every line object among the
/// children of `handle`, with or without markers (wireframe segments too). No
/// size goes below kSmallestMarker: a marker the step would take below it goes
/// to it, and one already there stays. False when there are line objects and
/// none changed.
bool incrementsymbolsize(Graphics& graphics, Handle handle, double increment);

}  // namespace velmora
