#include "geometry/tps_bending_energy.h"

#include "geometry/tps_system.h"

namespace velmora {

Eigen::MatrixXd tps_bending_energy(const Eigen::MatrixXd& landmarks) {
  const Eigen::Index p = landmarks.rows();
  const Eigen::MatrixXd l = tps_system(landmarks);
  // The first p columns of the inverse, without forming the rest of it.
  const Eigen::MatrixXd first = l.partialPivLu().solve(Eigen::MatrixXd::Identity(l.rows(), p));
  const Eigen::MatrixXd block = first.topRows(p);
  return (block + block.transpose()) / 2;  // symmetric to rounding; made exactly so
}

}  // namespace velmora
