#include "stats/polar3.h"

#include <Eigen/Dense>
#include <Eigen/SVD>
#include <cmath>
#include <limits>

namespace velmora::detail {
namespace {

// The cofactor matrix of x (column by column): cof(x) = det(x) * inverse(x)'.
inline void cofactors(const double* x, double* c) {
  // x(i, j) = x[i + 3j]; with columns a, b, c: cof(x) = [b x c, c x a, a x b].
  c[0] = x[4] * x[8] - x[5] * x[7];
  c[1] = x[5] * x[6] - x[3] * x[8];
  c[2] = x[3] * x[7] - x[4] * x[6];
  c[3] = x[7] * x[2] - x[8] * x[1];
  c[4] = x[8] * x[0] - x[6] * x[2];
  c[5] = x[6] * x[1] - x[7] * x[0];
  c[6] = x[1] * x[5] - x[2] * x[4];
  c[7] = x[2] * x[3] - x[0] * x[5];
  c[8] = x[0] * x[4] - x[1] * x[3];
}

inline double squared_norm(const double* x) {
  double s = 0;
  for (int i = 0; i < 9; ++i) s += x[i] * x[i];
  return s;
}

void polar_by_svd(const double* a, double* r) {
  const Eigen::Map<const Eigen::Matrix3d> m(a);
  const Eigen::JacobiSVD<Eigen::Matrix3d> svd(m, Eigen::ComputeFullU | Eigen::ComputeFullV);
  const Eigen::Matrix3d& u = svd.matrixU();
  const Eigen::Matrix3d& v = svd.matrixV();
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) r[i + 3 * j] = u(i, 0) * v(j, 0) + u(i, 1) * v(j, 1) + u(i, 2) * v(j, 2);
}

}  // namespace

bool polar3(const double* a, double* r) {
  for (int i = 0; i < 9; ++i) {
    if (!std::isfinite(a[i])) {
      for (int j = 0; j < 9; ++j) r[j] = std::numeric_limits<double>::quiet_NaN();
      return false;
    }
  }
  double x[9], c[9];
  for (int i = 0; i < 9; ++i) x[i] = a[i];
  const double norm_a = std::sqrt(squared_norm(x));
  cofactors(x, c);
  double det = x[0] * c[0] + x[1] * c[1] + x[2] * c[2];
  // Near-singular (a flat configuration, 2D data): the polar factor is not
  // unique and the iteration would lose accuracy; the SVD decides as the
  // rotation fit does.
  if (!(std::fabs(det) > 1e-10 * norm_a * norm_a * norm_a)) {
    polar_by_svd(a, r);
    return false;
  }
  bool scaled = true;
  for (int iteration = 0; iteration < 30; ++iteration) {
    if (iteration > 0) {
      cofactors(x, c);
      det = x[0] * c[0] + x[1] * c[1] + x[2] * c[2];
      if (det == 0 || !std::isfinite(det)) break;
    }
    const double inv_det = 1 / det;
    // Frobenius-norm scaling while far from convergence, none close to it.
    double g = 1;
    if (scaled) g = std::sqrt(std::sqrt(squared_norm(c)) * std::fabs(inv_det) / std::sqrt(squared_norm(x)));
    double change = 0;
    for (int i = 0; i < 9; ++i) {
      const double next = 0.5 * (g * x[i] + c[i] * inv_det / g);
      const double d = next - x[i];
      change += d * d;
      x[i] = next;
    }
    change = std::sqrt(change);
    if (change < 1e-2) scaled = false;
    // Quadratic convergence: a step smaller than 1e-8 leaves an error of the
    // order of its square, below rounding.
    if (change <= 1e-8) {
      for (int i = 0; i < 9; ++i) r[i] = x[i];
      return true;
    }
  }
  polar_by_svd(a, r);
  return false;
}

}  // namespace velmora::detail
