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

struct CsvReadOptions {
  int dims = 0;  // 2 or 3: the dimension of a table whose column names do not tell it (names win); 0: none
};

/// Reads a table of specimens, one a row, cells separated by semicolons (when
/// the first line holds one), else commas, else tabs. With `;` or tabs, comma
/// decimals ("1,5") are read when every number of the file is written so.
///
/// The first line names the columns unless it is all numbers. Columns named
/// as coordinates are coordinates, whatever else the table holds: an axis
/// letter before or after a point's label ("x1", "X01", "Xbas", "bas_x", "1x",
/// "lm1_x"), each label with its x and y (and z, then for every label). The
/// first column is the specimen names when it is not a coordinate (an empty
/// first header and row names as R writes them, or rows one cell longer than
/// the header), else a column named id, name, specimen, ... The other columns
/// are kept, as written, in `columns` (the specimens' classifiers). Columns
/// named only "x", "y" (and "z") make a long table of one point a row, pivoted
/// by its specimen column (the first other column) and its landmark column (a
/// column named landmark, lm, point, coord_id, ... else the next other column):
/// each specimen's points in the order of the first specimen's landmarks.
/// When no column is named as a coordinate, the numeric columns are the
/// coordinates, 3D or 2D by their count when only one divides it, else by
/// `options.dims`. A table without a header is read when its width fits one
/// dimension alone (or `options.dims`). An empty cell, "NA" or "NaN" is
/// missing. Throws RuntimeError naming the file and line (and the column and
/// specimen) for: a row with another number of cells than the header, a cell
/// that is not a number, a point without one of its axes, a long table whose
/// specimens lack or repeat a landmark, and a dimension that cannot be told
/// (asking for it).
Specimens read_csv_table(std::istream& in, std::string_view source, const CsvReadOptions& options = {});

/// Writes "id,x1,y1,z1,..." (2D: "id,x1,y1,...") and one row per specimen, its
/// name first (in double quotes when it holds a comma or a quote). Throws
/// RuntimeError when the specimens do not all have the same number of points.
std::vector<std::string> write_csv_table(std::ostream& out, const Specimens& s);

}  // namespace velmora
