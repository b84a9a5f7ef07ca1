// "LoadSurfaces": the surfaces under a study's landmarks.
#pragma once

#include <Eigen/Dense>
#include <filesystem>
#include <string>
#include <vector>

#include "geometry/surface_pictures.h"
#include "runtime/ui_port.h"

namespace velmora {

/// What the study knows that the surfaces must agree with.
struct SurfaceStudyInput {
  std::vector<std::string> names;    // every specimen's name, first sample then second
  Eigen::Index points = 0;           // points a specimen
  std::filesystem::path first_file;  // the first sample's landmark file (its specimens' own frame)
};

/// Asks for a folder of meshes or one mesh file ("Load surfaces…"):
/// - a folder: the meshes (.ply, .stl, .obj) named after specimens
///   ("skull3d-07.ply" for specimen "skull3d-07"); the first of them, in the
///   samples' order, is read and becomes the reference, its landmarks the
///   specimen's points in the first sample's file;
/// - a mesh file: the reference; a second dialog asks for the landmark file
///   (one specimen, any landmark format) placed on it.
/// The landmarks must lie on or near the reference: their median distance
/// from it over their centroid size (landmark_offset) above 0.1 is refused
/// (landmarks mirrored, in another frame or unit), above 0.02 warned about on
/// the console. Throws RuntimeError naming the file or folder, with nothing
/// changed; a cancelled dialog returns nothing.
std::optional<StudySurfaces> load_surfaces(UiPort& ui, const SurfaceStudyInput& study);

}  // namespace velmora
