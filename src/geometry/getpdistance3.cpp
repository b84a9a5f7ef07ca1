#include "geometry/getpdistance3.h"

#include <cmath>
#include <string>

#include "runtime/error.h"

namespace velmora {

Eigen::RowVectorXd getpdistance3(const Eigen::MatrixXd& reference, const Sample& x) {
  if (reference.rows() != x.points() || reference.cols() != 3)
    throw RuntimeError("getpdistance3: the reference is " + std::to_string(reference.rows()) + " by " +
                       std::to_string(reference.cols()) + " and the specimens are " + std::to_string(x.points()) +
                       " by 3; they must have the same size.");
  Eigen::RowVectorXd y(x.count());
  for (Eigen::Index i = 0; i < x.count(); ++i) {
    const auto specimen = x.specimen(i);
    // Column sums of the squared differences, then their sum in column order.
    double total = 0;
    for (Eigen::Index j = 0; j < 3; ++j) {
      double column = 0;
      for (Eigen::Index k = 0; k < reference.rows(); ++k) {
        const double d = reference(k, j) - specimen(k, j);
        column += d * d;
      }
      total += column;
    }
    y(i) = std::sqrt(total);
  }
  return y;
}

}  // namespace velmora
