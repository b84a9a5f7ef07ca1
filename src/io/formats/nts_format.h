// NTS (NTSYS) files of landmark data: a parameter line "1 n[L] p[L] m [code]
// DIM=d", optional labels, then n rows of p values; lines starting with a
// double quote (or an apostrophe) are comments.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "io/formats/specimens.h"

namespace velmora {

/// Reads an NTS file of n specimens with p values each (p / d points of d
/// coordinates). An "L" after n (or p) means n row labels (p column labels)
/// come before the values; the row labels are the specimens' names, else
/// "specimen k". m = 1 followed by a number names the missing-value code; the
/// code, "NA" and "NaN" are read as missing. Without DIM= the dimension is the
/// one of 2 and 3 that divides p (an error when both or neither do). Throws
/// RuntimeError naming the file and line for: a parameter line that is not of
/// this form, a value that is not a number, and more or fewer values than n p.
Specimens read_nts(std::istream& in, std::string_view source);

/// Writes "1 nL p 0 DIM=d" (or "1 nL p 1 CODE DIM=d" with a code that no value
/// of the data equals, when some are missing), the names as row labels (white
/// space in a name becomes "_", with a note) and one row per specimen. Throws
/// RuntimeError when the specimens do not all have the same number of points.
std::vector<std::string> write_nts(std::ostream& out, const Specimens& s);

}  // namespace velmora
