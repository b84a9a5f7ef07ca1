#include "geometry/nearest_on_polyline.h"

#include <algorithm>
#include <limits>

namespace velmora {

Eigen::RowVector3d nearest_on_polyline(const Eigen::RowVector3d& point, const Eigen::MatrixXd& polyline) {
  Eigen::RowVector3d best = polyline.row(0);
  double best_distance = (point - best).squaredNorm();
  for (Eigen::Index k = 0; k + 1 < polyline.rows(); ++k) {
    const Eigen::RowVector3d a = polyline.row(k);
    const Eigen::RowVector3d segment = polyline.row(k + 1) - a;
    const double length2 = segment.squaredNorm();
    // The foot of the perpendicular, held within the segment.
    const double along = length2 > 0 ? std::clamp((point - a).dot(segment) / length2, 0.0, 1.0) : 0.0;
    const Eigen::RowVector3d on = a + along * segment;
    const double distance = (point - on).squaredNorm();
    if (distance < best_distance) {
      best_distance = distance;
      best = on;
    }
  }
  return best;
}

}  // namespace velmora
