// dload2c: a table of numbers, one row a line, each line with an optional "%" comment.
#pragma once

#include <Eigen/Dense>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui_port.h"

namespace velmora {

/// The table (rows by columns, one row per accepted line, in file order) and the
/// comment of every accepted line (from its first "%" on, line end included;
/// empty when the line has none).
struct CommentedTable {
  Eigen::MatrixXd table;
  std::vector<std::string> comments;
};

/// Reads a commented table from `in`; `source` names the file in messages.
/// - Each line is cut at its first "%" after any leading "%" signs; the text
///   before it must be numbers (separated by white space, commas or semicolons),
///   otherwise the line holds no numbers.
/// - The first line sets the number of columns; it must hold numbers, else
///   RuntimeError naming the file and line 1.
/// - A later line with another count of values is left out with the message box
///   "Error on file load, specimen %i, not loaded" (%i: the row it would have
///   had) and a console line naming the file and line; every accepted row after
///   the first echoes `count` (the next row number).
/// - After the first line, a line that is a bare line end, or the end of the
///   input, ends the table (carriage return + line feed counts as one line end).
/// An empty input gives a 0 by 0 table.
CommentedTable dload2c(std::istream& in, std::string_view source, UiPort& ui);

/// Opens `file` and reads it as above. A file that cannot be opened prints
/// "Error on file open" on the console and throws RuntimeError naming the file.
CommentedTable dload2c(const std::filesystem::path& file, UiPort& ui);

}  // namespace velmora
