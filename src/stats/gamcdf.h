// Gamma cumulative distribution function.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// P(X <= x) for the gamma distribution of shape a and scale b, element by
/// element; x, a and b are arrays of one common size or scalars (expanded).
/// NaN where a <= 0 or b <= 0; 0 where x <= 0 with valid parameters; values
/// above 1 from rounding become 1; when the result holds a non-finite value
/// (any element of a vector; every column of a matrix), 1 wherever
/// x >= sqrt(largest double). Throws RuntimeError "Requires non-scalar
/// arguments to match in size." when the arrays differ in size.
Eigen::MatrixXd gamcdf(const Eigen::MatrixXd& x, const Eigen::MatrixXd& a,
                       const Eigen::MatrixXd& b = Eigen::MatrixXd::Ones(1, 1));

}  // namespace velmora
