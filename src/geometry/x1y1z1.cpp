#include "geometry/x1y1z1.h"

#include <algorithm>

namespace velmora {

Eigen::RowVectorXd x1y1z1(const Eigen::MatrixXd& x, double cs) {
  const Eigen::Index r = x.rows();
  const Eigen::Index c = x.cols();
  // The row grows as it is written: its length is the furthest place written.
  Eigen::Index length = 3 * r + 1;
  if (r > 0 && c > 0) length = std::max(length, 3 * (r - 1) + c);
  Eigen::RowVectorXd y = Eigen::RowVectorXd::Zero(length);
  for (Eigen::Index i = 0; i < r; ++i)
    for (Eigen::Index j = 0; j < c; ++j) y(3 * i + j) = x(i, j);
  y(3 * r) = cs;
  return y;
}

}  // namespace velmora
