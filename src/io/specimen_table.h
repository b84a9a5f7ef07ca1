// The specimen table: factors and covariates of a study's specimens, by name.
#pragma once

#include <cstddef>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora {

/// One row per specimen: its name and one text cell per column. A column whose
/// every non-empty cell is a number is a covariate unless it is marked as a
/// factor; every other column is a factor. "" and "NA" are missing cells.
struct SpecimenTable {
  std::string source;                           // the file (or what gave the columns), for messages
  std::string name_column;                      // the header of the names' column
  std::vector<std::string> names;               // r: the specimen name of each row
  std::vector<long> lines;                      // r: the line of each row in the file (0: not from a file)
  std::vector<std::string> columns;             // c: the headers of the other columns
  std::vector<std::vector<std::string>> cells;  // c by r: cells[column][row], trimmed
};

/// Reads a table with a header line from `in`: comma-separated, or
/// tab-separated when the header holds a tab; a field in double quotes may hold
/// the separator. The names are the column headed `id`, `ID`, `specimen` or
/// `name` (any case), else the first column. Blank lines are skipped. Throws
/// RuntimeError naming `source` and the line for: text that is not a table
/// (NUL bytes), no line at all, fewer than two columns, a header that is all
/// numbers (no header), an empty or repeated header, a row with another number
/// of cells than the header, a row without a name, a name given twice (both
/// lines), and no rows.
SpecimenTable read_specimen_table(std::istream& in, std::string_view source);

/// read_specimen_table on a file; throws RuntimeError naming it when it cannot
/// be read.
SpecimenTable read_specimen_table_file(const std::filesystem::path& file);

/// A table from plain columns of text (header and one cell per specimen, in the
/// order of `names`), as landmark files with classifier columns give them. The
/// same rules as the reader: at least one column, each as long as `names`,
/// headers non-empty and distinct, names non-empty and distinct.
SpecimenTable specimen_table_from_columns(std::string_view source, const std::vector<std::string>& names,
                                          const std::vector<std::pair<std::string, std::vector<std::string>>>& columns);

/// True for a missing cell: empty or "NA" (any case).
bool missing_cell(std::string_view cell);

/// The number a covariate cell holds; false when it is not a number.
bool number_cell(std::string_view cell, double& value);

/// The index of the column headed `name`, or -1.
int column_index(const SpecimenTable& table, std::string_view name);

/// True when every non-missing cell of the column is a number (and one is).
bool numeric_column(const SpecimenTable& table, std::size_t column);

/// The column names of a FactorColumns text ("rat,year", commas or spaces
/// between), in order.
std::vector<std::string> factor_column_list(std::string_view text);

/// Which row of the table each specimen of the study takes.
struct TableMatch {
  std::vector<int> row;            // n: the row of each study specimen, or -1 when it is left out
  std::vector<std::string> notes;  // what the user should hear: rows of no specimen, specimens left out
  int kept = 0;                    // the specimens with a row
};

/// Matches the study's specimen names (any order) to the rows. Throws
/// RuntimeError naming the table for a name two specimens of the study share,
/// for names none of which matches a row, and, unless `leave_out_missing`, for
/// specimens with no row (the first ten named). Rows naming no specimen and
/// specimens left out are named in `notes`.
TableMatch match_specimen_table(const SpecimenTable& table, const std::vector<std::string>& specimens,
                                bool leave_out_missing);

}  // namespace velmora
