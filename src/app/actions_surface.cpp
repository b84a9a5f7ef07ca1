// The surface actions: LoadSurfaces, ShowSurface, ShowSurfaceDifference,
// ShowPCSurfaces and SaveSurface.
#include <cmath>
#include <memory>

#include "app/actions.h"
#include "geometry/surface_pictures.h"
#include "io/formats/mesh_file.h"
#include "io/load_surfaces.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "stats/shape_space_components.h"

namespace velmora::actions {
namespace {

std::vector<std::string> specimen_names(const std::vector<std::string>& names, Eigen::Index count) {
  if (static_cast<Eigen::Index>(names.size()) == count) return names;
  std::vector<std::string> out;
  for (Eigen::Index i = 0; i < count; ++i) out.push_back("specimen " + std::to_string(i + 1));
  return out;
}

const StudySurfaces& surfaces_of(const WorkingState& s, const char* action) {
  if (!s.surfaces)
    throw RuntimeError(std::string(action) + ": there are no surfaces yet; load them with LoadSurfaces first.");
  return *s.surfaces;
}

}  // namespace

void load_surfaces(WorkingState& s, UiPort& ui) {
  SurfaceStudyInput study;
  study.names = specimen_names(s.names1, s.data1.count());
  for (const std::string& n : specimen_names(s.names2, s.data2.count())) study.names.push_back(n);
  study.points = s.mean1.rows();
  study.first_file = s.sources.first;
  std::optional<StudySurfaces> loaded = load_surfaces(ui, study);
  if (!loaded) return;
  std::string text = sprintf_m(
      "Surface %s: %i vertices, %i triangles; its landmarks (%s) lie a median %.2f %% of "
      "their centroid size from it",
      loaded->reference_name, static_cast<double>(loaded->reference.vertices.rows()),
      static_cast<double>(loaded->reference.triangles.rows()), loaded->landmarks_name, 100 * loaded->offset);
  if (!loaded->specimens.empty())
    text += sprintf_m("; %i of %i specimens have a surface", static_cast<double>(loaded->specimens.size()),
                      static_cast<double>(study.names.size()));
  ui.set_control_string("ResultsBox", text + ".");
  s.surfaces = std::make_shared<const StudySurfaces>(std::move(*loaded));
  s.surface.reset();
}

void show_surface(WorkingState& s, UiPort& ui) {
  const StudySurfaces& surfaces = surfaces_of(s, "ShowSurface");
  if (s.mean1.size() == 0)
    throw RuntimeError("ShowSurface: there is no first sample yet; load one with LoadFile1 first.");
  check_warpable(surfaces, s.mean1.rows(), "ShowSurface");
  Graphics& g = ui.graphics();
  s.surface = std::make_shared<const Mesh>(show_surface(g, g.new_figure(), surfaces, s.mean1));
}

void show_surface_difference(WorkingState& s, UiPort& ui) {
  const StudySurfaces& surfaces = surfaces_of(s, "ShowSurfaceDifference");
  if (s.mean1.size() == 0 || s.mean2.size() == 0)
    throw RuntimeError("ShowSurfaceDifference: it needs both samples; load them with LoadFile1 and LoadFile2 first.");
  check_warpable(surfaces, s.mean1.rows(), "ShowSurfaceDifference");
  const bool overlay = ui.has_control("SurfaceOverlay") && ui.control_value("SurfaceOverlay") != 0;
  Graphics& g = ui.graphics();
  s.surface =
      std::make_shared<const Mesh>(show_surface_difference(g, g.new_figure(), surfaces, s.mean1, s.mean2, overlay));
}

void show_pc_surfaces(WorkingState& s, UiPort& ui) {
  const StudySurfaces& surfaces = surfaces_of(s, "ShowPCSurfaces");
  if (s.data1.empty() || s.data2.empty())
    throw RuntimeError("ShowPCSurfaces: it needs both samples; load them with LoadFile1 and LoadFile2 first.");
  check_warpable(surfaces, s.data1.points(), "ShowPCSurfaces");
  const double chosen = ui.control_value("PCXBox");
  const double k = ui.has_control("SurfaceSD") ? ui.control_value("SurfaceSD") : 2;
  if (!(chosen >= 1 && chosen <= 3 && chosen == std::floor(chosen)))
    throw RuntimeError(
        sprintf_m("ShowPCSurfaces: PCXBox chooses the component; the surfaces show component 1, 2 or "
                  "3, and it is %g.",
                  chosen));
  if (!(std::isfinite(k) && k > 0 && k <= 10))
    throw RuntimeError(
        sprintf_m("ShowPCSurfaces: SurfaceSD, the standard deviations from the mean, is a number above "
                  "0 and up to 10; it is %g.",
                  k));
  const ShapePca pca = shape_space_components(s.data1, s.data2, false, 3);
  const Eigen::Index c = static_cast<Eigen::Index>(chosen) - 1;
  if (c >= pca.loadings.cols())
    throw RuntimeError(sprintf_m("ShowPCSurfaces: the samples have %i components; PCXBox chooses %g.",
                                 static_cast<double>(pca.loadings.cols()), chosen));
  const Eigen::Index p = pca.mean.rows();
  Eigen::MatrixXd direction(p, 3);
  for (Eigen::Index i = 0; i < p; ++i)
    for (int j = 0; j < 3; ++j) direction(i, j) = pca.loadings(3 * i + j, c);
  Graphics& g = ui.graphics();
  show_component_surfaces(g, g.new_figure(), surfaces, pca.mean, direction, std::sqrt(pca.variances(c)), k,
                          static_cast<int>(c + 1), pca.proportions(c));
}

void save_surface(WorkingState& s, UiPort& ui) {
  if (!s.surface)
    throw RuntimeError(
        "SaveSurface: there is no surface picture yet; draw one with ShowSurface or "
        "ShowSurfaceDifference first.");
  const auto choice = ui.save_file("*.ply;*.stl;*.obj", "Save the surface (PLY keeps the heat map's colours)");
  if (!choice) return;
  const std::uintmax_t bytes = write_mesh_file(choice->path(), *s.surface, std::nullopt,
                                               [&](const std::string& note) { ui.console().write(note + "\n"); });
  ui.file_written(choice->path(), bytes);
}

}  // namespace velmora::actions
