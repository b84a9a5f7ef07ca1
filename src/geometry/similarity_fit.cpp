#include "geometry/similarity_fit.h"

#include "geometry/procrustes_kernels.h"

namespace velmora {

Similarity similarity_fit(const Eigen::MatrixXd& before, const Eigen::MatrixXd& after) {
  Similarity s;
  s.centre = before.colwise().mean();
  Eigen::MatrixXd scaled = before.rowwise() - s.centre;
  s.size = detail::centroid_size(scaled);
  if (s.size > 0) scaled /= s.size;
  s.rotation = detail::rotation_fit(after, scaled);
  return s;
}

}  // namespace velmora
