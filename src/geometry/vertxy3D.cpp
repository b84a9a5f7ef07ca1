#include "geometry/vertxy3D.h"

namespace velmora {

Sample vertxy3D(const Eigen::MatrixXd& x) {
  const Eigen::Index m = x.rows();
  const Eigen::Index p = x.cols() / 3;
  Sample y(p, m);
  for (Eigen::Index i = 0; i < m; ++i) {
    auto specimen = y.specimen(i);
    for (Eigen::Index j = 0; j < p; ++j)
      for (Eigen::Index k = 0; k < 3; ++k) specimen(j, k) = x(i, 3 * j + k);
  }
  return y;
}

}  // namespace velmora
