#include "io/load_surfaces.h"

#include <algorithm>
#include <map>

#include "io/formats/landmark_file.h"
#include "io/formats/mesh_file.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

constexpr double kRefused = 0.1;  // landmark offsets beyond this are another frame or unit
constexpr double kWarned = 0.02;

std::string offset_text(double offset) { return sprintf_m("%.1f %%", 100 * offset); }

void check_offset(UiPort& ui, const StudySurfaces& s) {
  const std::string what = "the landmarks of " + s.landmarks_name + " lie a median " + offset_text(s.offset) +
                           " of their centroid size from " + s.reference_name;
  if (s.offset > kRefused)
    throw RuntimeError("LoadSurfaces: " + what +
                       ": they are not on that surface (mirrored, in another frame or in other units?). "
                       "Nothing was loaded.");
  if (s.offset > kWarned) ui.console().write("LoadSurfaces: warning: " + what + "; check that they belong to it.\n");
}

// The specimen a file is named after: its name without the mesh extension.
std::string stem_of(const fs::path& p) { return p.stem().string(); }

StudySurfaces from_folder(const fs::path& folder, const SurfaceStudyInput& study, UiPort& ui) {
  const std::string folder_name = folder.filename().string();
  std::map<std::string, fs::path> meshes;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec) && is_mesh_file(it->path())) meshes.emplace(stem_of(it->path()), it->path());
  if (meshes.empty()) throw RuntimeError("LoadSurfaces: " + folder_name + " holds no mesh file (.ply, .stl, .obj).");
  StudySurfaces out;
  fs::path reference;
  for (const std::string& name : study.names)
    if (const auto it = meshes.find(name); it != meshes.end()) {
      if (reference.empty()) reference = it->second;
      out.specimens.push_back(name);
    }
  if (out.specimens.empty()) {
    std::string some;
    for (const auto& [stem, path] : meshes) {
      if (some.size() > 60) break;
      some += (some.empty() ? "" : ", ") + path.filename().string();
    }
    throw RuntimeError("LoadSurfaces: no mesh in " + folder_name + " is named after a specimen of the study (" + some +
                       "; the first specimen is " +
                       (study.names.empty() ? std::string("unnamed") : "\"" + study.names.front() + "\"") +
                       "). Nothing was loaded.");
  }
  out.reference_name = reference.filename().string();
  out.reference = read_mesh_file(reference);
  // The reference's landmarks: its specimen's points as its file gives them, in its own frame.
  const std::string specimen = stem_of(reference);
  const LandmarkFile file = read_landmark_file(study.first_file, std::nullopt);
  out.landmarks_name = study.first_file.filename().string();
  for (const Specimen& s : file.specimens.specimens)
    if (s.name == specimen) out.landmarks = s.points;
  if (out.landmarks.rows() == 0)
    throw RuntimeError("LoadSurfaces: " + out.landmarks_name + " has no specimen \"" + specimen + "\" to place on " +
                       out.reference_name + ".");
  out.offset = landmark_offset(out.reference, out.landmarks);
  check_offset(ui, out);
  if (out.landmarks.rows() != study.points || !out.landmarks.allFinite()) {
    out.unwarpable = out.landmarks_name + " gives " + std::to_string(out.landmarks.rows()) + " points for " + specimen +
                     " where the study has " + std::to_string(study.points) +
                     " a specimen (curves resampled, a ruler); load a reference mesh with a landmark file of " +
                     std::to_string(study.points) + " points to warp it.";
    out.landmarks.resize(0, 3);
  }
  return out;
}

}  // namespace

std::optional<StudySurfaces> load_surfaces(UiPort& ui, const SurfaceStudyInput& study) {
  if (study.points == 0) throw RuntimeError("LoadSurfaces: there is no study yet; load one with LoadFile1 first.");
  const auto choice = ui.open_file("*.ply;*.stl;*.obj", "Load surfaces: a folder of meshes or one reference mesh");
  if (!choice) return std::nullopt;
  const fs::path path = choice->path();
  std::error_code ec;
  if (fs::is_directory(path, ec)) return from_folder(path, study, ui);

  StudySurfaces out;
  out.reference_name = path.filename().string();
  out.reference = read_mesh_file(path);
  const auto marks = ui.open_file("*.tps;*.fcsv;*.mrk.json;*.pts;*.txt", "Landmarks placed on " + out.reference_name);
  if (!marks) return std::nullopt;
  out.landmarks_name = marks->name;
  const LandmarkFile file = read_landmark_file(marks->path(), std::nullopt);
  if (file.specimens.specimens.size() != 1)
    throw RuntimeError("LoadSurfaces: " + out.landmarks_name + " holds " +
                       std::to_string(file.specimens.specimens.size()) +
                       " specimens; the landmarks of a reference mesh are one specimen.");
  out.landmarks = file.specimens.specimens.front().points;
  if (!out.landmarks.allFinite())
    throw RuntimeError("LoadSurfaces: " + out.landmarks_name + " has missing landmarks; a warp needs all of them.");
  out.offset = landmark_offset(out.reference, out.landmarks);
  check_offset(ui, out);
  if (out.landmarks.rows() != study.points)
    throw RuntimeError("LoadSurfaces: " + out.landmarks_name + " has " + std::to_string(out.landmarks.rows()) +
                       " landmarks; the study has " + std::to_string(study.points) + " points a specimen.");
  return out;
}

}  // namespace velmora
