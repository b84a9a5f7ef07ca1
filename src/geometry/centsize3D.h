// Centring a configuration and measuring its centroid size.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// y: the configuration centred (p by c, every column minus its mean);
/// ycs: its centroid size.
struct CentredConfiguration {
  Eigen::MatrixXd y;
  double ycs = 0;
};

/// Centres x (p by c, usually p by 3) and gives its centroid size: the square
/// root of the summed squared distances of the points from their centroid (no
/// division by the number of points). Coinciding points (or a single point)
/// give size 0 and a centred configuration of zeros.
CentredConfiguration centsize3D(const Eigen::MatrixXd& x);

}  // namespace velmora
