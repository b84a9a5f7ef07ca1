#include "geometry/getpproc3.h"

#include <string>

#include "geometry/procrustes_kernels.h"
#include "runtime/error.h"

namespace velmora {
namespace {

[[noreturn]] void zero_size(Eigen::Index specimen) {
  throw RuntimeError("specimen " + std::to_string(specimen + 1) + " has zero centroid size (all its points coincide)");
}

/// Divides every entry of x by its centroid size; false when that size is 0.
bool scale_to_unit_size(Eigen::MatrixXd& x) {
  const double size = detail::centroid_size(x);
  if (size == 0) return false;
  x /= size;
  return true;
}

}  // namespace

Superimposition getpproc3(const Sample& data, Console* console) {
  const Eigen::Index count = data.count();
  const Eigen::Index points = data.points();
  if (count == 0 || points == 0) throw RuntimeError("getpproc3: the sample holds no specimens.");

  Superimposition result;
  result.aligned = data;
  Eigen::MatrixXd& reference = result.mean;

  // Starting reference: the sum of the specimens (not their mean: the scaling
  // below removes the factor), added in specimen order.
  reference = Eigen::MatrixXd::Zero(points, 3);
  if (count > 1) {
    for (Eigen::Index i = 0; i < count; ++i) reference += data.specimen(i);
  } else {
    reference = data.specimen(0);
  }
  detail::centre_columns(reference);
  if (!scale_to_unit_size(reference)) {
    if (count == 1) zero_size(0);
    // The specimens cancel out when summed (for example a configuration and its
    // point reflection): start from the first specimen instead of dividing by 0.
    for (Eigen::Index i = 0; i < count; ++i) {
      Eigen::MatrixXd specimen = data.specimen(i);
      if (detail::centroid_size(specimen) == 0) zero_size(i);
    }
    reference = data.specimen(0);
    detail::centre_columns(reference);
    scale_to_unit_size(reference);
  }

  if (count == 1) {
    result.aligned = Sample(reference);
    return result;
  }

  Eigen::MatrixXd sum(points, 3);
  for (int iteration = 0; iteration < 3; ++iteration) {
    sum.setZero();
    for (Eigen::Index i = 0; i < count; ++i) {
      auto specimen = result.aligned.specimen(i);
      if (detail::fit_in_place(reference, specimen, console) == detail::FitStatus::zero_size) zero_size(i);
      sum += specimen;
    }
    // Every specimen of this iteration was fitted onto the same reference; only
    // now does the reference become the rescaled mean of the fitted specimens.
    reference = sum / static_cast<double>(count);
    scale_to_unit_size(reference);
  }
  return result;
}

}  // namespace velmora
