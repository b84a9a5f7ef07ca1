// Centroid size alone.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// Centroid size of x (p by c), computed exactly as centsize3D computes it.
double centsize3Da(const Eigen::MatrixXd& x);

}  // namespace velmora
