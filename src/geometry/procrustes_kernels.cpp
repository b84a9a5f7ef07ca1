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

void centre_columns(Block x) {
  for (Eigen::Index j = 0; j < x.cols(); ++j) {
    const double mean = column_mean(x, j);
    for (Eigen::Index k = 0; k < x.rows(); ++k) x(k, j) -= mean;
  }
}

double centroid_size(const ConstBlock& x) {
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
  Eigen::Matrix3d a;
  for (int j = 0; j < 3; ++j) {
    for (int i = 0; i < 3; ++i) {
      double sum = 0;
      for (Eigen::Index k = 0; k < subject.rows(); ++k) sum += subject(k, i) * reference(k, j);
      a(i, j) = sum;
    }
  }
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

FitStatus fit_in_place(const ConstBlock& reference, Block subject, Console* console) {
  centre_columns(subject);
  const double size = centroid_size(subject);
  if (size == 0) return FitStatus::zero_size;
  for (Eigen::Index j = 0; j < subject.cols(); ++j)
    for (Eigen::Index k = 0; k < subject.rows(); ++k) subject(k, j) /= size;

  const Eigen::Matrix3d roto = rotation_fit(reference, subject);

  // Orthogonality check on the first diagonal entry of roto' * roto, to 5 decimals.
  const double t11 = roto(0, 0) * roto(0, 0) + roto(1, 0) * roto(1, 0) + roto(2, 0) * roto(2, 0);
  if (std::round(t11 * 100000) / 100000 != 1 && console != nullptr) {
    Eigen::Matrix3d temp;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) temp(i, j) = roto(0, i) * roto(0, j) + roto(1, i) * roto(1, j) + roto(2, i) * roto(2, j);
    console->echo("stemp", std::string("Error in rotation"));
    console->echo("roto", Eigen::MatrixXd(roto));
    console->echo("temp", Eigen::MatrixXd(temp));
  }

  // subject = subject * roto, one row at a time.
  for (Eigen::Index k = 0; k < subject.rows(); ++k) {
    const double x = subject(k, 0), y = subject(k, 1), z = subject(k, 2);
    for (int j = 0; j < 3; ++j) subject(k, j) = x * roto(0, j) + y * roto(1, j) + z * roto(2, j);
  }
  return FitStatus::fitted;
}

}  // namespace velmora::detail
