// Chi-square cumulative distribution function.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// P(X <= x) for the chi-square distribution with v degrees of freedom,
/// element by element: gamcdf(x, v / 2, 2). Throws RuntimeError "Requires
/// non-scalar arguments to match in size." when the arrays differ in size.
Eigen::MatrixXd chi2cdf(const Eigen::MatrixXd& x, const Eigen::MatrixXd& v);

}  // namespace velmora
