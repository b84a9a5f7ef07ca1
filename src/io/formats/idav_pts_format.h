// IDAV-style point files (.pts) of 3D landmark editors: "Version 1.0", the
// number of points, then one "LABEL x y z" line a point; 9999 marks a missing
// coordinate.
#pragma once

#include <istream>
#include <string_view>

#include "io/formats/specimens.h"

namespace velmora {

/// Reads one specimen named after the file: the points of the lines after the
/// count, each a label followed by 3 numbers (or 2 in a 2D file; every line
/// the same). 9999, "NA" and "NaN" are missing. Throws RuntimeError naming the
/// file and line for: a count that is not a whole number, a coordinate that is
/// not a number, lines of different lengths, and more or fewer point lines
/// than the count (naming both numbers).
Specimens read_idav_pts(std::istream& in, std::string_view source);

}  // namespace velmora
