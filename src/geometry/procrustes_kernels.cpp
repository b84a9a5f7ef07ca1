#include "geometry/procrustes_kernels.h"

#include <Eigen/SVD>
#include <cmath>
#include <string>

#include "runtime/console.h"

namespace velmora::detail {

double column_mean(const ConstBlock& x, Eigen::Index j) {
  double sum = 0;
  for (Eigen::Index k = 0; k < x.rows(); ++k) sum += x(k, j);
  return sum / static_cast<double>(x.rows());
}

namespace {

// Three-column forms of the sums below. Each column is still summed over the
// points in order; running the three sums side by side only lets the
// processor overlap them.
Eigen::Vector3d column_means3(const ConstBlock& x) {
  double s0 = 0, s1 = 0, s2 = 0;
  const double* c0 = x.data();
  const double* c1 = c0 + x.outerStride();
  const double* c2 = c1 + x.outerStride();
  for (Eigen::Index k = 0; k < x.rows(); ++k) {
    s0 += c0[k];
    s1 += c1[k];
    s2 += c2[k];
  }
  const auto p = static_cast<double>(x.rows());
  return {s0 / p, s1 / p, s2 / p};
}

}  // namespace

void centre_columns(Block x) {
  if (x.cols() == 3 && x.rows() > 0) {
    const Eigen::Vector3d mean = column_means3(x);
    for (int j = 0; j < 3; ++j) {
      double* c = x.data() + j * x.outerStride();
      for (Eigen::Index k = 0; k < x.rows(); ++k) c[k] -= mean(j);
    }
    return;
  }
  for (Eigen::Index j = 0; j < x.cols(); ++j) {
    const double mean = column_mean(x, j);
    for (Eigen::Index k = 0; k < x.rows(); ++k) x(k, j) -= mean;
  }
}

double centroid_size(const ConstBlock& x) {
  if (x.cols() == 3 && x.rows() > 0) {
    const Eigen::Vector3d mean = column_means3(x);
    double q0 = 0, q1 = 0, q2 = 0;
    const double* c0 = x.data();
    const double* c1 = c0 + x.outerStride();
    const double* c2 = c1 + x.outerStride();
    for (Eigen::Index k = 0; k < x.rows(); ++k) {
      const double d0 = c0[k] - mean(0);
      const double d1 = c1[k] - mean(1);
      const double d2 = c2[k] - mean(2);
      q0 += d0 * d0;
      q1 += d1 * d1;
      q2 += d2 * d2;
    }
    return std::sqrt(q0 + q1 + q2);
  }
  double total = 0;
  for (Eigen::Index j = 0; j < x.cols(); ++j) {
    const double mean = column_mean(x, j);
    double squares = 0;
    for (Eigen::Index k = 0; k < x.rows(); ++k) {
      const double d = x(k, j) - mean;
      squares += d * d;
    }
    total += squares;
  }
  return std::sqrt(total);
}

Eigen::Matrix3d rotation_fit(const ConstBlock& reference, const ConstBlock& subject) {
  // A = subject' * reference, each entry summed over the points in order.
  // The nine sums run side by side, each over the points in order.
  double a00 = 0, a01 = 0, a02 = 0, a10 = 0, a11 = 0, a12 = 0, a20 = 0, a21 = 0, a22 = 0;
  const double* s0 = subject.data();
  const double* s1 = s0 + subject.outerStride();
  const double* s2 = s1 + subject.outerStride();
  const double* r0 = reference.data();
  const double* r1 = r0 + reference.outerStride();
  const double* r2 = r1 + reference.outerStride();
  for (Eigen::Index k = 0; k < subject.rows(); ++k) {
    a00 += s0[k] * r0[k];
    a01 += s0[k] * r1[k];
    a02 += s0[k] * r2[k];
    a10 += s1[k] * r0[k];
    a11 += s1[k] * r1[k];
    a12 += s1[k] * r2[k];
    a20 += s2[k] * r0[k];
    a21 += s2[k] * r1[k];
    a22 += s2[k] * r2[k];
  }
  Eigen::Matrix3d a;
  a << a00, a01, a02, a10, a11, a12, a20, a21, a22;
  const Eigen::JacobiSVD<Eigen::Matrix3d> svd(a, Eigen::ComputeFullU | Eigen::ComputeFullV);
  const Eigen::Matrix3d& u = svd.matrixU();
  const Eigen::Matrix3d& v = svd.matrixV();
  // R = U * I * V'; the sign of det(U V') is deliberately left alone.
  Eigen::Matrix3d r;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) r(i, j) = u(i, 0) * v(j, 0) + u(i, 1) * v(j, 1) + u(i, 2) * v(j, 2);
  }
  return r;
}

bool check_rotation(const Eigen::Matrix3d& roto, Console* console) {
  // Only the first diagonal entry of roto' * roto is examined, to 5 decimals
  // (std::round takes halves away from zero).
  const double t11 = roto(0, 0) * roto(0, 0) + roto(1, 0) * roto(1, 0) + roto(2, 0) * roto(2, 0);
  if (std::round(t11 * 100000) / 100000 == 1) return true;
  if (console != nullptr) {
    Eigen::Matrix3d temp;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        temp(i, j) = roto(0, i) * roto(0, j) + roto(1, i) * roto(1, j) + roto(2, i) * roto(2, j);
    console->echo("stemp", std::string("Error in rotation"));
    console->echo("roto", Eigen::MatrixXd(roto));
    console->echo("temp", Eigen::MatrixXd(temp));
  }
  return false;
}

FitStatus fit_in_place(const ConstBlock& reference, Block subject, Console* console) {
  centre_columns(subject);
  const double size = centroid_size(subject);
  if (size == 0) return FitStatus::zero_size;
  for (Eigen::Index j = 0; j < subject.cols(); ++j)
    for (Eigen::Index k = 0; k < subject.rows(); ++k) subject(k, j) /= size;

  const Eigen::Matrix3d roto = rotation_fit(reference, subject);
  check_rotation(roto, console);

  // subject = subject * roto, one row at a time.
  for (Eigen::Index k = 0; k < subject.rows(); ++k) {
    const double x = subject(k, 0), y = subject(k, 1), z = subject(k, 2);
    for (int j = 0; j < 3; ++j) subject(k, j) = x * roto(0, j) + y * roto(1, j) + z * roto(2, j);
  }
  return FitStatus::fitted;
}

}  // namespace velmora::detail
