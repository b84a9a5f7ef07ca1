#include "io/formats/idav_pts_format.h"

#include <cmath>
#include <vector>

#include "io/formats/text_lines.h"
#include "runtime/error.h"

namespace velmora {

Specimens read_idav_pts(std::istream& in, std::string_view source) {
  constexpr double kMissing = 9999;
  LineReader lines(in, source);
  std::string text;
  std::vector<std::string_view> words;
  const auto next_words = [&]() {
    while (lines.next(text)) {
      words = split_words(text);
      if (!words.empty()) return true;
    }
    return false;
  };
  if (!next_words()) throw RuntimeError(std::string(source) + ": the file is empty.");
  if (words[0] == "Version" || words[0] == "version") {
    if (!next_words()) throw RuntimeError(std::string(source) + ": the number of points is missing after the version.");
  }
  long long count = 0;
  if (words.size() != 1 || !parse_count(words[0], 1e12, count))
    lines.fail("\"" + std::string(trim(text)).substr(0, 40) + "\" is not a number of points.");
  const long count_line = lines.line();

  Specimens out;
  int dims = 0;
  std::vector<double> values;
  long long read = 0;
  while (next_words()) {
    if (read == count)
      lines.fail("more point lines than the " + std::to_string(count) + " announced at line " +
                 std::to_string(count_line) + ".");
    const int d = static_cast<int>(words.size()) - 1;
    if (dims == 0) {
      if (d != 2 && d != 3) lines.fail("a point line is a label and 3 numbers (x y z) or 2 (x y).");
      dims = d;
    } else if (d != dims) {
      lines.fail("point " + std::to_string(read + 1) + " has " + std::to_string(d) + " numbers after its label " +
                 "where point 1 has " + std::to_string(dims) + ".");
    }
    double p[3] = {0, 0, 0};
    bool missing = false;
    for (int c = 0; c < d; ++c) {
      if (!parse_value(words[c + 1], p[c]))
        lines.fail("point " + std::to_string(read + 1) + ": \"" + std::string(words[c + 1].substr(0, 40)) +
                   "\" is not a number.");
      missing = missing || std::isnan(p[c]) || p[c] == kMissing;
    }
    for (int c = 0; missing && c < d; ++c) p[c] = std::nan("");  // a 2D point keeps z = 0
    values.insert(values.end(), p, p + 3);
    ++read;
  }
  if (read < count)
    throw RuntimeError(std::string(source) + ": " + std::to_string(read) + " point lines where line " +
                       std::to_string(count_line) + " announces " + std::to_string(count) + ".");
  out.dims = dims == 0 ? 3 : dims;
  Specimen s;
  s.name = file_stem(source);
  s.points = point_rows(values);
  out.specimens.push_back(std::move(s));
  return out;
}

}  // namespace velmora
