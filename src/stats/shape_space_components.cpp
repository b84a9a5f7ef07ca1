#include "stats/shape_space_components.h"

#include <algorithm>
#include <string>
#include <utility>

#include "geometry/getpproc3.h"
#include "runtime/error.h"
#include "runtime/linear_algebra.h"
#include "stats/leading_eigenpairs.h"

namespace velmora {

PooledShapes pooled_shapes(const Sample& pooled, bool flat) {
  const Eigen::Index p = pooled.points(), n = pooled.count();
  const Superimposition fit = getpproc3(pooled);
  const int columns = flat ? 2 : 3;
  PooledShapes out;
  out.coordinates.resize(n, columns * p);
  for (Eigen::Index i = 0; i < n; ++i)
    for (Eigen::Index k = 0; k < p; ++k)
      for (int c = 0; c < columns; ++c) out.coordinates(i, columns * k + c) = fit.aligned.specimen(i)(k, c);
  out.mean = fit.mean;
  return out;
}

ShapePca shape_space_components(const Sample& data1, const Sample& data2, bool flat, Eigen::Index kept) {
  const Eigen::Index p = data1.points(), n1 = data1.count(), n2 = data2.count(), n = n1 + n2;
  if (data2.points() != p)
    throw RuntimeError("ShapePCA: the first sample has " + std::to_string(p) + " points per specimen and the second " +
                       std::to_string(data2.points()) + ".");
  if (n < 3)
    throw RuntimeError("ShapePCA needs at least 3 specimens in all; the samples hold " + std::to_string(n1) + " and " +
                       std::to_string(n2) + ".");
  Sample pooled(p, n);
  pooled.values().leftCols(3 * n1) = data1.values();
  pooled.values().rightCols(3 * n2) = data2.values();
  PooledShapes fit = pooled_shapes(pooled, flat);
  ShapePca out = coordinate_components(std::move(fit.coordinates), n1, flat, kept);
  out.mean = fit.mean;
  return out;
}

ShapePca coordinate_components(Eigen::MatrixXd coordinates, Eigen::Index first, bool flat, Eigen::Index kept) {
  const Eigen::Index n = coordinates.rows(), n1 = first, n2 = n - first;
  if (n < 3) throw RuntimeError("ShapePCA needs at least 3 specimens in all; there are " + std::to_string(n) + ".");
  const int columns = flat ? 2 : 3;
  const Eigen::Index dims = coordinates.cols(), p = dims / columns;
  Eigen::MatrixXd x = std::move(coordinates);
  const Eigen::RowVectorXd centre = x.colwise().mean();
  x.rowwise() -= centre;

  const Eigen::Index components = std::min(n - 1, dims);
  kept = std::clamp<Eigen::Index>(kept, 0, components);
  const Eigen::Index found = std::max<Eigen::Index>(kept, std::min<Eigen::Index>(3, components));
  // Eigenvalues of X X' (or X' X) are the squared singular values of X; the
  // eigenvectors are its left (right) singular vectors.
  const bool wide = n <= dims;
  const LeadingEigenpairs eig = leading_eigenpairs(lower_cross_product(x, !wide), found);
  const Eigen::VectorXd squared = eig.values.head(components).cwiseMax(0.0);
  const double total = squared.sum();
  // Specimens of unit size that differ by less than 1e-10 differ by rounding only.
  if (!(total > 1e-20 * static_cast<double>(n)))
    throw RuntimeError("ShapePCA: all " + std::to_string(n) +
                       " specimens have the same shape after superimposition; there is no variation to analyse.");

  Eigen::MatrixXd directions(dims, found), scores(n, found);
  for (Eigen::Index j = 0; j < found; ++j) {
    const double singular = std::sqrt(squared(j));
    if (wide) {
      scores.col(j) = eig.vectors.col(j) * singular;
      directions.col(j) =
          singular > 0 ? Eigen::VectorXd(x.transpose() * eig.vectors.col(j) / singular) : Eigen::VectorXd::Zero(dims);
    } else {
      directions.col(j) = eig.vectors.col(j);
      scores.col(j) = x * eig.vectors.col(j);
    }
    Eigen::Index largest = 0;
    directions.col(j).cwiseAbs().maxCoeff(&largest);
    if (directions(largest, j) < 0) {
      directions.col(j) *= -1;
      scores.col(j) *= -1;
    }
  }

  ShapePca out;
  out.proportions = squared / total;
  out.variances = squared / static_cast<double>(n - 1);
  out.scores = scores.leftCols(kept);
  out.loadings = directions.leftCols(std::min<Eigen::Index>(3, components));
  out.sample.resize(n);
  out.sample.head(n1).setConstant(1);
  out.sample.tail(n2).setConstant(2);
  out.mean = Eigen::MatrixXd::Zero(p, 3);
  for (Eigen::Index k = 0; k < p; ++k) out.mean.row(k).head(columns) = centre.segment(columns * k, columns);
  return out;
}

}  // namespace velmora
