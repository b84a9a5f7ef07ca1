// Shapes and transformations for the geometry tests.
#pragma once

#include <Eigen/Dense>
#include <random>

#include "runtime/sample.h"

namespace velmora::testing {

/// A p by 3 configuration with no symmetry, from a fixed seed.
inline Eigen::MatrixXd random_shape(Eigen::Index p, unsigned seed, bool planar = false) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  Eigen::MatrixXd x(p, 3);
  for (Eigen::Index i = 0; i < p; ++i)
    for (int j = 0; j < 3; ++j) x(i, j) = (planar && j == 2) ? 0.0 : u(gen);
  return x;
}

/// A random proper rotation (determinant +1), from a fixed seed.
inline Eigen::Matrix3d random_rotation(unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> n;
  Eigen::Quaterniond q(n(gen), n(gen), n(gen), n(gen));
  q.normalize();
  return q.toRotationMatrix();
}

/// x centred and scaled to centroid size 1, computed directly.
inline Eigen::MatrixXd unit_centred(const Eigen::MatrixXd& x) {
  Eigen::MatrixXd y = x.rowwise() - x.colwise().mean();
  return y / std::sqrt(y.squaredNorm());
}

/// A sample from configurations.
inline Sample sample_of(const std::vector<Eigen::MatrixXd>& specimens) {
  Sample s(specimens.front().rows(), static_cast<Eigen::Index>(specimens.size()));
  for (std::size_t i = 0; i < specimens.size(); ++i) s.specimen(static_cast<Eigen::Index>(i)) = specimens[i];
  return s;
}

}  // namespace velmora::testing
