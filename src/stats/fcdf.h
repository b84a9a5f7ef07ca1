// F cumulative distribution function.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// P(F <= x) for the F distribution with v1 (numerator) and v2 (denominator)
/// degrees of freedom, element by element; arrays of one size or scalars.
/// NaN where v1 <= 0, v2 <= 0 or x is NaN; 0 where x <= 0 otherwise; the
/// regularized incomplete beta I(x / (x + v2 / v1); v1 / 2, v2 / 2) where both
/// degrees of freedom are finite; the chi-square limits where one or both are
/// infinite. A NaN degree of freedom with x > 0 gives 0. Throws RuntimeError
/// "Requires non-scalar arguments to match in size." when the arrays differ.
Eigen::MatrixXd fcdf(const Eigen::MatrixXd& x, const Eigen::MatrixXd& v1, const Eigen::MatrixXd& v2);

}  // namespace velmora
