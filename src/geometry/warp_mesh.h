// Warping a surface by the thin-plate spline that carries landmarks to targets.
#pragma once

#include <Eigen/Dense>

#include "geometry/mesh.h"

namespace velmora {

/// `mesh` with every vertex moved by the thin-plate spline (3D kernel U(r) = r,
/// as tps_warp) that interpolates `from` (p by 3 landmarks placed on the mesh)
/// onto `to` (p by 3). The spline is solved once and the vertices are mapped
/// in parallel; triangles, vertex order and colours are kept. A vertex on a
/// landmark lands on its target; `to` equal to `from` leaves the mesh as it
/// is, an affine change of the landmarks changes the mesh by that map.
/// Landmarks on one spot of `from` (a curve starting on a landmark) count once
/// when their targets agree to a millionth of the target's extent. Throws
/// RuntimeError naming two landmarks (from 1) on one spot whose targets lie
/// apart, as tps_system (landmarks in one plane) and when the shapes do not
/// match.
Mesh warp_mesh(const Mesh& mesh, const Eigen::MatrixXd& from, const Eigen::MatrixXd& to);

}  // namespace velmora
