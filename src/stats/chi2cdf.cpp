#include "stats/chi2cdf.h"

#include "runtime/error.h"
#include "stats/distchck.h"
#include "stats/gamcdf.h"

namespace velmora {

Eigen::MatrixXd chi2cdf(const Eigen::MatrixXd& x_in, const Eigen::MatrixXd& v_in) {
  const CheckedArguments checked = distchck(2, {x_in, v_in}, 2);
  if (checked.errorcode > 0) throw RuntimeError("Requires non-scalar arguments to match in size.");
  const Eigen::MatrixXd& x = checked.arguments[0];
  const Eigen::MatrixXd& v = checked.arguments[1];
  return gamcdf(x, v / 2, Eigen::MatrixXd::Constant(1, 1, 2.0));
}

}  // namespace velmora
