#include "geometry/tps_bending_energy.h"

#include "geometry/tps_system.h"
#include "runtime/linear_algebra.h"

namespace velmora {

Eigen::MatrixXd tps_bending_energy(const Eigen::MatrixXd& landmarks) {
  const Eigen::Index p = landmarks.rows(), k = landmarks.cols() + 1;
  const Eigen::MatrixXd l = tps_system(landmarks);
  // With Q an orthonormal basis of the vectors w with P'w = 0 (P = [1 X], the
  // affine part), the upper-left block of the inverse of [K P; P' 0] is
  // Q (Q'KQ)^-1 Q'. Q'KQ is definite: the kernel r^2 log r^2 is conditionally
  // positive definite of order 2 (in the plane), the kernel r conditionally
  // negative definite of order 1 (in space). So a Cholesky factorisation of
  // p - k rows replaces the LU of p + k: a third of the work, which thousands
  // of points along a curve make the cost of every sliding iteration.
  Eigen::HouseholderQR<Eigen::MatrixXd> qr(l.topRightCorner(p, k));
  Eigen::MatrixXd inner = l.topLeftCorner(p, p);
  inner.applyOnTheLeft(qr.householderQ().adjoint());
  inner.applyOnTheRight(qr.householderQ());
  const double sign = k == 3 ? 1.0 : -1.0;
  Eigen::MatrixXd c = sign * inner.bottomRightCorner(p - k, p - k);
  Eigen::MatrixXd block;
  if (definite_inverse_in_place(c)) {
    block = Eigen::MatrixXd::Zero(p, p);
    block.bottomRightCorner(p - k, p - k) = sign * c;
    block.applyOnTheLeft(qr.householderQ());
    block.applyOnTheRight(qr.householderQ().adjoint());
  } else {
    // Not definite to rounding: the first p columns of the inverse, by LU.
    block = inverse_columns(l, p).topRows(p);
  }
  return (block + block.transpose()) / 2;  // symmetric to rounding; made exactly so
}

}  // namespace velmora
