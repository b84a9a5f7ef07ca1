#include "geometry/centsize3D.h"

#include "geometry/procrustes_kernels.h"

namespace velmora {

CentredConfiguration centsize3D(const Eigen::MatrixXd& x) {
  CentredConfiguration result;
  result.y = x;
  detail::centre_columns(result.y);
  // The size is measured on x itself (its own column means), as centsize3Da does.
  result.ycs = detail::centroid_size(x);
  return result;
}

}  // namespace velmora
