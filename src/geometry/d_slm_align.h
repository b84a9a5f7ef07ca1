// Sliding the semilandmarks of one curve along their tangents towards a mean.
#pragma once

#include <Eigen/Dense>
#include <vector>

namespace velmora {

/// A point that could not slide because a tangent there has no direction.
/// specimen counts from 1; 0 means the mean curve, whose zero tangent keeps
/// that point of every specimen in place. point counts from 1 along the curve.
struct UnslidPoint {
  Eigen::Index specimen = 0;
  Eigen::Index point = 0;
};

/// y: md by 3P, the slid curve rows (same layout as the input rows);
/// unslid: the points left where they were, in specimen and point order.
struct SlidCurve {
  Eigen::MatrixXd y;
  std::vector<UnslidPoint> unslid;
};

/// Slides the points of one curve of every specimen towards the mean curve.
/// mean1: 1 by 3P flat row of the mean curve (extra values beyond a multiple
/// of 3 are ignored); data: md by 3P, the same curve of every specimen, one
/// flat row each; opencode: the curve type (1 closed, anything else open).
///
/// Mean tangents are normalised central differences; a closed curve wraps
/// around at its ends, an open curve has zero tangents at its two ends (they
/// never move). A specimen's tangent at point i is the central difference for
/// points 3 to P-2, the backward difference for points P-1 and P, the forward
/// difference for points 1 and 2, all from the unslid row. Each point moves
/// along its own tangent rt by d (m . rt), d being its deviation from the mean
/// point along the mean tangent m.
///
/// Where a tangent has zero length (two equal consecutive points) the point is
/// left where it is and listed in `unslid` (only where the mean tangent is not
/// zero, since only there would the point have moved).
/// Throws RuntimeError when the curve has fewer than 3 points or the rows and
/// the mean curve differ in length; callers add the curve number.
SlidCurve d_slm_align(const Eigen::RowVectorXd& mean1, const Eigen::MatrixXd& data, double opencode);

}  // namespace velmora
