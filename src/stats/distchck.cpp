#include "stats/distchck.h"

#include <string>

#include "runtime/error.h"

namespace velmora {

CheckedArguments distchck(double nparms, const std::vector<Eigen::MatrixXd>& arguments, int count) {
  CheckedArguments out;
  if (count < 0) count = 0;
  out.arguments.resize(static_cast<size_t>(count));
  if (nparms == 1) {
    if (arguments.empty()) throw RuntimeError("distchck: no argument to pass through.");
    if (out.arguments.empty()) out.arguments.resize(1);
    out.arguments[0] = arguments[0];
    return out;
  }
  if (static_cast<int>(arguments.size()) < count)
    throw RuntimeError("distchck: " + std::to_string(count) + " arguments to check were asked for but only " +
                       std::to_string(arguments.size()) + " were given.");

  const Eigen::MatrixXd* common = nullptr;
  for (int j = 0; j < count; ++j) {
    out.arguments[j] = arguments[j];
    if (common == nullptr && arguments[j].size() != 1) common = &arguments[j];
  }
  if (common == nullptr) return out;  // every argument is a scalar

  const Eigen::Index rows = common->rows(), cols = common->cols();
  for (int j = 0; j < count; ++j) {
    const Eigen::MatrixXd& a = arguments[j];
    if (a.size() == 1) {
      out.arguments[j] = Eigen::MatrixXd::Constant(rows, cols, a(0, 0));
    } else if (a.rows() != rows || a.cols() != cols) {
      out.errorcode = 1;
      return out;
    }
  }
  return out;
}

}  // namespace velmora
