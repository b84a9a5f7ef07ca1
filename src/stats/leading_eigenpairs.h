// Every eigenvalue of a symmetric matrix and the eigenvectors of the largest few.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// values: the n eigenvalues, largest first; vectors: n by k, column j the
/// unit eigenvector of values(j).
struct LeadingEigenpairs {
  Eigen::VectorXd values;
  Eigen::MatrixXd vectors;
};

/// The eigenvalues of the symmetric matrix `s` (n by n; its lower triangle is
/// read; the matrix is taken over) and the eigenvectors of its k largest
/// (k <= n). The matrix is reduced to tridiagonal form once (blocked
/// Householder, O(n^3)); the eigenvalues come from the tridiagonal QR
/// iteration, and only the k vectors asked for are found, by inverse iteration
/// on the tridiagonal matrix (O(n) each, kept orthogonal within groups of close
/// eigenvalues) and carried back (O(n^2 k)). So the cost is that of the
/// reduction, a fraction of a full eigendecomposition's. Each vector's sign is
/// as the iteration leaves it; the iteration starts from a fixed vector. When
/// more than an eighth of the vectors (and more than 16) are asked for, all of
/// T's come from divide and conquer instead, which is faster then.
LeadingEigenpairs leading_eigenpairs(Eigen::MatrixXd s, Eigen::Index k);

}  // namespace velmora
