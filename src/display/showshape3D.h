// Drawing a sample as markers in the current axes.
#pragma once

#include <string_view>

#include "runtime/graphics.h"
#include "runtime/sample.h"

namespace velmora {

/// Draws every configuration of `x` (p by 3 by n; a p by 3 matrix is a sample
/// of one) as one line object each, with the line spec `dsymbol` ("r*", "bo").
/// Hold is switched on after the first drawing, so the first configuration
/// replaces what unheld axes showed and everything after it adds; the axis
/// limits are set to "auto" and then "equal".
void showshape3D(Graphics& graphics, const Sample& x, std::string_view dsymbol);

}  // namespace velmora
