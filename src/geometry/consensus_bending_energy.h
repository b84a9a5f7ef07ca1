// The bending energy matrix that semilandmarks slide against.
#pragma once

#include <Eigen/Dense>

#include "geometry/semilandmark_layout.h"

namespace velmora {

/// The bending energy matrix Lp (p by p) of the thin-plate spline built on the
/// consensus (p by 3, laid out as `layout` says): tps_bending_energy of its
/// distinct points, with the plane's kernel (r^2 log r^2, on x and y) when
/// every z is zero and space's (r) otherwise. A closed curve's closing repeat
/// is the same point as the curve's first: it is left out of the spline and
/// its row and column of Lp are zero.
/// Throws RuntimeError naming two points of the consensus that coincide
/// ("landmark 3", "curve 2, point 5"), and when the points lie on one line
/// (in the plane) or in one plane (in space).
Eigen::MatrixXd consensus_bending_energy(const Eigen::MatrixXd& consensus, const SemilandmarkLayout& layout);

}  // namespace velmora
