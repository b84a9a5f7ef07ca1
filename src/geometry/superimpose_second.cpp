#include "geometry/superimpose_second.h"

#include "geometry/centsize3Da.h"
#include "geometry/getpprocon3.h"
#include "runtime/error.h"

namespace velmora {

Superimposition superimpose_second(const Sample& data2, const Eigen::MatrixXd& mean1, Console* console) {
  const Superimposition own = getpproc3(data2, console);
  Eigen::MatrixXd mean2 = getpprocon3(mean1, Sample(own.mean), console).values();
  const double size = centsize3Da(mean2);
  if (!(size > 0)) throw RuntimeError("The second sample's mean has zero centroid size after its fit.");
  mean2 = mean2 / size;
  Superimposition out;
  out.aligned = getpprocon3(mean2, own.aligned, console);
  out.mean = std::move(mean2);
  return out;
}

}  // namespace velmora
