#include "io/formats/flat_table_format.h"

#include <iterator>
#include <sstream>
#include <vector>

#include "io/formats/csv_table_format.h"
#include "io/formats/text_lines.h"
#include "io/text_scanner.h"
#include "runtime/error.h"

namespace velmora {

namespace {

// A file whose lines end LF CR (the order reversed) would read as rows each
// followed by an empty line, and the first of those ends the table. Such a
// file is told by its first line end and read with LF alone.
std::string without_reversed_line_ends(std::istream& in) {
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t first = all.find_first_of("\n\r");
  if (first == std::string::npos || all[first] != '\n' || first + 1 >= all.size() || all[first + 1] != '\r') return all;
  std::string out;
  out.reserve(all.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    out += all[i];
    if (all[i] == '\n' && i + 1 < all.size() && all[i + 1] == '\r') ++i;
  }
  return out;
}

}  // namespace

Specimens read_flat_table(std::istream& raw, std::string_view source, int dims) {
  std::istringstream in(without_reversed_line_ends(raw));
  LineReader lines(in, source);
  Specimens out;
  std::string text;
  std::size_t width = 0;
  long first_line = 0;
  while (lines.next(text)) {
    if (width == 0 && text.find_first_of(",;\t") != std::string::npos && text.find('%') == std::string::npos) {
      std::string all = text + "\n";
      while (lines.next(text)) all += text + "\n";
      std::istringstream table(all);
      return read_csv_table(table, source, {dims});
    }
    std::string_view t = text;
    const std::size_t comment = t.find('%');
    if (comment != std::string_view::npos) t = t.substr(0, comment);
    if (trim(t).empty()) {
      if (!out.specimens.empty() && comment == std::string_view::npos) {
        // An empty line ends the table; rows after it are not read, and the
        // reader says so.
        const long end = lines.line();
        long left = 0;
        while (lines.next(text))
          if (!trim(text).empty() && trim(text).front() != '%') ++left;
        if (left > 0)
          out.notes.push_back(std::string(source) + ", line " + std::to_string(end) +
                              ": an empty line ends the table; the " + std::to_string(left) + " line" +
                              (left == 1 ? "" : "s") + " after it " + (left == 1 ? "is" : "are") + " not read.");
        break;
      }
      continue;
    }
    const std::vector<double> values = line_numbers(t);
    if (values.empty()) lines.fail("\"" + std::string(trim(t)).substr(0, 40) + "\" is not a row of numbers.");
    if (width == 0) {
      width = values.size();
      first_line = lines.line();
      if (width < 3) lines.fail("a row of " + std::to_string(width) + " values holds no point (x y z).");
    } else if (values.size() != width) {
      lines.fail("specimen " + std::to_string(out.specimens.size() + 1) + " has " + std::to_string(values.size()) +
                 " values where the first row (line " + std::to_string(first_line) + ") has " + std::to_string(width) +
                 ".");
    }
    Specimen s;
    s.name = numbered_name(out.specimens.size() + 1);
    s.points = point_rows(values);  // a trailing size is left out
    out.specimens.push_back(std::move(s));
  }
  if (out.specimens.empty()) throw RuntimeError(std::string(source) + ": the table holds no rows.");
  if (width % 3 != 0)
    out.notes.push_back(std::string(source) + ": the last " + std::to_string(width % 3) +
                        " value(s) of each row (the centroid size) are not points and are left out.");
  return out;
}

}  // namespace velmora
