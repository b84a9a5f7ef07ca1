#include "geometry/partialprocrustes3a.h"

#include <string>

#include "geometry/procrustes_kernels.h"
#include "runtime/error.h"

namespace velmora {

Eigen::MatrixXd partialprocrustes3a(const Eigen::MatrixXd& reference, const Eigen::MatrixXd& subject,
                                    Console* console) {
  if (reference.cols() != 3 || subject.cols() != 3)
    throw RuntimeError("partialprocrustes3a: the reference and the subject must have 3 columns (x, y, z); they have " +
                       std::to_string(reference.cols()) + " and " + std::to_string(subject.cols()) + ".");
  if (reference.rows() != subject.rows())
    throw RuntimeError("partialprocrustes3a: the reference has " + std::to_string(reference.rows()) +
                       " points and the subject " + std::to_string(subject.rows()) +
                       "; they must have the same points.");
  Eigen::MatrixXd y = subject;
  if (detail::fit_in_place(reference, y, console) == detail::FitStatus::zero_size)
    throw RuntimeError("partialprocrustes3a: the subject has zero centroid size (all its points coincide).");
  return y;
}

}  // namespace velmora
