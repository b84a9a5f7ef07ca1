// dload: a bare table of numbers, one row a line.
#pragma once

#include <Eigen/Dense>
#include <filesystem>
#include <istream>
#include <string_view>

#include "runtime/console.h"

namespace velmora {

/// Reads a table (rows by columns) from `in`; `source` names the file in messages.
/// Every line is a row of numbers separated by white space, commas or
/// semicolons; after the first line, a bare line end or the end of the input
/// ends the table. A first line with no numbers, or a later line whose count of
/// values differs from the first line's, throws RuntimeError naming the file and
/// line. An empty input gives a 0 by 0 table.
Eigen::MatrixXd dload(std::istream& in, std::string_view source);

/// Opens `file` and reads it as above. A file that cannot be opened prints
/// "Error on file open" on `console` and throws RuntimeError naming the file.
Eigen::MatrixXd dload(const std::filesystem::path& file, Console& console);

}  // namespace velmora
