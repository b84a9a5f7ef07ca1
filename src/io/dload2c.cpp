#include "io/dload2c.h"

#include "io/open_input.h"
#include "io/text_scanner.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

// Splits a line at "%" as a token splitter does: leading "%" signs are skipped,
// the text up to the next "%" is the token, the rest from that "%" on is the
// comment.
std::pair<std::string_view, std::string_view> split_comment(std::string_view line) {
  std::size_t start = 0;
  while (start < line.size() && line[start] == '%') ++start;
  const std::size_t cut = line.find('%', start);
  if (cut == std::string_view::npos) return {line.substr(start), std::string_view()};
  return {line.substr(start, cut - start), line.substr(cut)};
}

}  // namespace

CommentedTable dload2c(std::istream& in, std::string_view source, UiPort& ui) {
  TextScanner scanner(in, std::string(source));
  CommentedTable out;
  std::vector<double> values;  // row by row
  std::size_t columns = 0;
  long rows = 0;
  long count = 1;
  long line_number = 1;
  std::optional<std::string> line = scanner.rest_of_line();
  drop_byte_order_mark(line);
  while (line) {
    const auto [token, comment] = split_comment(*line);
    const std::vector<double> numbers = line_numbers(token);
    if (count == 1) {
      if (numbers.empty())
        throw RuntimeError(std::string(source) +
                           ", line 1: the first line holds no numbers, so the table has no "
                           "columns; the first line must be a row of the table.");
      columns = numbers.size();
      values.insert(values.end(), numbers.begin(), numbers.end());
      out.comments.emplace_back(comment);
      ++rows;
      count = 2;
    } else if (numbers.size() != columns) {
      ui.console().write(sprintf_m("%s, line %d: %d values where the table has %d columns; the line is left out.\\n",
                                   std::string(source), line_number, static_cast<double>(numbers.size()),
                                   static_cast<double>(columns)));
      // The message box's own default title: a single blank.
      ui.message_box(sprintf_m("Error on file load, specimen %i, not loaded", count), " ", MessageMode::non_modal);
    } else {
      values.insert(values.end(), numbers.begin(), numbers.end());
      out.comments.emplace_back(comment);
      ++rows;
      ++count;
      ui.console().echo("count", static_cast<double>(count));
    }
    line = scanner.rest_of_line();
    ++line_number;
    if (line && line->size() == 1) line.reset();
  }
  out.table = Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(
      values.data(), rows, static_cast<Eigen::Index>(columns));
  return out;
}

CommentedTable dload2c(const std::filesystem::path& file, UiPort& ui) {
  std::ifstream in = open_input(file, ui.console());
  return dload2c(in, file.filename().string(), ui);
}

}  // namespace velmora
