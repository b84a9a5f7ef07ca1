// The bending energy matrix of the thin-plate spline.
#pragma once

#include <Eigen/Dense>
#include <vector>

namespace velmora {

/// The bending energy matrix Lp of the thin-plate spline through `landmarks`
/// (p by m, m = 2 or 3): the upper-left p by p block of the inverse of the
/// system tps_system(landmarks). It is symmetric; for target coordinates Y
/// (p by m) the spline's bending energy is trace(Y' Lp Y) up to the kernel's
/// sign: it is zero exactly when Y is an affine image of the landmarks, and
/// otherwise positive in the plane (r^2 log r^2) and negative in space (r).
/// Throws RuntimeError as tps_system.
Eigen::MatrixXd tps_bending_energy(const Eigen::MatrixXd& landmarks);

/// Lp of tps_bending_energy kept as the factorisation it is made from, so
/// that it can be applied to a few vectors for a third of the work of
/// forming it. With Q an orthonormal basis of the vectors w with P'w = 0
/// (P = [1 X], the affine part), Lp = Q (Q'KQ)^-1 Q', and Q'KQ is definite:
/// the kernel r^2 log r^2 is conditionally positive definite of order 2 (in
/// the plane), the kernel r conditionally negative definite of order 1 (in
/// space). So Lp takes a Cholesky factorisation of p - m - 1 rows, where the
/// whole system would take an LU of p + m + 1.
class TpsBendingEnergy {
 public:
  /// Throws RuntimeError as tps_system.
  explicit TpsBendingEnergy(const Eigen::MatrixXd& landmarks);

  Eigen::Index points() const { return points_; }

  /// x = Lp x for x (p by k), on one thread.
  void apply(Eigen::Ref<Eigen::MatrixXd> x) const;

  /// Lp, formed (exactly symmetric).
  Eigen::MatrixXd matrix() const;

 private:
  void reflect(Eigen::Ref<Eigen::MatrixXd> x, bool forward) const;

  Eigen::Index points_ = 0, affine_ = 0;
  std::vector<Eigen::VectorXd> reflectors_;  // P's QR: [Q_P Q] = H_1 ... H_k, H_j = I - tau_j v_j v_j'
  Eigen::VectorXd taus_;
  double sign_ = 1;         // the sign that makes Q'KQ positive
  Eigen::MatrixXd factor_;  // the Cholesky factor of sign Q'KQ, lower
  Eigen::MatrixXd formed_;  // Lp by LU, when Q'KQ is not definite to rounding
};

}  // namespace velmora
