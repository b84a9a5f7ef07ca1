#include "io/formats/csv_table_format.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "io/formats/text_lines.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

struct Row {
  long line;
  std::vector<std::string> cells;
};

std::string lower(std::string_view text) { return lower_case(trim(text)); }

bool one_of(const std::string& name, std::initializer_list<const char*> names) {
  return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == n; });
}

bool is_id_name(const std::string& name) {
  return one_of(
      name, {"id", "name", "specimen", "specimen_id", "specimen id", "specimenid", "sample", "label", "individual"});
}

bool is_size_name(const std::string& name) {
  return one_of(name, {"cs", "size", "centroid_size", "centroid size", "centroidsize", "csize"});
}

// The axis a column name ends in once digits and separators are dropped:
// "x1", "X_1", "lm1_x", "1x" give 'x'; anything else 0.
char axis_of(const std::string& name) {
  std::string letters;
  for (char c : name)
    if (!(c >= '0' && c <= '9') && c != '_' && c != '-' && c != '.' && c != ' ' && c != '(' && c != ')' && c != '[' &&
        c != ']')
      letters += c;
  if (letters.empty()) return 0;
  const char last = letters.back();
  return (last == 'x' || last == 'y' || last == 'z') ? last : 0;
}

bool is_missing_cell(std::string_view cell) {
  double v = 0;
  return cell.empty() || (parse_value(cell, v) && std::isnan(v));
}

bool is_number_cell(std::string_view cell) {
  double v = 0;
  return parse_value(cell, v) && !std::isnan(v);
}

}  // namespace

Specimens read_csv_table(std::istream& in, std::string_view source) {
  LineReader lines(in, source);
  const std::string file(source);
  std::string text;
  std::string_view t;
  do {
    if (!lines.next(text)) throw RuntimeError(file + ": the file is empty.");
    t = trim(text);
  } while (t.empty());
  const char separator = t.find(',') != std::string_view::npos    ? ','
                         : t.find(';') != std::string_view::npos  ? ';'
                         : t.find('\t') != std::string_view::npos ? '\t'
                                                                  : 0;
  if (separator == 0)
    lines.fail("the first line is not a header of column names separated by commas, semicolons or tabs.");
  std::vector<std::string> header;
  for (const std::string& h : split_fields(t, separator)) header.push_back(lower(h));
  const long header_line = lines.line();

  std::vector<Row> rows;
  while (lines.next(text)) {
    t = trim(text);
    if (t.empty()) continue;
    Row row{lines.line(), split_fields(t, separator)};
    if (row.cells.size() != header.size())
      lines.fail("specimen " + std::to_string(rows.size() + 1) + " has " + std::to_string(row.cells.size()) +
                 " cells where the header (line " + std::to_string(header_line) + ") names " +
                 std::to_string(header.size()) + " columns.");
    rows.push_back(std::move(row));
  }
  if (rows.empty()) throw RuntimeError(file + ": the table has a header and no rows.");

  // The ID column: by its name, else the first column when none of its values is a number.
  const std::size_t none = header.size();
  std::size_t id = none;
  for (std::size_t c = 0; c < header.size() && id == none; ++c)
    if (is_id_name(header[c])) id = c;
  if (id == none && axis_of(header[0]) == 0 &&
      std::none_of(rows.begin(), rows.end(), [](const Row& r) { return is_number_cell(r.cells[0]); }) &&
      std::any_of(rows.begin(), rows.end(), [](const Row& r) { return !is_missing_cell(r.cells[0]); }))
    id = 0;
  std::vector<std::size_t> coordinates;
  for (std::size_t c = 0; c < header.size(); ++c)
    if (c != id && !is_size_name(header[c])) coordinates.push_back(c);
  if (coordinates.empty()) throw RuntimeError(file + ": the table has no coordinate columns.");

  // The dimension: from the names when they end in x, y (and z) in turn, else from the count.
  std::size_t named = 0;
  for (std::size_t c : coordinates) named += axis_of(header[c]) != 0 ? 1 : 0;
  int dims = 0;
  if (named == coordinates.size()) {
    dims = std::any_of(coordinates.begin(), coordinates.end(), [&](std::size_t c) { return axis_of(header[c]) == 'z'; })
               ? 3
               : 2;
    const char order[3] = {'x', 'y', 'z'};
    for (std::size_t i = 0; i < coordinates.size(); ++i) {
      if (axis_of(header[coordinates[i]]) != order[i % dims])
        throw RuntimeError(file + ", line " + std::to_string(header_line) + ": column " +
                           std::to_string(coordinates[i] + 1) + " (\"" + header[coordinates[i]] + "\") is not the " +
                           std::string(1, order[i % dims]) + " of a point; the columns go x, y" +
                           (dims == 3 ? ", z" : "") + " point after point.");
    }
    if (coordinates.size() % dims != 0)
      throw RuntimeError(file + ", line " + std::to_string(header_line) + ": the last point lacks its " +
                         (dims == 3 ? "z" : "y") + " column.");
  } else {
    const std::size_t n = coordinates.size();
    if (n % 3 == 0 && n % 2 != 0)
      dims = 3;
    else if (n % 2 == 0 && n % 3 != 0)
      dims = 2;
    else
      throw RuntimeError(file + ", line " + std::to_string(header_line) + ": " + std::to_string(n) +
                         " coordinate columns could be 2D or 3D points (or neither); name them x1,y1,z1,... or "
                         "x1,y1,...");
  }

  Specimens out;
  out.dims = dims;
  const Eigen::Index k = static_cast<Eigen::Index>(coordinates.size() / static_cast<std::size_t>(dims));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    Specimen s;
    s.name = id != none && !trim(row.cells[id]).empty() ? one_line(row.cells[id]) : numbered_name(i + 1);
    s.points = Eigen::MatrixXd::Zero(k, 3);
    for (std::size_t j = 0; j < coordinates.size(); ++j) {
      const std::string& cell = row.cells[coordinates[j]];
      double v = std::nan("");
      if (!cell.empty() && !parse_value(cell, v))
        throw RuntimeError(file + ", line " + std::to_string(row.line) + ": specimen " + std::to_string(i + 1) +
                           ", column " + std::to_string(coordinates[j] + 1) + " (\"" + header[coordinates[j]] +
                           "\"): \"" + cell.substr(0, 40) + "\" is not a number.");
      s.points(static_cast<Eigen::Index>(j) / dims, static_cast<Eigen::Index>(j) % dims) = v;
    }
    out.specimens.push_back(std::move(s));
  }
  return out;
}

std::vector<std::string> write_csv_table(std::ostream& out, const Specimens& s) {
  flat_rows(s, "the CSV table");  // the same points in every specimen
  const Eigen::Index k = s.specimens.empty() ? 0 : s.specimens[0].points.rows();
  if (k == 0) throw RuntimeError("The specimens have no points, and a CSV table of names alone cannot be read back.");
  const int d = s.dims == 2 ? 2 : 3;
  out << "id";
  for (Eigen::Index r = 0; r < k; ++r)
    for (int j = 0; j < d; ++j)
      out << ","
          << "xyz"[j] << r + 1;
  out << "\n";
  for (const Specimen& sp : s.specimens) {
    const std::string name = one_line(sp.name);
    // Quoted when the name holds a separator, a quote, white space other than
    // a space, or could make the row look like a line of another format
    // ("LM=3", "[landmarks]", a comment).
    const bool plain = name.find_first_of(",\";=\t\v\f\r") == std::string::npos && name == trim(name) &&
                       (name.empty() || std::string_view("['#{%").find(name.front()) == std::string_view::npos);
    if (!plain) {
      std::string quoted = "\"";
      for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
      out << quoted << "\"";
    } else {
      out << name;
    }
    for (Eigen::Index r = 0; r < k; ++r)
      for (int j = 0; j < d; ++j) out << "," << format_value(sp.points(r, j));
    out << "\n";
  }
  return {};
}

}  // namespace velmora
