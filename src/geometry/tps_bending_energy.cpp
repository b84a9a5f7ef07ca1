#include "geometry/tps_bending_energy.h"

#include "geometry/tps_system.h"
#include "runtime/error.h"
#include "runtime/linear_algebra.h"

namespace velmora {
namespace {

/// H S H in place for the symmetric s and the reflector H = I - tau v v':
/// S - v x' - x v' with w = S v and x = tau w - (tau^2 v'w / 2) v, two passes
/// over s where a general product with H would take four.
void reflect_both_sides(Eigen::MatrixXd& s, const Eigen::VectorXd& v, double tau) {
  if (tau == 0) return;
  const Eigen::VectorXd w = s * v;
  const Eigen::VectorXd x = tau * w - (tau * tau * v.dot(w) / 2) * v;
  for (Eigen::Index j = 0; j < s.cols(); ++j) s.col(j) -= v * x(j) + x * v(j);
}

}  // namespace

TpsBendingEnergy::TpsBendingEnergy(const Eigen::MatrixXd& landmarks)
    : points_(landmarks.rows()), affine_(landmarks.cols() + 1) {
  const Eigen::Index p = points_, k = affine_;
  Eigen::MatrixXd l = tps_system(landmarks);
  const Eigen::HouseholderQR<Eigen::MatrixXd> qr(l.topRightCorner(p, k));
  taus_ = qr.hCoeffs();
  reflectors_.assign(static_cast<std::size_t>(k), Eigen::VectorXd::Zero(p));
  for (Eigen::Index j = 0; j < k; ++j) {
    Eigen::VectorXd& v = reflectors_[static_cast<std::size_t>(j)];
    v(j) = 1;
    v.tail(p - j - 1) = qr.matrixQR().col(j).tail(p - j - 1);
  }
  Eigen::MatrixXd inner = l.topLeftCorner(p, p);
  for (Eigen::Index j = 0; j < k; ++j) reflect_both_sides(inner, reflectors_[static_cast<std::size_t>(j)], taus_(j));
  sign_ = k == 3 ? 1.0 : -1.0;
  factor_ = sign_ * inner.bottomRightCorner(p - k, p - k);
  if (cholesky_factor_in_place(factor_)) return;
  // Not definite to rounding: the first p columns of the inverse, by LU.
  factor_.resize(0, 0);
  const Eigen::MatrixXd block = inverse_columns(std::move(l), p).topRows(p);
  formed_ = (block + block.transpose()) / 2;  // symmetric to rounding; made exactly so
}

void TpsBendingEnergy::reflect(Eigen::Ref<Eigen::MatrixXd> x, bool forward) const {
  // Q' x applies H_1 first, Q x applies H_k first.
  for (Eigen::Index i = 0; i < affine_; ++i) {
    const Eigen::Index j = forward ? i : affine_ - 1 - i;
    if (taus_(j) == 0) continue;
    const Eigen::VectorXd& v = reflectors_[static_cast<std::size_t>(j)];
    const Eigen::RowVectorXd along = taus_(j) * (v.transpose() * x);
    x.noalias() -= v * along;
  }
}

void TpsBendingEnergy::apply(Eigen::Ref<Eigen::MatrixXd> x) const {
  if (factor_.size() == 0) {
    const Eigen::MatrixXd y = formed_ * x;
    x = y;
    return;
  }
  const Eigen::Index k = affine_;
  reflect(x, true);
  x.topRows(k).setZero();
  cholesky_solve_with(factor_, x.bottomRows(points_ - k));
  x.bottomRows(points_ - k) *= sign_;
  reflect(x, false);
}

Eigen::MatrixXd TpsBendingEnergy::matrix() const {
  if (factor_.size() == 0) return formed_;
  const Eigen::Index p = points_, k = affine_;
  Eigen::MatrixXd c = factor_;
  if (!cholesky_inverse_from_factor(c)) throw RuntimeError("The thin-plate spline's system is singular.");
  Eigen::MatrixXd lp = Eigen::MatrixXd::Zero(p, p);
  lp.bottomRightCorner(p - k, p - k) = sign_ * c;
  c.resize(0, 0);
  for (Eigen::Index j = k - 1; j >= 0; --j) reflect_both_sides(lp, reflectors_[static_cast<std::size_t>(j)], taus_(j));
  // Symmetric to rounding; made exactly so.
  lp.triangularView<Eigen::StrictlyUpper>() = lp.transpose();
  return lp;
}

Eigen::MatrixXd tps_bending_energy(const Eigen::MatrixXd& landmarks) { return TpsBendingEnergy(landmarks).matrix(); }

}  // namespace velmora
