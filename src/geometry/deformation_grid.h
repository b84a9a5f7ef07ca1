// The lines of a deformation grid carried by the thin-plate spline.
#pragma once

#include <Eigen/Dense>
#include <vector>

namespace velmora {

/// The grid lines that the thin-plate spline from `source` to `target` (p by
/// m landmarks, m = 2 or 3) makes of a regular grid. In the plane: `lines`
/// lines each way over the landmarks' box plus a tenth of its larger side all
/// round. In space: three orthogonal planes through the centroid of `source`
/// (x-y, x-z, y-z), each such a grid over the box. Every line is warped at
/// `samples` points and returned as one polyline (samples by m); the lines of
/// the plane, or of each plane, come in one matrix separated by a row of NaN.
/// Landmarks that coincide in `source` and in `target` (a closed curve's
/// first point repeated at its end) count once. Throws RuntimeError naming two
/// landmarks (counted from 1) that coincide in `source` but not in `target`,
/// and as tps_system otherwise.
std::vector<Eigen::MatrixXd> deformation_grid(const Eigen::MatrixXd& source, const Eigen::MatrixXd& target,
                                              int lines = 20, int samples = 60);

}  // namespace velmora
