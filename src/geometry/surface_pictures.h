// Pictures of a study's surfaces: a reference mesh warped by the thin-plate
// spline onto the mean shapes and the ends of a principal component.
#pragma once

#include <Eigen/Dense>
#include <string>
#include <vector>

#include "geometry/mesh.h"
#include "runtime/graphics.h"

namespace velmora {

/// The surfaces a study has: a reference mesh with the landmarks placed on it
/// (in the mesh's frame), and the specimens that have a mesh of their own.
struct StudySurfaces {
  std::string reference_name;  // the mesh file the pictures warp
  Mesh reference;
  Eigen::MatrixXd landmarks;           // p by 3 on the reference; empty when none match the study's points
  std::string landmarks_name;          // where they came from
  std::string unwarpable;              // why the reference cannot be warped (empty when it can)
  std::vector<std::string> specimens;  // specimens with a mesh in the folder loaded, in the samples' order
  double offset = 0;                   // median landmark distance from the reference over their centroid size
};

/// The median distance of the finite rows of `landmarks` (q by 3) from the
/// surface `mesh`, divided by their centroid size: about 0 for landmarks
/// placed on the surface, large for landmarks in another frame or unit.
double landmark_offset(const Mesh& mesh, const Eigen::MatrixXd& landmarks);

/// The length of the move of each vertex from `a` to `b` (two warps of one
/// mesh: same vertex count); n values.
Eigen::VectorXd vertex_distances(const Mesh& a, const Mesh& b);

/// Throws RuntimeError naming `action` when `surfaces` has no reference
/// whose landmarks are the study's `points` points.
void check_warpable(const StudySurfaces& surfaces, Eigen::Index points, const std::string& action);

/// ShowSurface: in window `figure`, the reference warped onto `mean` (p by
/// 3), shaded in bone colour, with the mean's landmarks on it as dots.
/// Returns the warped mesh.
Mesh show_surface(Graphics& graphics, Handle figure, const StudySurfaces& surfaces, const Eigen::MatrixXd& mean);

/// ShowSurfaceDifference: the reference warped onto `mean1` and `mean2`, the
/// second coloured by the distance of each vertex from its place on the first
/// (a colour key from 0 to the largest). Side by side (mean 1 left, mean 2
/// right), or with `overlay` one in the other: mean 2 in its colours, mean 1
/// see-through grey. Returns mean 2's surface with the colours of the key.
Mesh show_surface_difference(Graphics& graphics, Handle figure, const StudySurfaces& surfaces,
                             const Eigen::MatrixXd& mean1, const Eigen::MatrixXd& mean2, bool overlay);

/// The shape space's surfaces: the reference warped onto mean - k sd d (left)
/// and mean + k sd d (right), d the unit direction of component `component`
/// (p by 3), sd the standard deviation of its scores; each coloured by the
/// distance of its vertices from the mean surface, with a colour key.
void show_component_surfaces(Graphics& graphics, Handle figure, const StudySurfaces& surfaces,
                             const Eigen::MatrixXd& mean, const Eigen::MatrixXd& direction, double sd, double k,
                             int component, double proportion);

/// `mesh` coloured by `values` on the key from `low` to `high` (the colours of
/// the pictures' heat maps), for a PLY file with vertex colours.
Mesh coloured_mesh(const Mesh& mesh, const Eigen::VectorXd& values, double low, double high);

}  // namespace velmora
