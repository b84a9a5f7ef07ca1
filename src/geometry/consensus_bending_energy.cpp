#include "geometry/consensus_bending_energy.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

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

ConsensusBendingEnergy::ConsensusBendingEnergy(const Eigen::MatrixXd& consensus, const SemilandmarkLayout& layout,
                                               const std::vector<MergedPoint>& merged)
    : points_(consensus.rows()) {
  const Eigen::Index p = points_;
  std::vector<bool> repeat = closing_repeats(layout, p);
  for (const SlidingPoint& s : layout.sliding)
    if (s.twin >= 0) repeat[static_cast<std::size_t>(s.twin)] = true;
  // A point merged with its landmark enters the spline as the landmark; a
  // closed curve's first point merged takes its closing repeat along.
  for (const MergedPoint& m : merged) repeat[static_cast<std::size_t>(m.point)] = true;
  for (Eigen::Index i = 0; i < p; ++i)
    if (!repeat[static_cast<std::size_t>(i)]) rows_.push_back(i);

  const double extent = (consensus.colwise().maxCoeff() - consensus.colwise().minCoeff()).norm();
  const bool flat = consensus.col(2).cwiseAbs().maxCoeff() <= kCoincident * extent;
  const Eigen::Index m = flat ? 2 : 3;
  Eigen::MatrixXd distinct(static_cast<Eigen::Index>(rows_.size()), m);
  for (std::size_t k = 0; k < rows_.size(); ++k)
    distinct.row(static_cast<Eigen::Index>(k)) = consensus.row(rows_[k]).head(m);
  refuse_coincident(distinct, rows_, kCoincident * extent, layout);

  try {
    spline_.emplace(distinct);
  } catch (const RuntimeError& e) {
    throw RuntimeError(std::string("The consensus cannot carry a thin-plate spline: ") + e.what() +
                       " Slide by Procrustes distance instead.");
  }
}

void ConsensusBendingEnergy::apply(Eigen::Ref<Eigen::MatrixXd> x) const {
  const auto d = static_cast<Eigen::Index>(rows_.size());
  Eigen::MatrixXd distinct(d, x.cols());
  for (Eigen::Index k = 0; k < d; ++k) distinct.row(k) = x.row(rows_[static_cast<std::size_t>(k)]);
  spline_->apply(distinct);
  x.setZero();
  for (Eigen::Index k = 0; k < d; ++k) x.row(rows_[static_cast<std::size_t>(k)]) = distinct.row(k);
}

Eigen::MatrixXd ConsensusBendingEnergy::matrix() const {
  const Eigen::MatrixXd lp_distinct = spline_->matrix();
  const auto d = static_cast<Eigen::Index>(rows_.size());
  Eigen::MatrixXd lp = Eigen::MatrixXd::Zero(points_, points_);
  for (Eigen::Index b = 0; b < d; ++b) {
    auto to = lp.col(rows_[static_cast<std::size_t>(b)]);
    const auto from = lp_distinct.col(b);
    for (Eigen::Index a = 0; a < d; ++a) to(rows_[static_cast<std::size_t>(a)]) = from(a);
  }
  return lp;
}

Eigen::MatrixXd consensus_bending_energy(const Eigen::MatrixXd& consensus, const SemilandmarkLayout& layout,
                                         const std::vector<MergedPoint>& merged) {
  return ConsensusBendingEnergy(consensus, layout, merged).matrix();
}

}  // namespace velmora
