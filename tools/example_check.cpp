// The generator's read-back check: its files reloaded the way the program
// reads them (markers, resampling, ruler) and compared with the true forms.
#include "example_parts.h"

namespace velmora::examples {



std::vector<ReadSpecimen> read_tps(const std::string& file_text, int per_point) {
  std::vector<ReadSpecimen> out;
  std::istringstream in(file_text);
  std::string line;
  std::vector<double> numbers;
  long wanted = 0;
  auto finish = [&] {
    ReadSpecimen s;
    for (std::size_t k = 0; k + per_point <= numbers.size(); k += per_point)
      s.points.emplace_back(numbers[k], numbers[k + 1], per_point == 3 ? numbers[k + 2] : 0.0);
    out.push_back(s);
    numbers.clear();
  };
  while (std::getline(in, line)) {
    if (line.rfind("LM=", 0) == 0) {
      wanted = std::stol(line.substr(3)) * per_point;
      continue;
    }
    if (static_cast<long>(numbers.size()) >= wanted) continue;  // identifier lines
    std::istringstream values(line);
    double v = 0;
    while (values >> v) numbers.push_back(v);
    if (static_cast<long>(numbers.size()) >= wanted) finish();
  }
  return out;
}

std::vector<std::vector<double>> read_table(const std::string& file_text) {
  std::vector<std::vector<double>> rows;
  std::istringstream in(file_text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream values(line);
    std::vector<double> row;
    double v = 0;
    while (values >> v) row.push_back(v);
    rows.push_back(row);
  }
  return rows;
}

/// Cuts a point list at its markers, resamples the curves, scales by the
/// ruler and drops the ruler points, as the loading action does; reports in
/// `problems` anything the protocol would not accept.
std::optional<Points> load_like_the_program(const Design& d, const Points& list, const std::string& where,
                                            std::vector<std::string>& problems) {
  const std::size_t n = d.curves.size();
  std::vector<std::size_t> markers;
  for (std::size_t k = 0; k + 1 < list.size(); ++k)
    if (list[k].x() == kCurveEnd) markers.push_back(k);
  if (markers.size() != n) {
    problems.push_back(
        where + text(": %zu curve markers before the last point, the protocol has %zu curves", markers.size(), n));
    return std::nullopt;
  }
  if (list.back().x() != kCurveEnd) problems.push_back(where + ": the last point is not a marker");
  const std::size_t expected_fixed = 2 + d.landmarks.size();
  if (markers.front() != expected_fixed) {
    problems.push_back(where +
                       text(": %zu points before the first curve, expected %zu", markers.front(), expected_fixed));
    return std::nullopt;
  }
  Points row(list.begin(), list.begin() + static_cast<long>(markers.front()));
  markers.push_back(list.size() - 1);
  for (std::size_t j = 0; j < n; ++j) {
    const Points clicks(list.begin() + static_cast<long>(markers[j] + 1),
                        list.begin() + static_cast<long>(markers[j + 1]));
    if (clicks.size() < (d.curves[j].type == 1 ? 3u : 2u)) {
      problems.push_back(where + text(": curve %zu has only %zu clicks", j + 1, clicks.size()));
      return std::nullopt;
    }
    const Points r = pick3points(clicks, d.curves[j].type, d.curves[j].points);
    row.insert(row.end(), r.begin(), r.end());
  }
  const double scale = d.ruler_length / (row[0] - row[1]).norm();
  Points form;
  for (std::size_t k = 2; k < row.size(); ++k) form.push_back(scale * row[k]);
  return form;
}

double largest_distance_change(const Points& a, const Points& b) {
  double worst = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    for (std::size_t j = i + 1; j < a.size(); ++j)
      worst = std::max(worst, std::abs((a[i] - a[j]).norm() - (b[i] - b[j]).norm()));
  return worst;
}

}  // namespace velmora::examples
