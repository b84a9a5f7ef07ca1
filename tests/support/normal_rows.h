// Rows of independent standard normal numbers: data for the statistics tests.
#pragma once

#include <Eigen/Dense>
#include <random>

namespace velmora::testing {

/// n rows of `dims` standard normal numbers, the same for the same seed.
inline Eigen::MatrixXd normal_rows(Eigen::Index n, Eigen::Index dims, unsigned seed) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> normal;
  Eigen::MatrixXd y(n, dims);
  for (Eigen::Index i = 0; i < n; ++i)
    for (Eigen::Index j = 0; j < dims; ++j) y(i, j) = normal(gen);
  return y;
}

}  // namespace velmora::testing
