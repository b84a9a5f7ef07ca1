// The nearest point of a polyline.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// The point nearest to `point` (1 by 3) on the polyline through the rows of
/// `polyline` (k by 3, k >= 1, joined in order). Of equally near points the
/// one on the earliest segment is taken.
Eigen::RowVector3d nearest_on_polyline(const Eigen::RowVector3d& point, const Eigen::MatrixXd& polyline);

}  // namespace velmora
