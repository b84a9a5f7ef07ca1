#include "geometry/getpprocon3.h"

#include <string>

#include "geometry/procrustes_kernels.h"
#include "runtime/error.h"

namespace velmora {

Sample getpprocon3(const Eigen::MatrixXd& reference, const Sample& data, Console* console) {
  if (reference.cols() != 3)
    throw RuntimeError("getpprocon3: the reference must have 3 columns (x, y, z); it has " +
                       std::to_string(reference.cols()) + ".");
  if (reference.rows() != data.points())
    throw RuntimeError("getpprocon3: the reference has " + std::to_string(reference.rows()) +
                       " points and the sample " + std::to_string(data.points()) + "; they must have the same points.");
  Sample sdata = data;
  for (Eigen::Index i = 0; i < sdata.count(); ++i) {
    if (detail::fit_in_place(reference, sdata.specimen(i), console) == detail::FitStatus::zero_size)
      throw RuntimeError("specimen " + std::to_string(i + 1) + " has zero centroid size (all its points coincide)");
  }
  return sdata;
}

}  // namespace velmora
