// How far points lie from a surface.
#pragma once

#include <Eigen/Dense>

#include "geometry/mesh.h"

namespace velmora {

/// The distance of each of `points` (q by 3) from the nearest point of the
/// surface `mesh` (any point of any triangle, not only its vertices). Returns
/// q values. Exhaustive over the triangles, with each triangle's bounding box
/// passed over when it is farther than the best distance so far; points are
/// handled in parallel.
Eigen::VectorXd distance_to_mesh(const Mesh& mesh, const Eigen::MatrixXd& points);

}  // namespace velmora
