#include "geometry/pick3points.h"

#include <cmath>
#include <string>
#include <vector>

#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {

Eigen::RowVectorXd pick3points(const Eigen::RowVectorXd& data, double opencode, double npts, double omitlast) {
  if (data.size() % 3 != 0)
    throw RuntimeError(sprintf_m("the curve has %i coordinate values, which is not 3 per point", data.size()));
  if (!(npts >= 2) || !std::isfinite(npts) || npts != std::floor(npts))
    throw RuntimeError(
        sprintf_m("%g points were asked for; a curve is resampled to a whole number of at least 2", npts));
  // A protocol typo such as 1e12 would otherwise ask for terabytes.
  if (npts > 1e7)
    throw RuntimeError(sprintf_m("%g points were asked for; a curve is resampled to at most 10000000", npts));

  // A closed curve returns to its first point: the polyline gets that point
  // again at its end and one more point is placed.
  Eigen::RowVectorXd curve = data;
  auto count = static_cast<Eigen::Index>(npts);
  const bool closed = opencode == 1;
  if (closed && data.size() >= 3) {
    curve.conservativeResize(data.size() + 3);
    curve.tail(3) = data.head(3);
    count += 1;
  }
  if (opencode == 2) omitlast = 1;
  const Eigen::Index points = curve.size() / 3;
  if (points == 0) throw RuntimeError("the curve has no points to resample");
  if (points < 2) throw RuntimeError("the curve has a single digitised point and no length to resample");

  // Cumulative arc length at every digitised point.
  std::vector<double> dc(static_cast<std::size_t>(points), 0.0);
  double dtotal = 0;
  for (Eigen::Index k = 1; k < points; ++k) {
    const double dx = curve(3 * k) - curve(3 * k - 3);
    const double dy = curve(3 * k + 1) - curve(3 * k - 2);
    const double dz = curve(3 * k + 2) - curve(3 * k - 1);
    const double dl = std::sqrt(dx * dx + dy * dy + dz * dz);
    dc[static_cast<std::size_t>(k)] = dc[static_cast<std::size_t>(k - 1)] + dl;
    dtotal += dl;
  }
  if (!std::isfinite(dtotal)) {
    if (curve.allFinite())
      throw RuntimeError(
          "the curve's coordinates are too large: the squares of the distances between its points overflow (divide "
          "the coordinates by a power of ten)");
    throw RuntimeError("the curve has a coordinate that is not a finite number and cannot be resampled");
  }
  if (dtotal == 0) throw RuntimeError("all points of the curve are equal: it has no length to resample");

  const double dinc = dtotal / static_cast<double>(count - 1);
  const Eigen::Index kept = omitlast == 0 ? count : count - 1;
  Eigen::RowVectorXd y = Eigen::RowVectorXd::Zero(3 * kept);
  y.head(3) = curve.head(3);

  double dcur = 0;
  Eigen::Index clm = 0;  // the digitised point that starts the segment holding dcur
  for (Eigen::Index i = 1; i < count - 1; ++i) {
    dcur += dinc;
    // Move forward to the first digitised point beyond dcur, then step back
    // one: dc(clm) <= dcur < dc(clm + 1), so a zero-length segment is never
    // the one interpolated on. The bound only matters if rounding carried dcur
    // past the end.
    while (clm < points && dc[static_cast<std::size_t>(clm)] <= dcur) ++clm;
    clm = clm - 1;
    if (clm > points - 2) clm = points - 2;
    const double start = dc[static_cast<std::size_t>(clm)];
    const double fraction = (dcur - start) / (dc[static_cast<std::size_t>(clm + 1)] - start);
    for (int j = 0; j < 3; ++j) {
      const double a = curve(3 * clm + j);
      const double b = curve(3 * clm + 3 + j);
      y(3 * i + j) = a + fraction * (b - a);
    }
  }
  if (omitlast == 0) y.tail(3) = curve.tail(3);
  return y;
}

}  // namespace velmora
