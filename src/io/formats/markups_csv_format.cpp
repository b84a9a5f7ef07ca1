#include "io/formats/markups_csv_format.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "io/formats/text_lines.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

std::string lower(std::string_view text) { return lower_case(trim(text)); }

// "# name = value" with the name compared in lower case; nothing for other lines.
bool header_value(std::string_view comment, std::string_view name, std::string_view& value) {
  const std::size_t eq = comment.find('=');
  if (eq == std::string_view::npos || lower(comment.substr(0, eq)) != name) return false;
  value = trim(comment.substr(eq + 1));
  return true;
}

}  // namespace

Specimens read_markups_csv(std::istream& in, std::string_view source, const MarkupsReadOptions& options) {
  LineReader lines(in, source);
  std::vector<std::string> columns = {"id", "x",   "y",   "z",    "ow",    "ox",   "oy",
                                      "oz", "vis", "sel", "lock", "label", "desc", "associatednodeid"};
  std::optional<Frame> frame;
  std::vector<double> values;
  std::size_t ix = 1, iy = 2, iz = 3;
  std::string text;
  while (lines.next(text)) {
    const std::string_view t = trim(text);
    if (t.empty()) continue;
    if (t.front() == '#') {
      const std::string_view comment = trim(t.substr(1));
      std::string_view value;
      if (header_value(comment, "columns", value)) {
        columns.clear();
        for (const std::string& f : split_fields(value)) columns.push_back(lower(f));
        const auto at = [&](const char* name) {
          return static_cast<std::size_t>(std::find(columns.begin(), columns.end(), name) - columns.begin());
        };
        ix = at("x");
        iy = at("y");
        iz = at("z");
        if (ix == columns.size() || iy == columns.size() || iz == columns.size())
          lines.fail("the columns line names no x, y and z columns.");
      } else if (header_value(comment, "coordinatesystem", value)) {
        frame = frame_from_text(value);
        if (!frame) lines.fail("CoordinateSystem = " + std::string(value) + " is neither LPS nor RAS.");
      }
      continue;
    }
    const std::vector<std::string> fields = split_fields(t);
    const std::size_t point = values.size() / 3 + 1;
    const std::size_t needed = std::max({ix, iy, iz}) + 1;
    if (fields.size() < needed)
      lines.fail("point " + std::to_string(point) + " has " + std::to_string(fields.size()) +
                 " fields; the columns x, y and z need " + std::to_string(needed) + ".");
    for (std::size_t i : {ix, iy, iz}) {
      double v = std::nan("");
      if (!fields[i].empty() && !parse_value(fields[i], v))
        lines.fail("point " + std::to_string(point) + ": \"" + fields[i].substr(0, 40) + "\" in column " + columns[i] +
                   " is not a number.");
      values.push_back(v);
    }
  }
  if (values.empty()) throw RuntimeError(std::string(source) + ": the markups file holds no points.");
  Specimens out;
  out.dims = 3;
  Specimen s;
  s.name = file_stem(source);
  const Eigen::MatrixXd read = point_rows(values);
  std::string note;
  s.points = to_frame(read, frame.value_or(Frame::lps), options.frame, source, frame.has_value(), note);
  out.notes.push_back(note);
  out.specimens.push_back(std::move(s));
  return out;
}

}  // namespace velmora
