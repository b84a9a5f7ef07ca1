#include "geometry/deformation_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "geometry/tps_warp.h"
#include "runtime/error.h"

namespace velmora {
namespace {

// The same share of the extent as tps_system takes for one point.
constexpr double kCoincident = 1e-9;

// The lines of a grid in the plane of axes u and v (at `level` on the third
// axis in space), each line `samples` points, separated by NaN rows.
Eigen::MatrixXd plane(const Eigen::RowVectorXd& low, const Eigen::RowVectorXd& high, int u, int v,
                      const Eigen::RowVectorXd& level, int lines, int samples) {
  const Eigen::Index m = low.size();
  Eigen::MatrixXd out(2 * lines * (samples + 1), m);
  Eigen::Index row = 0;
  for (int across = 0; across < 2; ++across) {
    const int fixed = across == 0 ? u : v, running = across == 0 ? v : u;
    for (int i = 0; i < lines; ++i) {
      const double at = low(fixed) + (high(fixed) - low(fixed)) * i / (lines - 1);
      for (int s = 0; s < samples; ++s) {
        Eigen::RowVectorXd p = level;
        p(fixed) = at;
        p(running) = low(running) + (high(running) - low(running)) * s / (samples - 1);
        out.row(row++) = p;
      }
      out.row(row++).setConstant(std::numeric_limits<double>::quiet_NaN());
    }
  }
  return out;
}

}  // namespace

std::vector<Eigen::MatrixXd> deformation_grid(const Eigen::MatrixXd& source, const Eigen::MatrixXd& target, int lines,
                                              int samples) {
  const Eigen::Index p = source.rows(), m = source.cols();
  if (target.rows() != p || target.cols() != m)
    throw RuntimeError("A deformation grid needs as many targets as landmarks, in as many coordinates.");
  // One point for each group of landmarks that coincide and move together.
  const double extent = (source.colwise().maxCoeff() - source.colwise().minCoeff()).norm();
  const double target_extent = (target.colwise().maxCoeff() - target.colwise().minCoeff()).norm();
  std::vector<Eigen::Index> kept;
  for (Eigen::Index i = 0; i < p; ++i) {
    bool twin = false;
    for (Eigen::Index j : kept) {
      if ((source.row(i) - source.row(j)).norm() > kCoincident * extent) continue;
      if ((target.row(i) - target.row(j)).norm() > kCoincident * target_extent)
        throw RuntimeError("Landmarks " + std::to_string(j + 1) + " and " + std::to_string(i + 1) +
                           " coincide but move apart, so no thin-plate spline passes through them.");
      twin = true;
      break;
    }
    if (!twin) kept.push_back(i);
  }
  Eigen::MatrixXd from(kept.size(), m), to(kept.size(), m);
  for (std::size_t k = 0; k < kept.size(); ++k) {
    from.row(k) = source.row(kept[k]);
    to.row(k) = target.row(kept[k]);
  }

  const Eigen::RowVectorXd lower = source.colwise().minCoeff(), upper = source.colwise().maxCoeff();
  const double margin = 0.1 * (upper - lower).maxCoeff();
  const Eigen::RowVectorXd low = lower.array() - margin, high = upper.array() + margin;
  std::vector<Eigen::MatrixXd> grids;
  if (m == 2) {
    grids.push_back(plane(low, high, 0, 1, Eigen::RowVectorXd::Zero(2), lines, samples));
  } else {
    const Eigen::RowVectorXd centroid = source.colwise().mean();
    for (const auto& [u, v] : {std::pair{0, 1}, std::pair{0, 2}, std::pair{1, 2}})
      grids.push_back(plane(low, high, u, v, centroid, lines, samples));
  }
  std::vector<Eigen::MatrixXd> out;
  for (const Eigen::MatrixXd& grid : grids) {
    // Warp the finite rows only; the NaN rows keep the lines apart.
    std::vector<Eigen::Index> finite;
    for (Eigen::Index r = 0; r < grid.rows(); ++r)
      if (grid.row(r).allFinite()) finite.push_back(r);
    Eigen::MatrixXd points(finite.size(), m);
    for (std::size_t r = 0; r < finite.size(); ++r) points.row(r) = grid.row(finite[r]);
    const Eigen::MatrixXd warped = tps_warp(from, to, points);
    Eigen::MatrixXd lines_out = grid;
    for (std::size_t r = 0; r < finite.size(); ++r) lines_out.row(finite[r]) = warped.row(r);
    out.push_back(lines_out);
  }
  return out;
}

}  // namespace velmora
