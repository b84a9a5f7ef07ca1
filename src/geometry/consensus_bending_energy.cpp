#include "geometry/consensus_bending_energy.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "geometry/tps_bending_energy.h"
#include "runtime/error.h"

namespace velmora {
namespace {

// Points closer than this share of the consensus's extent count as one point
// (the spline system's own rule).
constexpr double kCoincident = 1e-9;

/// Refuses two rows of `x` closer than `tolerance`, naming them. Sorted by x
/// first, so only runs of nearly equal x are compared.
void refuse_coincident(const Eigen::MatrixXd& x, const std::vector<Eigen::Index>& rows, double tolerance,
                       const SemilandmarkLayout& layout) {
  std::vector<std::size_t> order(rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return x(a, 0) < x(b, 0); });
  for (std::size_t i = 0; i < order.size(); ++i)
    for (std::size_t j = i + 1; j < order.size() && x(order[j], 0) - x(order[i], 0) <= tolerance; ++j)
      if ((x.row(order[i]) - x.row(order[j])).norm() <= tolerance) {
        const Eigen::Index a = std::min(rows[order[i]], rows[order[j]]);
        const Eigen::Index b = std::max(rows[order[i]], rows[order[j]]);
        throw RuntimeError("Points " + std::to_string(a + 1) + " (" + point_name(layout, a) + ") and " +
                           std::to_string(b + 1) + " (" + point_name(layout, b) +
                           ") of the consensus coincide, so no thin-plate spline passes through it and the "
                           "semilandmarks cannot slide by bending energy. Slide by Procrustes distance instead.");
      }
}

// The closing repeat of each closed curve (the rows that stand for another).
std::vector<bool> closing_repeats(const SemilandmarkLayout& layout, Eigen::Index p) {
  std::vector<bool> repeat(static_cast<std::size_t>(p), false);
  for (const CurveSpan& c : layout.curves)
    if (c.closed && c.count > 0) repeat[static_cast<std::size_t>(c.first + c.count - 1)] = true;
  return repeat;
}

}  // namespace

std::vector<MergedPoint> points_on_landmarks(const Eigen::MatrixXd& consensus, const SemilandmarkLayout& layout) {
  const Eigen::Index p = consensus.rows();
  std::vector<bool> on_curve(static_cast<std::size_t>(p), false);
  for (const CurveSpan& c : layout.curves)
    for (Eigen::Index i = c.first; i < c.first + c.count && i < p; ++i) on_curve[static_cast<std::size_t>(i)] = true;
  std::vector<Eigen::Index> landmarks;
  for (Eigen::Index i = 0; i < p; ++i)
    if (!on_curve[static_cast<std::size_t>(i)]) landmarks.push_back(i);
  std::vector<MergedPoint> out;
  if (landmarks.empty()) return out;
  for (const CurveSpan& c : layout.curves) {
    if (c.count < 2 || c.first + c.count > p) continue;
    const Eigen::Index distinct = c.closed ? c.count - 1 : c.count;
    double length = 0;
    for (Eigen::Index i = c.first + 1; i < c.first + c.count; ++i)
      length += (consensus.row(i) - consensus.row(i - 1)).norm();
    const double spacing = length / static_cast<double>(c.count - 1);
    if (!(spacing > 0)) continue;
    for (Eigen::Index i = c.first; i < c.first + distinct; ++i) {
      MergedPoint best{i, -1, INFINITY, INFINITY};
      for (Eigen::Index l : landmarks) {
        const double d = (consensus.row(i) - consensus.row(l)).norm();
        if (d < best.distance) best = {i, l, d, d / spacing};
      }
      if (best.landmark >= 0 && best.share <= kMergeShare) out.push_back(best);
    }
  }
  return out;
}

Eigen::MatrixXd consensus_bending_energy(const Eigen::MatrixXd& consensus, const SemilandmarkLayout& layout,
                                         const std::vector<MergedPoint>& merged) {
  const Eigen::Index p = consensus.rows();
  std::vector<bool> repeat = closing_repeats(layout, p);
  for (const SlidingPoint& s : layout.sliding)
    if (s.twin >= 0) repeat[static_cast<std::size_t>(s.twin)] = true;
  // A point merged with its landmark enters the spline as the landmark; a
  // closed curve's first point merged takes its closing repeat along.
  for (const MergedPoint& m : merged) repeat[static_cast<std::size_t>(m.point)] = true;
  std::vector<Eigen::Index> rows;
  for (Eigen::Index i = 0; i < p; ++i)
    if (!repeat[static_cast<std::size_t>(i)]) rows.push_back(i);

  const double extent = (consensus.colwise().maxCoeff() - consensus.colwise().minCoeff()).norm();
  const bool flat = consensus.col(2).cwiseAbs().maxCoeff() <= kCoincident * extent;
  const Eigen::Index m = flat ? 2 : 3;
  Eigen::MatrixXd distinct(static_cast<Eigen::Index>(rows.size()), m);
  for (std::size_t k = 0; k < rows.size(); ++k)
    distinct.row(static_cast<Eigen::Index>(k)) = consensus.row(rows[k]).head(m);
  refuse_coincident(distinct, rows, kCoincident * extent, layout);

  Eigen::MatrixXd lp_distinct;
  try {
    lp_distinct = tps_bending_energy(distinct);
  } catch (const RuntimeError& e) {
    throw RuntimeError(std::string("The consensus cannot carry a thin-plate spline: ") + e.what() +
                       " Slide by Procrustes distance instead.");
  }
  Eigen::MatrixXd lp = Eigen::MatrixXd::Zero(p, p);
  for (std::size_t a = 0; a < rows.size(); ++a)
    for (std::size_t b = 0; b < rows.size(); ++b)
      lp(rows[a], rows[b]) = lp_distinct(static_cast<Eigen::Index>(a), static_cast<Eigen::Index>(b));
  return lp;
}

}  // namespace velmora
