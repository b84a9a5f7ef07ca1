// The bending energy matrix that semilandmarks slide against.
#pragma once

#include <Eigen/Dense>
#include <optional>
#include <vector>

#include "geometry/semilandmark_layout.h"
#include "geometry/tps_bending_energy.h"

namespace velmora {

/// A curve point that lies on a fixed landmark in the consensus, and so is
/// that landmark for sliding by bending energy: it does not slide and the
/// spline passes through the landmark only.
struct MergedPoint {
  Eigen::Index point = 0;     // row of the curve point (from 0)
  Eigen::Index landmark = 0;  // row of the fixed landmark (from 0)
  double distance = 0;        // how far apart they are in the consensus
  double share = 0;           // that distance over the curve's mean point spacing
};

/// A curve point closer to a fixed landmark than this share of its curve's
/// mean point spacing is taken as the landmark. Curves are digitised from a
/// landmark to a landmark, so a curve's end falls on one or a hair beside it
/// (0.0002 of the leaf's size); two points so close make the spline bend
/// without bound between them and throw the semilandmarks near them far
/// along their curves. A quarter of the spacing is far closer than any two
/// semilandmarks of the curve, and far from any landmark the curve merely
/// passes.
inline constexpr double kMergeShare = 0.25;

/// The curve points of `consensus` (p by 3, laid out as `layout` says) that
/// lie within kMergeShare of their curve's mean point spacing of a fixed
/// landmark (a point not on any curve), each with its nearest landmark, in
/// row order. A closed curve's closing repeat stands for its first point and
/// is not listed.
std::vector<MergedPoint> points_on_landmarks(const Eigen::MatrixXd& consensus, const SemilandmarkLayout& layout);

/// The bending energy matrix Lp (p by p) of the thin-plate spline built on the
/// consensus (p by 3, laid out as `layout` says): tps_bending_energy of its
/// distinct points, with the plane's kernel (r^2 log r^2, on x and y) when
/// every z is zero and space's (r) otherwise. A closed curve's closing repeat
/// is the same point as the curve's first: it is left out of the spline and
/// its row and column of Lp are zero. So are those of every `merged` point:
/// the spline passes through its landmark once.
/// Throws RuntimeError naming two other points of the consensus that coincide
/// ("curve 1, point 4", "curve 2, point 5"), and when the points lie on one
/// line (in the plane) or in one plane (in space).
Eigen::MatrixXd consensus_bending_energy(const Eigen::MatrixXd& consensus, const SemilandmarkLayout& layout,
                                         const std::vector<MergedPoint>& merged = {});

/// Lp of consensus_bending_energy kept factored (TpsBendingEnergy on the
/// consensus's distinct points), to be applied to a few vectors without
/// being formed. Throws as consensus_bending_energy.
class ConsensusBendingEnergy {
 public:
  ConsensusBendingEnergy(const Eigen::MatrixXd& consensus, const SemilandmarkLayout& layout,
                         const std::vector<MergedPoint>& merged = {});

  /// x = Lp x for x (p by k), on one thread.
  void apply(Eigen::Ref<Eigen::MatrixXd> x) const;

  /// Lp, formed (p by p).
  Eigen::MatrixXd matrix() const;

 private:
  Eigen::Index points_ = 0;
  std::vector<Eigen::Index> rows_;  // the distinct points' rows of the consensus
  std::optional<TpsBendingEnergy> spline_;
};

}  // namespace velmora
