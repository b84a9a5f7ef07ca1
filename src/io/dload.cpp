#include "io/dload.h"

#include <vector>

#include "io/open_input.h"
#include "io/text_scanner.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {

Eigen::MatrixXd dload(std::istream& in, std::string_view source) {
  TextScanner scanner(in, std::string(source));
  std::vector<double> values;  // row by row
  std::size_t columns = 0;
  long rows = 0;
  long line_number = 1;
  std::optional<std::string> line = scanner.rest_of_line();
  drop_byte_order_mark(line);
  while (line) {
    const std::vector<double> numbers = line_numbers(*line);
    if (rows == 0) {
      if (numbers.empty())
        throw RuntimeError(std::string(source) +
                           ", line 1: the first line holds no numbers, so the table has no "
                           "columns; the first line must be a row of the table.");
      columns = numbers.size();
    } else if (numbers.size() != columns) {
      throw RuntimeError(sprintf_m(
          "%s, line %d: %d values where the first line has %d; every line of the table must "
          "hold the same count of numbers.",
          std::string(source), line_number, static_cast<double>(numbers.size()), static_cast<double>(columns)));
    }
    values.insert(values.end(), numbers.begin(), numbers.end());
    ++rows;
    line = scanner.rest_of_line();
    ++line_number;
    if (line && line->size() == 1) line.reset();
  }
  return Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(
      values.data(), rows, static_cast<Eigen::Index>(columns));
}

Eigen::MatrixXd dload(const std::filesystem::path& file, Console& console) {
  std::ifstream in = open_input(file, console);
  return dload(in, file.filename().string());
}

}  // namespace velmora
