// CSV tables of landmarks read by their column names: coordinates, names,
// classifier columns, long tables pivoted. One file because every layout is
// told apart by the same header analysis.
#include "io/formats/csv_table_format.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <string_view>
#include <tuple>

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
  return one_of(name, {"id", "name", "specimen", "specimen_id", "specimen id", "specimenid", "sample", "label",
                       "individual", "specimen_name", "catalog", "catalogue"});
}

bool is_landmark_name(const std::string& name) {
  return one_of(name, {"landmark", "landmarks", "lm", "lmk", "landmark_id", "landmark id", "lm_id", "point", "point_id",
                       "coord_id", "coordinate_id", "landmark_name", "lm_name"});
}

bool is_separator(char c) { return c == '_' || c == '-' || c == '.' || c == ' '; }

bool is_axis(char c) { return c == 'x' || c == 'y' || c == 'z'; }

// A column name read as an axis and a point's label, the axis first ("x1",
// "xbas") or last ("bas_x", "1x"), separators between them dropped.
struct AxisName {
  char axis = 0;
  std::string label;
};

std::optional<AxisName> axis_first(const std::string& name) {
  if (name.empty() || !is_axis(name.front())) return std::nullopt;
  std::string_view rest = std::string_view(name).substr(1);
  while (!rest.empty() && is_separator(rest.front())) rest.remove_prefix(1);
  return AxisName{name.front(), std::string(rest)};
}

std::optional<AxisName> axis_last(const std::string& name) {
  if (name.size() < 2 || !is_axis(name.back())) return std::nullopt;
  std::string_view rest = std::string_view(name).substr(0, name.size() - 1);
  while (!rest.empty() && is_separator(rest.back())) rest.remove_suffix(1);
  if (rest.empty()) return std::nullopt;
  return AxisName{name.back(), std::string(rest)};
}

bool all_digits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A point: the columns of its axes (none: npos), first seen at column `first`.
struct PointColumns {
  std::string label;
  std::size_t axis[3] = {std::string::npos, std::string::npos, std::string::npos};
  std::size_t first = std::string::npos;
  bool has(int a) const { return axis[a] != std::string::npos; }
};

using Groups = std::map<std::string, PointColumns>;

Groups group_by(const std::vector<std::string>& header, std::optional<AxisName> (*read)(const std::string&)) {
  Groups g;
  for (std::size_t c = 0; c < header.size(); ++c) {
    const std::optional<AxisName> n = read(header[c]);
    if (!n) continue;
    PointColumns& p = g[n->label];
    p.label = n->label;
    const int a = n->axis - 'x';
    if (!p.has(a)) p.axis[a] = c;  // a repeated name: the first column is the coordinate
    p.first = std::min(p.first, c);
  }
  return g;
}

bool complete(const Groups& g, const std::string& label) {
  const auto it = g.find(label);
  return it != g.end() && it->second.has(0) && it->second.has(1);
}

std::string column_text(std::size_t c, const std::string& header) {
  return "column " + std::to_string(c + 1) + " (\"" + header + "\")";
}

std::string dimension_hint() {
  return "give the dimension (convert --dim 2 or --dim 3; LoadFile2D reads such a table as 2D)";
}

// The dimension of `count` coordinate values a row when no name tells it.
int dims_of_count(std::size_t count, int asked, const std::string& where, const std::string& what) {
  if (asked == 2 || asked == 3) {
    if (count % static_cast<std::size_t>(asked) != 0)
      throw RuntimeError(where + std::to_string(count) + " " + what + " are not whole points of " +
                         std::to_string(asked) + " coordinates.");
    return asked;
  }
  if (count % 3 == 0 && count % 2 != 0) return 3;
  if (count % 2 == 0 && count % 3 != 0) return 2;
  throw RuntimeError(where + std::to_string(count) + " " + what +
                     " could be 2D or 3D points (or neither); name the columns x1,y1,z1,... or x1,y1,..., or " +
                     dimension_hint() + ".");
}

}  // namespace

Specimens read_csv_table(std::istream& in, std::string_view source, const CsvReadOptions& options) {
  LineReader lines(in, source);
  const std::string file(source);
  std::string text;
  std::string_view t;
  do {
    if (!lines.next(text)) throw RuntimeError(file + ": the file is empty.");
    t = trim(text);
  } while (t.empty());
  const char separator = t.find(';') != std::string_view::npos    ? ';'
                         : t.find(',') != std::string_view::npos  ? ','
                         : t.find('\t') != std::string_view::npos ? '\t'
                                                                  : 0;
  if (separator == 0)
    lines.fail("the first line is not a header of column names separated by commas, semicolons or tabs.");
  std::vector<Row> rows;
  rows.push_back({lines.line(), split_fields(t, separator)});
  while (lines.next(text)) {
    t = trim(text);
    if (!t.empty()) rows.push_back({lines.line(), split_fields(t, separator)});
  }

  // Comma decimals, only when every number of the file is written so.
  if (separator != ',') {
    bool comma = false, point = false;
    double v = 0;
    for (const Row& r : rows)
      for (const std::string& cell : r.cells) {
        if (cell.find(',') != std::string::npos) {
          std::string dotted = cell;
          std::replace(dotted.begin(), dotted.end(), ',', '.');
          comma = comma || parse_value(dotted, v);
        } else if (cell.find('.') != std::string::npos && parse_value(cell, v)) {
          point = true;
        }
      }
    if (comma && !point)
      for (Row& r : rows)
        for (std::string& cell : r.cells) {
          std::string dotted = cell;
          std::replace(dotted.begin(), dotted.end(), ',', '.');
          if (dotted != cell && parse_value(dotted, v)) cell = dotted;
        }
  }

  // A header, unless the first line is all numbers.
  double v = 0;
  const bool headerless =
      std::all_of(rows[0].cells.begin(), rows[0].cells.end(), [&v](const std::string& c) { return parse_value(c, v); });
  std::vector<std::string> header, shown;
  long header_line = 0;
  if (headerless) {
    for (std::size_t c = 0; c < rows[0].cells.size(); ++c) header.push_back("");
    shown = header;
  } else {
    for (const std::string& h : rows[0].cells) {
      shown.push_back(std::string(trim(h)));
      header.push_back(lower(h));
    }
    header_line = rows[0].line;
    rows.erase(rows.begin());
    if (rows.empty()) throw RuntimeError(file + ": the table has a header and no rows.");
    // Row names without a header of their own (R's write.table): every row one cell longer.
    if (std::all_of(rows.begin(), rows.end(), [&](const Row& r) { return r.cells.size() == header.size() + 1; })) {
      header.insert(header.begin(), "");
      shown.insert(shown.begin(), "");
    }
  }
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].cells.size() != header.size())
      throw RuntimeError(file + ", line " + std::to_string(rows[i].line) + ": specimen " + std::to_string(i + 1) +
                         " has " + std::to_string(rows[i].cells.size()) + " cells where " +
                         (headerless ? "the first row (line " + std::to_string(rows[0].line) + ") has "
                                     : "the header (line " + std::to_string(header_line) + ") names ") +
                         std::to_string(header.size()) + (headerless ? "." : " columns."));
  const std::string at_header = file + (headerless ? ": " : ", line " + std::to_string(header_line) + ": ");

  // The coordinate columns, point by point.
  std::vector<PointColumns> points;
  std::vector<bool> coordinate(header.size(), false);
  bool long_table = false;
  int dims = 0;
  if (!headerless) {
    const Groups first = group_by(header, axis_first), last = group_by(header, axis_last);
    std::map<std::string, PointColumns> chosen;  // by a key that keeps the two readings apart
    for (std::size_t c = 0; c < header.size(); ++c) {
      const std::optional<AxisName> a = axis_first(header[c]), b = axis_last(header[c]);
      if (a && complete(first, a->label))
        chosen.emplace("<" + a->label, first.at(a->label));
      else if (b && complete(last, b->label))
        chosen.emplace(">" + b->label, last.at(b->label));
    }
    for (const auto& [key, p] : chosen) points.push_back(p);
    std::sort(points.begin(), points.end(),
              [](const PointColumns& a, const PointColumns& b) { return a.first < b.first; });
    // A numbered axis column without its partners is a point gone wrong, not a classifier.
    for (std::size_t c = 0; c < header.size(); ++c) {
      const std::optional<AxisName> a = axis_first(header[c]), b = axis_last(header[c]);
      for (const auto& [n, g, mark] : {std::tuple{a, &first, '<'}, std::tuple{b, &last, '>'}}) {
        if (!n || !all_digits(n->label) || complete(*g, n->label) || chosen.empty()) continue;
        const PointColumns& p = g->at(n->label);
        throw RuntimeError(at_header + column_text(c, shown[c]) + " is the " + std::string(1, n->axis) + " of point " +
                           n->label + ", and no column is its " + (p.has(0) ? "y" : "x") + ".");
      }
    }
    dims = std::any_of(points.begin(), points.end(), [](const PointColumns& p) { return p.has(2); }) ? 3 : 2;
    for (const PointColumns& p : points) {
      if (dims == 3 && !p.has(2))
        throw RuntimeError(at_header + "point \"" + p.label + "\" has x and y columns (" +
                           std::to_string(p.axis[0] + 1) + ", " + std::to_string(p.axis[1] + 1) +
                           ") and no z column, where other points have one.");
      for (int a = 0; a < dims; ++a) coordinate[p.axis[a]] = true;
    }
    long_table = points.size() == 1 && points[0].label.empty();
  }
  if (points.empty()) {
    // No names tell: the numeric columns after the names are the coordinates.
    std::vector<std::size_t> numeric;
    for (std::size_t c = headerless || header.size() == 1 ? 0 : 1; c < header.size(); ++c) {
      if (is_id_name(header[c])) continue;
      const bool numbers = std::all_of(rows.begin(), rows.end(),
                                       [&](const Row& r) { return r.cells[c].empty() || parse_value(r.cells[c], v); });
      if (numbers) numeric.push_back(c);
    }
    if (numeric.empty()) throw RuntimeError(file + ": the table has no coordinate columns.");
    dims = dims_of_count(
        numeric.size(), options.dims, at_header,
        headerless ? "values a row, without a header," : "numeric columns, not named as coordinates (x1, y1, ...),");
    for (std::size_t k = 0; k < numeric.size(); k += static_cast<std::size_t>(dims)) {
      PointColumns p;
      for (int a = 0; a < dims; ++a) p.axis[a] = numeric[k + static_cast<std::size_t>(a)];
      p.first = numeric[k];
      points.push_back(p);
    }
    for (std::size_t c : numeric) coordinate[c] = true;
  }

  // The names column: the first when it is not a coordinate, else one named as names.
  const std::size_t none = header.size();
  std::size_t id = none;
  if (!headerless) {
    if (!coordinate[0])
      id = 0;
    else
      for (std::size_t c = 0; c < header.size() && id == none; ++c)
        if (!coordinate[c] && is_id_name(header[c])) id = c;
  }
  std::size_t landmark = none;
  if (long_table) {
    for (std::size_t c = 0; c < header.size() && landmark == none; ++c)
      if (!coordinate[c] && c != id && is_landmark_name(header[c])) landmark = c;
    for (std::size_t c = 0; c < header.size() && landmark == none; ++c)
      if (!coordinate[c] && c != id) landmark = c;
    if (id == none) throw RuntimeError(at_header + "a table of one point a row (x, y, z) needs a specimen column.");
  }

  const auto value_at = [&](std::size_t i, std::size_t c, std::size_t specimen) {
    const std::string& cell = rows[i].cells[c];
    double out = std::nan("");
    if (!cell.empty() && !parse_value(cell, out))
      throw RuntimeError(file + ", line " + std::to_string(rows[i].line) + ": specimen " + std::to_string(specimen) +
                         ", " + column_text(c, headerless ? std::string() : shown[c]) + ": \"" + cell.substr(0, 40) +
                         "\" is not a number.");
    return out;
  };

  Specimens out;
  out.dims = dims;
  std::vector<std::size_t> first_row;  // each specimen's first row, for its other columns
  if (!long_table) {
    const Eigen::Index k = static_cast<Eigen::Index>(points.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      Specimen s;
      s.name = id != none && !trim(rows[i].cells[id]).empty() ? one_line(rows[i].cells[id]) : numbered_name(i + 1);
      s.points = Eigen::MatrixXd::Zero(k, 3);
      for (Eigen::Index q = 0; q < k; ++q)
        for (int a = 0; a < dims; ++a) s.points(q, a) = value_at(i, points[q].axis[a], i + 1);
      out.specimens.push_back(std::move(s));
      first_row.push_back(i);
    }
  } else {
    // One point a row: specimens in the order they first come, points in the first specimen's landmark order.
    std::map<std::string, std::size_t> specimen_of;
    std::vector<std::vector<std::size_t>> rows_of;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const std::string name = one_line(rows[i].cells[id]);
      const auto [it, added] = specimen_of.emplace(name, rows_of.size());
      if (added) {
        rows_of.emplace_back();
        first_row.push_back(i);
      }
      rows_of[it->second].push_back(i);
    }
    const auto landmark_of = [&](std::size_t i) {
      return landmark == none ? std::string() : one_line(rows[i].cells[landmark]);
    };
    std::vector<std::string> order;
    for (std::size_t i : rows_of[0]) order.push_back(landmark_of(i));
    for (std::size_t s = 0; s < rows_of.size(); ++s) {
      const std::string& name = one_line(rows[first_row[s]].cells[id]);
      const std::string who = "specimen " + std::to_string(s + 1) + " (" + name + ")";
      std::map<std::string, std::size_t> row_of;
      for (std::size_t i : rows_of[s]) {
        if (landmark == none) {
          row_of.emplace(std::to_string(row_of.size()), i);
          continue;
        }
        if (!row_of.emplace(landmark_of(i), i).second)
          throw RuntimeError(file + ", line " + std::to_string(rows[i].line) + ": " + who + " has landmark \"" +
                             landmark_of(i) + "\" twice.");
      }
      if (landmark == none)
        for (std::size_t q = 0; q < order.size(); ++q) order[q] = std::to_string(q);
      if (row_of.size() != order.size())
        throw RuntimeError(file + ": " + who + " has " + std::to_string(row_of.size()) + " points (rows) where " +
                           "specimen 1 has " + std::to_string(order.size()) + ".");
      Specimen sp;
      sp.name = name.empty() ? numbered_name(s + 1) : name;
      sp.points = Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(order.size()), 3);
      for (std::size_t q = 0; q < order.size(); ++q) {
        const auto it = row_of.find(order[q]);
        if (it == row_of.end())
          throw RuntimeError(file + ": " + who + " has no row for landmark \"" + order[q] +
                             "\", which specimen 1 has.");
        for (int a = 0; a < dims; ++a)
          sp.points(static_cast<Eigen::Index>(q), a) = value_at(it->second, points[0].axis[a], s + 1);
      }
      out.specimens.push_back(std::move(sp));
    }
    out.notes.push_back(file + ": a table of one point a row: " + std::to_string(rows.size()) + " rows make " +
                        std::to_string(out.specimens.size()) + " specimens of " + std::to_string(order.size()) +
                        " points (by its columns \"" + shown[id] + "\"" +
                        (landmark == none ? std::string() : " and \"" + shown[landmark] + "\"") + ").");
  }

  // The other columns: the specimens' classifiers, as written.
  if (!headerless) {
    for (std::size_t c = 0; c < header.size(); ++c) {
      if (coordinate[c] || c == id || c == landmark) continue;
      std::vector<std::string> cells;
      for (std::size_t i : first_row) cells.push_back(one_line(rows[i].cells[c]));
      out.columns.emplace_back(shown[c].empty() ? "column " + std::to_string(c + 1) : shown[c], std::move(cells));
    }
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
