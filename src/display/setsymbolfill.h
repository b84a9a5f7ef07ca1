// Filling or emptying the markers of a set of axes.
#pragma once

#include "runtime/graphics.h"

namespace velmora {

/// For every line object among the children of `handle`: when `isfilled` is 0
/// the marker faces become "none" (hollow markers); otherwise each line's
/// markers are filled with that line's own "Color".
void setsymbolfill(Graphics& graphics, Handle handle, double isfilled);

}  // namespace velmora
