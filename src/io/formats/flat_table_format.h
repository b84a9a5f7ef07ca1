// Our own tables of flat rows (the second-sample table and the saved files):
// one specimen a line, x1 y1 z1 ... xp yp zp, usually followed by its
// centroid size; "%" starts a comment.
#pragma once

#include <istream>
#include <string_view>

#include "io/formats/specimens.h"

namespace velmora {

/// Reads rows of numbers (white space, commas or semicolons between them) up
/// to the first empty line or the end. Each row gives floor(c / 3) points of c
/// values (a last value such as the centroid size is left out, with a note);
/// names are "specimen k". Throws RuntimeError naming the file and line for a
/// line whose values are not all numbers and for a row with another count of
/// values than the first (naming both).
///
/// Rows whose values are separated by commas, semicolons or tabs are another
/// program's table without a header, not ours: they are read as a CSV table
/// (read_csv_table, with `dims`), whose width must fit one dimension alone
/// unless `dims` gives it, and no value is taken for a size.
Specimens read_flat_table(std::istream& in, std::string_view source, int dims = 0);

}  // namespace velmora
