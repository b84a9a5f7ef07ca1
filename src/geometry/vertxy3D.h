// Turning flat specimen rows back into configurations.
#pragma once

#include <Eigen/Dense>

#include "runtime/sample.h"

namespace velmora {

/// From an m by c table of flat rows (x1 y1 z1 ... xp yp zp [cs ...]) builds
/// the p by 3 by m sample with p = floor(c / 3): y(j, k, i) = x(i, 3(j-1) + k).
/// Columns beyond 3p (the centroid size) are ignored. One row gives a sample
/// of one, the p by 3 configuration.
Sample vertxy3D(const Eigen::MatrixXd& x);

}  // namespace velmora
