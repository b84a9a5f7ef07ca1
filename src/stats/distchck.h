// Argument checking shared by the distribution functions.
#pragma once

#include <Eigen/Dense>
#include <vector>

namespace velmora {

/// What distchck found: errorcode 0 when the arguments agree in size (1 when a
/// non-scalar argument differs from the first non-scalar one), and the
/// arguments with every scalar expanded to the common size.
struct CheckedArguments {
  double errorcode = 0;
  std::vector<Eigen::MatrixXd> arguments;
};

/// Checks the first `count` of `arguments` (count = the number of results asked
/// for, less the error code). With nparms equal to 1 only the first argument is
/// passed through (the other results stay empty). Otherwise every scalar (an
/// array of one element) is expanded to the size of the first non-scalar
/// argument; a non-scalar argument of another size sets errorcode 1 and stops
/// the expansion there (the rest stay as given).
/// Throws RuntimeError when fewer than `count` arguments are given.
CheckedArguments distchck(double nparms, const std::vector<Eigen::MatrixXd>& arguments, int count);

}  // namespace velmora
