// The linear system of the thin-plate spline through a set of landmarks.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// The spline's kernel U(r): r^2 log r^2 for landmarks in the plane
/// (`dimension` 2), r in space (`dimension` 3); U(0) = 0.
double tps_kernel(double r, int dimension);

/// The system L = [K P; P' 0] of the thin-plate spline through `landmarks`
/// (p by m, m = 2 or 3, one row per landmark): K (p by p) holds
/// U(|x_i - x_j|), P (p by m + 1) the rows [1 x_i]. L is (p + m + 1) by
/// (p + m + 1) and symmetric. It is singular when two landmarks coincide or all
/// of them lie on one line (m = 2) or in one plane (m = 3); then RuntimeError
/// names the first coincident pair (counted from 1) or says how they lie.
Eigen::MatrixXd tps_system(const Eigen::MatrixXd& landmarks);

}  // namespace velmora
