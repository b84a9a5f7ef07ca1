#include "geometry/tps_warp.h"

#include <string>

#include "geometry/tps_system.h"
#include "runtime/error.h"

namespace velmora {

Eigen::MatrixXd tps_warp(const Eigen::MatrixXd& source, const Eigen::MatrixXd& target, const Eigen::MatrixXd& points) {
  const Eigen::Index p = source.rows(), m = source.cols();
  if (target.rows() != p || target.cols() != m || points.cols() != m)
    throw RuntimeError(
        "A thin-plate warp needs landmarks, targets and points of one dimension and as many targets as "
        "landmarks; got " +
        std::to_string(p) + " by " + std::to_string(m) + " landmarks, " + std::to_string(target.rows()) + " by " +
        std::to_string(target.cols()) + " targets and " + std::to_string(points.cols()) + " coordinates a point.");
  const Eigen::MatrixXd l = tps_system(source);
  Eigen::MatrixXd right = Eigen::MatrixXd::Zero(p + m + 1, m);
  right.topRows(p) = target;
  const Eigen::MatrixXd coefficients = l.partialPivLu().solve(right);  // w (p by m), then a, then A'
  const int dimension = static_cast<int>(m);
  Eigen::MatrixXd out(points.rows(), m);
  Eigen::VectorXd kernel(p);
  for (Eigen::Index q = 0; q < points.rows(); ++q) {
    for (Eigen::Index i = 0; i < p; ++i) kernel(i) = tps_kernel((points.row(q) - source.row(i)).norm(), dimension);
    out.row(q) = coefficients.row(p) + points.row(q) * coefficients.middleRows(p + 1, m) +
                 kernel.transpose() * coefficients.topRows(p);
  }
  return out;
}

}  // namespace velmora
