#include "geometry/d_slm_align.h"

#include <cmath>

#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

using Vec3 = Eigen::Vector3d;

/// Point i (from 0) of a flat row x1 y1 z1 x2 y2 z2 ...
template <typename Row>
Vec3 point_of(const Row& row, Eigen::Index i) {
  return {row(3 * i), row(3 * i + 1), row(3 * i + 2)};
}

double dot(const Vec3& a, const Vec3& b) { return a(0) * b(0) + a(1) * b(1) + a(2) * b(2); }

/// v divided by its length; false (and v untouched) when it has no length.
bool normalise(Vec3& v) {
  const double length = std::sqrt(dot(v, v));
  if (!(length > 0) || !std::isfinite(length)) return false;
  v(0) /= length;
  v(1) /= length;
  v(2) /= length;
  return true;
}

}  // namespace

SlidCurve d_slm_align(const Eigen::RowVectorXd& mean1, const Eigen::MatrixXd& data, double opencode) {
  const Eigen::Index points = mean1.size() / 3;
  if (points < 3) throw RuntimeError(sprintf_m("the curve has %i points; at least 3 are needed to slide it", points));
  if (data.cols() != 3 * points)
    throw RuntimeError(
        sprintf_m("the curve has %i coordinate values in the mean and %i in the specimens", 3 * points, data.cols()));

  // Unit tangents of the mean curve; zero where there is none (the ends of an
  // open curve, or equal neighbours).
  std::vector<Vec3> mvec(static_cast<std::size_t>(points), Vec3::Zero());
  std::vector<bool> mean_flat(static_cast<std::size_t>(points), false);
  auto mean_tangent = [&](Eigen::Index i, Eigen::Index ahead, Eigen::Index behind) {
    Vec3 t = point_of(mean1, ahead) - point_of(mean1, behind);
    if (normalise(t))
      mvec[static_cast<std::size_t>(i)] = t;
    else
      mean_flat[static_cast<std::size_t>(i)] = true;
  };
  for (Eigen::Index i = 1; i < points - 1; ++i) mean_tangent(i, i + 1, i - 1);
  if (opencode == 1) {
    // A closed curve: its two ends are each other's neighbours.
    mean_tangent(0, 1, points - 1);
    mean_tangent(points - 1, points - 2, 0);
  }

  SlidCurve result;
  result.y = data;
  for (Eigen::Index i = 0; i < points; ++i)
    if (mean_flat[static_cast<std::size_t>(i)]) result.unslid.push_back({0, i + 1});

  const Eigen::Index p = points;
  for (Eigen::Index j = 0; j < data.rows(); ++j) {
    const auto row = data.row(j);  // every tangent comes from the unslid row
    for (Eigen::Index i = 0; i < p; ++i) {
      const Vec3& m = mvec[static_cast<std::size_t>(i)];
      if (mean_flat[static_cast<std::size_t>(i)]) continue;
      // With 1-based point numbers n = i + 1: central for 3 <= n <= P-2,
      // backward for n = P-1 and P, forward for n = 1 and 2.
      const Eigen::Index n = i + 1;
      Vec3 rt;
      if (n > 2 && n < p - 1)
        rt = point_of(row, i + 1) - point_of(row, i - 1);
      else if (n > 2)
        rt = point_of(row, i) - point_of(row, i - 1);
      else
        rt = point_of(row, i + 1) - point_of(row, i);
      const Vec3 s = point_of(row, i);
      if (!normalise(rt)) {
        // No direction to slide along: the point stays. Only worth telling
        // where the mean tangent would have moved it.
        if (m(0) != 0 || m(1) != 0 || m(2) != 0) result.unslid.push_back({j + 1, n});
        continue;
      }
      const Vec3 deviation = s - point_of(mean1, i);
      const double d = dot(deviation, m);
      const double shift = d * dot(m, rt);
      for (int k = 0; k < 3; ++k) result.y(j, 3 * i + k) = s(k) - shift * rt(k);
    }
  }
  return result;
}

}  // namespace velmora
