// A sample of configurations: p points by 3 coordinates by n specimens.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// p by 3 by n array of doubles, stored as one p by 3n matrix whose column block
/// i (3 columns) is specimen i. Specimen indices here count from 0; users see
/// them counted from 1.
class Sample {
 public:
  Sample() = default;
  Sample(Eigen::Index points, Eigen::Index count) : values_(Eigen::MatrixXd::Zero(points, 3 * count)) {}
  /// A sample of one: the p by 3 configuration itself.
  explicit Sample(const Eigen::MatrixXd& configuration) : values_(configuration) {}

  Eigen::Index points() const { return values_.rows(); }
  Eigen::Index count() const { return values_.cols() / 3; }
  bool empty() const { return values_.size() == 0; }

  /// Specimen i as a p by 3 block.
  auto specimen(Eigen::Index i) { return values_.middleCols(3 * i, 3); }
  auto specimen(Eigen::Index i) const { return values_.middleCols(3 * i, 3); }

  Eigen::MatrixXd& values() { return values_; }
  const Eigen::MatrixXd& values() const { return values_; }

  bool operator==(const Sample& other) const {
    return values_.rows() == other.values_.rows() && values_.cols() == other.values_.cols() &&
           values_ == other.values_;
  }

 private:
  Eigen::MatrixXd values_;
};

}  // namespace velmora
