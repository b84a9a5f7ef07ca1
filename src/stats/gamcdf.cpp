#include "stats/gamcdf.h"

#include <cmath>
#include <limits>

#include "runtime/error.h"
#include "stats/distchck.h"
#include "stats/special_functions.h"

namespace velmora {
namespace {

// True when p holds a non-finite value: any element of a vector (or a scalar);
// for a matrix, only when every column holds one.
bool has_non_finite(const Eigen::MatrixXd& p) {
  if (p.size() == 0) return false;
  if (p.rows() == 1 || p.cols() == 1) return !p.allFinite();
  for (Eigen::Index j = 0; j < p.cols(); ++j)
    if (p.col(j).allFinite()) return false;
  return true;
}

}  // namespace

Eigen::MatrixXd gamcdf(const Eigen::MatrixXd& x_in, const Eigen::MatrixXd& a_in, const Eigen::MatrixXd& b_in) {
  const CheckedArguments checked = distchck(3, {x_in, a_in, b_in}, 3);
  if (checked.errorcode > 0) throw RuntimeError("Requires non-scalar arguments to match in size.");
  const Eigen::MatrixXd& x = checked.arguments[0];
  const Eigen::MatrixXd& a = checked.arguments[1];
  const Eigen::MatrixXd& b = checked.arguments[2];

  Eigen::MatrixXd p = Eigen::MatrixXd::Zero(x.rows(), x.cols());
  for (Eigen::Index k = 0; k < p.size(); ++k) {
    const bool invalid = a(k) <= 0 || b(k) <= 0;
    if (invalid) p(k) = std::numeric_limits<double>::quiet_NaN();
    if (x(k) > 0 && !invalid) p(k) = detail::gammainc(x(k) / b(k), a(k));
    if (p(k) > 1) p(k) = 1;  // round-off guard
  }
  if (has_non_finite(p)) {
    const double huge = std::sqrt(std::numeric_limits<double>::max());
    for (Eigen::Index k = 0; k < p.size(); ++k)
      if (x(k) >= huge) p(k) = 1;
  }
  return p;
}

}  // namespace velmora
