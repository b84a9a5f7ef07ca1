#include "io/prepare_sample.h"

#include <cmath>
#include <string>

#include "io/formats/landmark_file.h"
#include "io/formats/missing_landmarks.h"
#include "runtime/error.h"

namespace velmora {

std::string apply_scales(std::vector<Specimen>& specimens, std::string_view source) {
  std::vector<std::size_t> without;
  for (std::size_t i = 0; i < specimens.size(); ++i)
    if (!specimens[i].scale) without.push_back(i);
  const std::size_t with = specimens.size() - without.size();
  if (with == 0) return {};
  if (without.empty()) {
    for (Specimen& s : specimens) {
      s.points *= *s.scale;
      s.scale.reset();
    }
    return std::string(source) + ": the points of " + std::to_string(with) +
           " specimen(s) are multiplied by their SCALE=.";
  }
  constexpr std::size_t kNamed = 20;
  std::string names;
  for (std::size_t k = 0; k < without.size() && k < kNamed; ++k) {
    const std::size_t i = without[k];
    const std::string number = numbered_name(i + 1);
    names += (k == 0 ? "" : ", ") + number + (specimens[i].name != number ? " (" + specimens[i].name + ")" : "");
  }
  if (without.size() > kNamed) names += " and " + std::to_string(without.size() - kNamed) + " more";
  return std::string(source) + ": " + std::to_string(with) + " of " + std::to_string(specimens.size()) +
         " specimens have a SCALE=; without one: " + names +
         ". No specimen is scaled, so that all keep the file's units (give every specimen its SCALE= to measure "
         "them).";
}

std::string leave_out_empty(Specimens& s, std::string_view source) {
  std::string names;
  std::size_t empty = 0;
  std::vector<Specimen> kept;
  for (std::size_t i = 0; i < s.specimens.size(); ++i) {
    Specimen& sp = s.specimens[i];
    if (sp.points.rows() > 0) {
      kept.push_back(std::move(sp));
      continue;
    }
    const std::string number = numbered_name(i + 1);
    names += (empty++ == 0 ? "" : ", ") + number + (sp.name != number ? " (" + sp.name + ")" : "");
  }
  s.specimens = std::move(kept);
  if (empty == 0) return {};
  if (s.specimens.empty()) throw RuntimeError(std::string(source) + ": no specimen has any points.");
  return std::string(source) + ": " + std::to_string(empty) +
         " specimen(s) have no points (LM=0, not digitised) and are left out: " + names + ".";
}

DetectedInput open_picked(const FileChoice& choice, Console& console) {
  DetectedInput opened = open_detected(choice.path(), console);
  const LandmarkFormat format = opened.detected.format;
  if (!choice.more.empty() &&
      (format == LandmarkFormat::tps || format == LandmarkFormat::unknown || format == LandmarkFormat::flat_table)) {
    Specimens none;  // refused before anything is read: the file holds a whole sample
    add_picked_files(none, choice, format, false, console);
  }
  return opened;
}

void add_picked_files(Specimens& s, const FileChoice& choice, LandmarkFormat format, bool negative_missing,
                      Console& console) {
  if (choice.more.empty()) return;
  const auto one_a_file = [](LandmarkFormat f) {
    return f == LandmarkFormat::markups_csv || f == LandmarkFormat::markups_json || f == LandmarkFormat::idav_pts;
  };
  if (!one_a_file(format))
    throw RuntimeError(choice.name + " is " + format_description(format) +
                       ", which holds a whole sample: " + std::to_string(choice.more.size() + 1) +
                       " files make one sample only when each holds one specimen (markups .fcsv or .mrk.json, IDAV "
                       ".pts); pick it alone.");
  for (const std::string& name : choice.more) {
    LandmarkFile f = read_landmark_file(choice.folder / name, std::nullopt, {negative_missing, Frame::lps});
    if (!one_a_file(f.format))
      throw RuntimeError(name + " is " + format_description(f.format) + " where " + choice.name + " is " +
                         format_description(format) + "; the files of one sample hold one specimen each.");
    if (f.specimens.dims != s.dims)
      throw RuntimeError(name + " holds " + std::to_string(f.specimens.dims) + "D points and " + choice.name + " " +
                         std::to_string(s.dims) + "D points; one sample holds one or the other.");
    for (std::string& note : f.specimens.notes) s.notes.push_back(std::move(note));
    for (Specimen& sp : f.specimens.specimens) s.specimens.push_back(std::move(sp));
  }
  console.write(choice.name + " and " + std::to_string(choice.more.size()) + " more file(s) make one sample of " +
                std::to_string(s.specimens.size()) + " specimens, one a file.\n");
}

PreparedSample prepare_sample(const Specimens& read, std::string_view source, const LoadSwitches& switches,
                              Console& console) {
  for (const std::string& note : read.notes) console.write(note + "\n");
  Specimens scaled = read;
  scaled.notes.clear();
  const std::string note = apply_scales(scaled.specimens, source);
  if (!note.empty()) console.write(note + "\n");
  MissingCheck checked = drop_missing(scaled, source, switches.drop_missing);
  for (const std::string& note : checked.notes) console.write(note + "\n");
  // The other columns go with the specimens kept.
  std::string headers;
  for (const auto& [header, cells] : read.columns) {
    std::vector<std::string> kept;
    for (std::size_t from : checked.kept_from) kept.push_back(cells[from - 1]);
    checked.kept.columns.emplace_back(header, std::move(kept));
    headers += (headers.empty() ? "\"" : ", \"") + header + "\"";
  }
  if (!headers.empty())
    console.write(std::string(source) + ": the column(s) " + headers +
                  " are neither names nor coordinates; they are kept with the specimens as their classifiers.\n");
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
