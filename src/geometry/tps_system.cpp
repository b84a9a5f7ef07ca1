#include "geometry/tps_system.h"

#include <cmath>
#include <string>

#include "runtime/error.h"

namespace velmora {
namespace {

// Landmarks closer than this share of the configuration's extent count as one
// point: the spline through them would have to bend without bound.
constexpr double kCoincident = 1e-9;

}  // namespace

double tps_kernel(double r, int dimension) {
  if (dimension == 3) return r;
  if (r <= 0) return 0;
  const double r2 = r * r;
  return r2 * std::log(r2);
}

Eigen::MatrixXd tps_system(const Eigen::MatrixXd& landmarks) {
  const Eigen::Index p = landmarks.rows(), m = landmarks.cols();
  if (m != 2 && m != 3)
    throw RuntimeError("A thin-plate spline needs landmarks with 2 or 3 coordinates; these have " + std::to_string(m) +
                       ".");
  if (!landmarks.allFinite()) throw RuntimeError("A thin-plate spline needs finite landmark coordinates.");
  const double extent = (landmarks.colwise().maxCoeff() - landmarks.colwise().minCoeff()).norm();
  for (Eigen::Index i = 0; i < p; ++i)
    for (Eigen::Index j = i + 1; j < p; ++j)
      if ((landmarks.row(i) - landmarks.row(j)).norm() <= kCoincident * extent)
        throw RuntimeError("Landmarks " + std::to_string(i + 1) + " and " + std::to_string(j + 1) +
                           " coincide, so no thin-plate spline passes through them.");
  // The affine part needs the landmarks to span the plane (space).
  const Eigen::MatrixXd centred = landmarks.rowwise() - landmarks.colwise().mean();
  const Eigen::VectorXd spread = Eigen::JacobiSVD<Eigen::MatrixXd>(centred).singularValues();
  if (p <= m || !(spread(m - 1) > kCoincident * spread(0)))
    throw RuntimeError(std::string("The landmarks lie ") + (m == 2 ? "on one line" : "in one plane") +
                       ", so no thin-plate spline passes through them.");

  Eigen::MatrixXd l = Eigen::MatrixXd::Zero(p + m + 1, p + m + 1);
  for (Eigen::Index i = 0; i < p; ++i)
    for (Eigen::Index j = i + 1; j < p; ++j)
      l(i, j) = l(j, i) = tps_kernel((landmarks.row(i) - landmarks.row(j)).norm(), static_cast<int>(m));
  l.block(0, p, p, 1).setOnes();
  l.block(0, p + 1, p, m) = landmarks;
  l.block(p, 0, m + 1, p) = l.block(0, p, p, m + 1).transpose();
  return l;
}

}  // namespace velmora
