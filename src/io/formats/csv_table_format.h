// Tables with a header row: one specimen a row, an ID column and the
// coordinates ("id,x1,y1,z1,x2,..."), separated by commas, semicolons or tabs.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "io/formats/specimens.h"

namespace velmora {

/// Reads a table whose first line names its columns. The ID column is the one
/// named id, name, specimen, specimen_id, sample or label (any case), else the
/// first column when none of its values is a number; its values are the names
/// (else "specimen k"). A column named cs, size or centroid_size is skipped.
/// Every other column is a coordinate: 3D when the names end in x, y, z in
/// turn (x1,y1,z1,...), 2D when in x, y; unnamed columns are 3D or 2D by their
/// count when only one of the two divides it. An empty cell, "NA" or "NaN" is
/// missing. Throws RuntimeError naming the file and line (and the column and
/// specimen) for: a row with another number of cells than the header, a cell
/// that is not a number, and columns whose dimension cannot be told.
Specimens read_csv_table(std::istream& in, std::string_view source);

/// Writes "id,x1,y1,z1,..." (2D: "id,x1,y1,...") and one row per specimen, its
/// name first (in double quotes when it holds a comma or a quote). Throws
/// RuntimeError when the specimens do not all have the same number of points.
std::vector<std::string> write_csv_table(std::ostream& out, const Specimens& s);

}  // namespace velmora
