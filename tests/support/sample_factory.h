// Generated pairs of samples in the form the loading actions leave them.
#pragma once

#include <Eigen/Dense>
#include <cmath>
#include <random>

#include "geometry/centsize3Da.h"
#include "geometry/getpproc3.h"
#include "geometry/getpprocon3.h"
#include "runtime/sample.h"

namespace velmora::testing {

struct Study {
  Sample data1, data2;
  Eigen::MatrixXd mean1, mean2;
  Eigen::RowVectorXd data1cs, data2cs;
};

inline Eigen::Matrix3d random_orthogonal(std::mt19937_64& rng, bool reflect) {
  std::normal_distribution<double> normal;
  Eigen::Matrix3d a;
  for (int i = 0; i < 9; ++i) a(i) = normal(rng);
  Eigen::HouseholderQR<Eigen::Matrix3d> qr(a);
  Eigen::Matrix3d q = qr.householderQ();
  if ((q.determinant() < 0) != reflect) q.col(0) *= -1;
  return q;
}

/// n specimens of p points: `base` plus normal noise of size `spread` per
/// coordinate, each rotated (sometimes mirrored), scaled and moved at random.
inline Sample noisy_copies(const Eigen::MatrixXd& base, int n, double spread, std::mt19937_64& rng,
                           Eigen::RowVectorXd* sizes) {
  std::normal_distribution<double> normal;
  std::uniform_real_distribution<double> uniform(0.5, 2.0);
  Sample out(base.rows(), n);
  if (sizes) sizes->resize(n);
  for (int i = 0; i < n; ++i) {
    Eigen::MatrixXd x = base;
    for (Eigen::Index k = 0; k < x.size(); ++k) x(k) += spread * normal(rng);
    x = uniform(rng) * x * random_orthogonal(rng, i % 7 == 3);
    x.rowwise() += Eigen::RowVector3d(normal(rng), normal(rng), normal(rng));
    out.specimen(i) = x;
    if (sizes) (*sizes)(i) = centsize3Da(x);
  }
  return out;
}

/// Two samples around shapes `shift` apart, superimposed as the loading
/// actions do: the first on its own mean, the second on its own mean fitted
/// onto the first mean.
inline Study make_study(int points, int n1, int n2, double spread, double shift, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> normal;
  Eigen::MatrixXd base(points, 3), other(points, 3);
  for (Eigen::Index k = 0; k < base.size(); ++k) base(k) = normal(rng);
  for (Eigen::Index k = 0; k < base.size(); ++k) other(k) = base(k) + shift * normal(rng);
  Study s;
  Superimposition first = getpproc3(noisy_copies(base, n1, spread, rng, &s.data1cs));
  s.data1 = first.aligned;
  s.mean1 = first.mean;
  Superimposition second = getpproc3(noisy_copies(other, n2, spread, rng, &s.data2cs));
  s.mean2 = getpprocon3(s.mean1, Sample(second.mean)).values();
  s.data2 = getpprocon3(s.mean2, second.aligned);
  return s;
}

/// As make_study with flat specimens (z = 0, as the 2D loaders leave them):
/// every copy turned in the plane (sometimes mirrored), scaled and moved.
inline Study make_flat_study(int points, int n1, int n2, double spread, double shift, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> normal;
  std::uniform_real_distribution<double> uniform(0.5, 2.0), angle(0, 6.283185307179586);
  auto copies = [&](const Eigen::MatrixXd& base, int n, Eigen::RowVectorXd* sizes) {
    Sample out(base.rows(), n);
    sizes->resize(n);
    for (int i = 0; i < n; ++i) {
      Eigen::MatrixXd x = base;
      for (Eigen::Index k = 0; k < x.rows(); ++k) {
        x(k, 0) += spread * normal(rng);
        x(k, 1) += spread * normal(rng);
      }
      const double a = angle(rng), c = std::cos(a), s = std::sin(a);
      Eigen::Matrix3d turn = Eigen::Matrix3d::Identity();
      turn(0, 0) = c;
      turn(0, 1) = -s;
      turn(1, 0) = i % 5 == 2 ? -s : s;  // a mirror image now and then
      turn(1, 1) = i % 5 == 2 ? -c : c;
      x = uniform(rng) * x * turn;
      x.col(0).array() += normal(rng);
      x.col(1).array() += normal(rng);
      out.specimen(i) = x;
      (*sizes)(i) = centsize3Da(x);
    }
    return out;
  };
  Eigen::MatrixXd base = Eigen::MatrixXd::Zero(points, 3), other = Eigen::MatrixXd::Zero(points, 3);
  for (Eigen::Index k = 0; k < points; ++k)
    for (int j = 0; j < 2; ++j) {
      base(k, j) = normal(rng);
      other(k, j) = base(k, j) + shift * normal(rng);
    }
  Study s;
  Superimposition first = getpproc3(copies(base, n1, &s.data1cs));
  s.data1 = first.aligned;
  s.mean1 = first.mean;
  Superimposition second = getpproc3(copies(other, n2, &s.data2cs));
  s.mean2 = getpprocon3(s.mean1, Sample(second.mean)).values();
  s.data2 = getpprocon3(s.mean2, second.aligned);
  return s;
}

}  // namespace velmora::testing
