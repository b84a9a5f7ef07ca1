// The few dense symmetric kernels that large shape spaces need, from an
// optimised BLAS and LAPACK (blocked, multithreaded, chosen for the processor
// at run time). Everything else stays on Eigen.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// The lower triangle of a a' (or of a' a when `transposed`); the strict
/// upper triangle of the result is left unset.
Eigen::MatrixXd lower_cross_product(const Eigen::MatrixXd& a, bool transposed);

/// s b for a symmetric s (n by n, its lower triangle is read) and b (n by m):
/// the large products of the permutation tests.
Eigen::MatrixXd symmetric_product(const Eigen::MatrixXd& s, const Eigen::MatrixXd& b);

/// A symmetric matrix reduced to tridiagonal form, Q' S Q = T: diagonal d,
/// sub-diagonal e, and Q kept as Householder reflectors.
struct Tridiagonal {
  Eigen::VectorXd diagonal, subdiagonal;
  Eigen::MatrixXd reflectors;
  Eigen::VectorXd scales;

  /// Q z, z with as many rows as S.
  Eigen::MatrixXd apply_q(Eigen::MatrixXd z) const;
};

/// Reduces the symmetric `s` (its lower triangle is read; the matrix is taken
/// over to hold the reflectors).
Tridiagonal tridiagonalize(Eigen::MatrixXd s);

}  // namespace velmora
