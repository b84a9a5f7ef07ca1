#include "io/prepare_sample.h"

#include <cmath>
#include <string>

#include "io/formats/missing_landmarks.h"

namespace velmora {

PreparedSample prepare_sample(const Specimens& read, std::string_view source, const LoadSwitches& switches,
                              Console& console) {
  for (const std::string& note : read.notes) console.write(note + "\n");
  Specimens scaled = read;
  scaled.notes.clear();
  std::size_t with = 0;
  for (Specimen& s : scaled.specimens) {
    if (!s.scale) continue;
    s.points *= *s.scale;
    ++with;
  }
  if (with > 0) {
    std::string note =
        std::string(source) + ": the points of " + std::to_string(with) + " specimen(s) are multiplied by their SCALE=";
    if (with < scaled.specimens.size())
      note += "; " + std::to_string(scaled.specimens.size() - with) +
              " specimen(s) have no scale and keep the file's units";
    console.write(note + ".\n");
  }
  MissingCheck checked = drop_missing(scaled, source, switches.drop_missing);
  for (const std::string& note : checked.notes) console.write(note + "\n");
  return {std::move(checked.kept), std::move(checked.kept_from)};
}

std::vector<std::string> sample_names(const PreparedSample& sample, std::size_t read) {
  std::vector<std::string> names;
  bool named = sample.kept_from.size() != read;
  for (std::size_t i = 0; i < sample.specimens.specimens.size(); ++i) {
    names.push_back(sample.specimens.specimens[i].name);
    named = named || names.back() != numbered_name(sample.kept_from[i]);
  }
  return named ? names : std::vector<std::string>{};
}

long negative_points_missing(Specimens& s, double marker) {
  long count = 0;
  for (Specimen& sp : s.specimens) {
    for (Eigen::Index r = 0; r < sp.points.rows(); ++r) {
      if (sp.points(r, 0) == marker || !(sp.points.row(r).array() < 0).any()) continue;
      sp.points.row(r).setConstant(std::nan(""));
      ++count;
    }
  }
  return count;
}

}  // namespace velmora
