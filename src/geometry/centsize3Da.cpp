#include "geometry/centsize3Da.h"

#include "geometry/procrustes_kernels.h"

namespace velmora {

double centsize3Da(const Eigen::MatrixXd& x) { return detail::centroid_size(x); }

}  // namespace velmora
