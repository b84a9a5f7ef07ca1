#include "geometry/svdrot2.h"

#include <string>

#include "geometry/procrustes_kernels.h"
#include "runtime/error.h"

namespace velmora {

Eigen::Matrix3d svdrot2(const Eigen::MatrixXd& reference, const Eigen::MatrixXd& subject) {
  if (reference.cols() != 3 || subject.cols() != 3)
    throw RuntimeError("svdrot2: the reference and the subject must have 3 columns (x, y, z); they have " +
                       std::to_string(reference.cols()) + " and " + std::to_string(subject.cols()) + ".");
  if (reference.rows() != subject.rows())
    throw RuntimeError("svdrot2: the reference has " + std::to_string(reference.rows()) + " points and the subject " +
                       std::to_string(subject.rows()) + "; they must have the same points.");
  return detail::rotation_fit(reference, subject);
}

}  // namespace velmora
