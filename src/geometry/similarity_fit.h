// The similarity that a Procrustes fit applied to a configuration.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// A configuration x taken to ((x - centre) / size) * rotation.
struct Similarity {
  Eigen::RowVector3d centre = Eigen::RowVector3d::Zero();
  double size = 1;
  Eigen::Matrix3d rotation = Eigen::Matrix3d::Identity();

  /// The points (k by 3) taken along.
  Eigen::MatrixXd of(const Eigen::MatrixXd& points) const { return ((points.rowwise() - centre) / size) * rotation; }
};

/// The similarity taking `before` (p by 3) onto `after` (p by 3), where
/// `after` came from `before` by Procrustes fits (getpproc3, getpprocon3,
/// partialprocrustes3a: centring, scaling to unit centroid size, turning,
/// perhaps mirroring): the centre and centroid size of `before`, and the
/// orthogonal matrix that fits it, so scaled, onto `after`. Points carried
/// by it land where the fit would have put them (to rounding), so curves
/// digitised with a specimen follow it into its superimposed frame.
Similarity similarity_fit(const Eigen::MatrixXd& before, const Eigen::MatrixXd& after);

}  // namespace velmora
