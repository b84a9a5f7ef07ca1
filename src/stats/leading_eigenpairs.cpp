#include "stats/leading_eigenpairs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "runtime/error.h"
#include "runtime/linear_algebra.h"

namespace velmora {
namespace {

constexpr double kEps = std::numeric_limits<double>::epsilon();

// The tridiagonal matrix T - shift I (diagonal d, off-diagonal e) factored as
// P L U with partial pivoting: U has the diagonals u0, u1, u2, L the
// multipliers below the diagonal, `swapped` marks the row interchanges.
struct TridiagonalLu {
  std::vector<double> u0, u1, u2, multiplier;
  std::vector<char> swapped;
};

TridiagonalLu factor(const Eigen::VectorXd& d, const Eigen::VectorXd& e, double shift, double tiny) {
  const Eigen::Index n = d.size();
  TridiagonalLu f;
  f.u0.resize(n);
  f.u1.assign(std::max<Eigen::Index>(n - 1, 0), 0);
  f.u2.assign(std::max<Eigen::Index>(n - 2, 0), 0);
  f.multiplier.assign(std::max<Eigen::Index>(n - 1, 0), 0);
  f.swapped.assign(std::max<Eigen::Index>(n - 1, 0), 0);
  for (Eigen::Index i = 0; i < n; ++i) f.u0[i] = d(i) - shift;
  for (Eigen::Index i = 0; i + 1 < n; ++i) f.u1[i] = e(i);
  for (Eigen::Index i = 0; i + 1 < n; ++i) {
    const double below = e(i);  // the sub-diagonal entry of row i + 1
    if (std::abs(f.u0[i]) >= std::abs(below)) {
      if (f.u0[i] != 0) {
        const double m = below / f.u0[i];
        f.multiplier[i] = m;
        f.u0[i + 1] -= m * f.u1[i];
      }
    } else {
      // Row i + 1 becomes the pivot row.
      const double m = f.u0[i] / below;
      f.swapped[i] = 1;
      f.multiplier[i] = m;
      f.u0[i] = below;
      const double upper = f.u1[i];
      f.u1[i] = f.u0[i + 1];
      f.u0[i + 1] = upper - m * f.u0[i + 1];
      if (i + 2 < n) {
        f.u2[i] = f.u1[i + 1];
        f.u1[i + 1] = -m * f.u1[i + 1];
      }
    }
  }
  // A shift equal to an eigenvalue leaves a (near) zero pivot: a tiny one in
  // its place makes the solve blow up along the eigenvector, as wanted.
  for (double& u : f.u0)
    if (std::abs(u) < tiny) u = u < 0 ? -tiny : tiny;
  return f;
}

void solve(const TridiagonalLu& f, Eigen::VectorXd& b) {
  const Eigen::Index n = b.size();
  for (Eigen::Index i = 0; i + 1 < n; ++i) {
    if (f.swapped[i]) {
      const double top = b(i + 1);
      b(i + 1) = b(i) - f.multiplier[i] * top;
      b(i) = top;
    } else {
      b(i + 1) -= f.multiplier[i] * b(i);
    }
  }
  for (Eigen::Index i = n - 1; i >= 0; --i) {
    double v = b(i);
    if (i + 1 < n) v -= f.u1[i] * b(i + 1);
    if (i + 2 < n) v -= f.u2[i] * b(i + 2);
    b(i) = v / f.u0[i];
  }
}

// |T x - lambda x| for the tridiagonal T.
double residual(const Eigen::VectorXd& d, const Eigen::VectorXd& e, double lambda, const Eigen::VectorXd& x) {
  const Eigen::Index n = x.size();
  double sum = 0;
  for (Eigen::Index i = 0; i < n; ++i) {
    double r = (d(i) - lambda) * x(i);
    if (i > 0) r += e(i - 1) * x(i - 1);
    if (i + 1 < n) r += e(i) * x(i + 1);
    sum += r * r;
  }
  return std::sqrt(sum);
}

// A fixed start vector with no special direction (a linear congruential sequence).
Eigen::VectorXd start_vector(Eigen::Index n, Eigen::Index which) {
  std::uint64_t state = 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(which + 1);
  Eigen::VectorXd x(n);
  for (Eigen::Index i = 0; i < n; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    x(i) = static_cast<double>(state >> 11) / static_cast<double>(1ull << 53) - 0.5;
  }
  return x.normalized();
}

}  // namespace

LeadingEigenpairs leading_eigenpairs(Eigen::MatrixXd s, Eigen::Index k) {
  const Eigen::Index n = s.rows();
  if (s.cols() != n || k < 0 || k > n) throw RuntimeError("leading_eigenpairs needs a square matrix and k <= n.");
  LeadingEigenpairs out;
  if (n == 0) return out;
  const Tridiagonal tri = tridiagonalize(std::move(s));
  const Eigen::VectorXd& d = tri.diagonal;
  const Eigen::VectorXd& e = tri.subdiagonal;
  Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> values;
  values.computeFromTridiagonal(d, e, Eigen::EigenvaluesOnly);
  if (values.info() != Eigen::Success) throw RuntimeError("The eigenvalues did not converge.");
  out.values = values.eigenvalues().reverse();

  double norm = 0;  // the 1-norm of T
  for (Eigen::Index i = 0; i < n; ++i)
    norm = std::max(norm, std::abs(d(i)) + (i > 0 ? std::abs(e(i - 1)) : 0) + (i + 1 < n ? std::abs(e(i)) : 0));
  const double tiny = std::max(kEps * norm, std::numeric_limits<double>::min());
  // Eigenvalues closer than this form a group whose vectors are kept
  // orthogonal to each other; equal ones are shifted apart by a rounding step.
  const double close = 1e-3 * norm;
  const double enough = 8 * static_cast<double>(n) * kEps * norm;

  if (k > n / 8 && k > 16) {
    // Most of the vectors: all of T's by divide and conquer (BLAS 3), the
    // largest k kept. Within a group of close eigenvalues the vectors span the
    // same space as inverse iteration's, in another basis.
    const Eigen::MatrixXd all = tri.all_vectors();
    out.vectors = tri.apply_q(all.rightCols(k).rowwise().reverse());
    return out;
  }
  Eigen::MatrixXd z(n, k);
  Eigen::Index group = 0;  // first column of the current group
  double last_shift = 0;
  for (Eigen::Index j = 0; j < k; ++j) {
    double shift = out.values(j);
    if (j > 0 && out.values(j - 1) - shift > close) group = j;
    if (j > 0 && last_shift - shift < tiny) shift = last_shift - tiny;
    last_shift = shift;
    const TridiagonalLu f = factor(d, e, shift, tiny);
    Eigen::VectorXd x = start_vector(n, j);
    int settled = 0;
    for (int round = 0; round < 10 && settled < 2; ++round) {
      solve(f, x);
      for (Eigen::Index g = group; g < j; ++g) x -= z.col(g).dot(x) * z.col(g);
      const double length = x.norm();
      if (!(length > 0) || !std::isfinite(length)) {
        x = start_vector(n, j + 7 * (round + 1));
        continue;
      }
      x /= length;
      if (residual(d, e, out.values(j), x) <= enough) ++settled;
    }
    z.col(j) = x;
  }
  out.vectors = tri.apply_q(std::move(z));
  return out;
}

}  // namespace velmora
