#include "io/formats/missing_landmarks.h"

#include "runtime/error.h"

namespace velmora {
namespace {

std::string specimen_text(const Specimens& s, std::size_t i) {
  const std::string number = "specimen " + std::to_string(i + 1);
  const std::string& name = s.specimens[i].name;
  return name.empty() || name == number ? number : number + " (" + name + ")";
}

// "landmark 5" or "landmarks 2, 5 and 9" (at most five listed).
std::string landmarks_text(const std::vector<long>& missing) {
  std::string out = missing.size() == 1 ? "landmark " : "landmarks ";
  const std::size_t shown = std::min<std::size_t>(missing.size(), 5);
  for (std::size_t j = 0; j < shown; ++j) {
    if (j > 0) out += j + 1 == shown && shown == missing.size() ? " and " : ", ";
    out += std::to_string(missing[j]);
  }
  if (shown < missing.size()) out += " and " + std::to_string(missing.size() - shown) + " more";
  return out;
}

}  // namespace

MissingCheck drop_missing(const Specimens& s, std::string_view source, bool drop) {
  MissingCheck out;
  out.kept.dims = s.dims;
  out.kept.notes = s.notes;
  std::vector<std::string> refused;
  for (std::size_t i = 0; i < s.specimens.size(); ++i) {
    const Eigen::MatrixXd& p = s.specimens[i].points;
    std::vector<long> missing;
    for (Eigen::Index r = 0; r < p.rows(); ++r)
      if (p.row(r).hasNaN()) missing.push_back(static_cast<long>(r + 1));
    if (missing.empty()) {
      out.kept.specimens.push_back(s.specimens[i]);
      out.kept_from.push_back(i + 1);
      continue;
    }
    const std::string what = specimen_text(s, i) + " has " + landmarks_text(missing) + " missing";
    if (drop)
      out.notes.push_back(std::string(source) + ": " + what + "; it is left out (DropMissing is on).");
    else
      refused.push_back(what);
  }
  if (!refused.empty()) {
    std::string message = std::string(source) + ": " + refused[0];
    if (refused.size() > 1)
      message += " (and " + std::to_string(refused.size() - 1) + " more specimen" +
                 (refused.size() > 2 ? "s have" : " has") + " missing landmarks)";
    message +=
        ". A sample with missing landmarks cannot be superimposed: fill them in, or turn on DropMissing "
        "(batch: set DropMissing Value 1) to leave such specimens out.";
    throw RuntimeError(message);
  }
  if (out.kept.specimens.empty() && !s.specimens.empty())
    throw RuntimeError(std::string(source) + ": every specimen has missing landmarks, so none is left to load.");
  return out;
}

}  // namespace velmora
