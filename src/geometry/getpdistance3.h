// Distances of the specimens of a sample from a reference.
#pragma once

#include <Eigen/Dense>

#include "runtime/sample.h"

namespace velmora {

/// y(i): the square root of the summed squared differences between
/// `reference` (p by 3) and specimen i of `x` (p by 3 by n, or one p by 3
/// configuration), over all points and coordinates; 1 by n. No fitting,
/// centring or scaling is done here.
/// Throws RuntimeError when the reference and the sample differ in points.
Eigen::RowVectorXd getpdistance3(const Eigen::MatrixXd& reference, const Sample& x);

}  // namespace velmora
