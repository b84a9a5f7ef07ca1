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

/// a b, or a' b when `transposed`: the products of the permutation tests'
/// iterations.
Eigen::MatrixXd product(const Eigen::MatrixXd& a, const Eigen::MatrixXd& b, bool transposed = false);

/// Solves s x = b in place of b for a symmetric positive definite s (m by m;
/// its lower triangle is read and overwritten by the Cholesky factor). Returns
/// false, b unchanged, when s is not positive definite. Runs on one thread, the
/// same operations whatever the machine's threads, for calls from parallel
/// loops (one system a specimen).
bool cholesky_solve_in_place(Eigen::MatrixXd& s, Eigen::VectorXd& b);

/// The Cholesky factor of the symmetric positive definite s in place of its
/// lower triangle (the strict upper triangle is left as it was), on one
/// thread. Returns false when s is not positive definite.
bool cholesky_factor_in_place(Eigen::MatrixXd& s);

/// Solves s x = b in place of b (n by k) for s given by its Cholesky factor
/// from cholesky_factor_in_place, on one thread.
void cholesky_solve_with(const Eigen::MatrixXd& factor, Eigen::Ref<Eigen::MatrixXd> b);

/// into = s b for a symmetric s (n by n, its lower triangle is read) and b
/// (n by k, into sized to fit), on one thread: the products of loops that
/// already run in parallel.
void symmetric_product_into(const Eigen::MatrixXd& s, const Eigen::Ref<const Eigen::MatrixXd>& b,
                            Eigen::Ref<Eigen::MatrixXd> into);

/// Replaces the Cholesky factor of s from cholesky_factor_in_place by the
/// inverse of s, full, on one thread. Returns false when the factor is
/// singular.
bool cholesky_inverse_from_factor(Eigen::MatrixXd& factor);

/// Replaces the symmetric positive definite s (its lower triangle is read) by
/// its inverse, full, through the Cholesky factorisation. Returns false, s
/// spoilt, when s is not positive definite. On one thread, as
/// cholesky_solve_in_place, so that the result is the same on any machine.
bool definite_inverse_in_place(Eigen::MatrixXd& s);

/// The first `columns` columns of the inverse of the square `a` (LU with
/// partial pivoting, the matrix taken over), on one thread. Throws
/// RuntimeError when `a` is exactly singular.
Eigen::MatrixXd inverse_columns(Eigen::MatrixXd a, Eigen::Index columns);

/// A symmetric matrix reduced to tridiagonal form, Q' S Q = T: diagonal d,
/// sub-diagonal e, and Q kept as Householder reflectors.
struct Tridiagonal {
  Eigen::VectorXd diagonal, subdiagonal;
  Eigen::MatrixXd reflectors;
  Eigen::VectorXd scales;

  /// Q z, z with as many rows as S.
  Eigen::MatrixXd apply_q(Eigen::MatrixXd z) const;

  /// Every eigenvector of T (n by n, column j that of the j-th smallest
  /// eigenvalue), by divide and conquer: for when most of them are wanted.
  Eigen::MatrixXd all_vectors() const;
};

/// Reduces the symmetric `s` (its lower triangle is read; the matrix is taken
/// over to hold the reflectors).
Tridiagonal tridiagonalize(Eigen::MatrixXd s);

}  // namespace velmora
