// Warping points with the thin-plate spline that carries landmarks to targets.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// The images of `points` (q by m) under the thin-plate spline f that
/// interpolates `source` (p by m, m = 2 or 3) onto `target` (p by m):
/// f(x) = a + A x + sum_i w_i U(|x - source_i|), with [w; a A] solving
/// tps_system(source) [w; a A] = [target; 0]. Returns q by m; a point on a
/// landmark lands on its target. Throws RuntimeError as tps_system, and when
/// the shapes do not match.
Eigen::MatrixXd tps_warp(const Eigen::MatrixXd& source, const Eigen::MatrixXd& target, const Eigen::MatrixXd& points);

}  // namespace velmora
