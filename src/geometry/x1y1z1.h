// Flattening a configuration into one row of a saved file.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// The flat row of x (r by c) followed by cs: y(3(i-1) + j) = x(i, j), then
/// y(3r + 1) = cs. The stride is 3 whatever c is: a p by 3 configuration gives
/// x1 y1 z1 ... xp yp zp cs (1 by 3p+1); with fewer columns the skipped places
/// hold 0. With more than 3 columns a point's extra values are overwritten by
/// the next point, and the row is long enough for the last point's values.
Eigen::RowVectorXd x1y1z1(const Eigen::MatrixXd& x, double cs);

}  // namespace velmora
