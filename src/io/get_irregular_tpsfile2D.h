// get_irregular_tpsfile2D: a TPS file of 2D landmarks with a point count per specimen.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include "io/tps_scan.h"
#include "runtime/ui_port.h"

namespace velmora {

/// As get_irregular_tpsfile3D with 2 numbers a point (x, y): each point is
/// widened to x, y, 0 (an odd count of numbers is refused, as a short
/// specimen is); ny(j) and the first specimen's echo count the numbers as read.
IrregularTps get_irregular_tpsfile2D(std::istream& in, std::string_view source, Console& console);

/// The dialog form: "Specify 2D input file to load" (filter "*.txt").
std::optional<LoadedIrregularTps> get_irregular_tpsfile2D(UiPort& ui);

}  // namespace velmora
