// Resampling a digitised curve to evenly spaced points.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// Resamples one digitised curve, `data` = x1 y1 z1 x2 y2 z2 ... (1 by 3q, q
/// points in digitising order), to points evenly spaced by arc length along
/// the polyline through the digitised points; result 1 by 3 times:
///  - opencode 1 (closed): npts + 1 points, npts spaced around the closed loop
///    from the first digitised point, then the first point again; with
///    omitlast nonzero the npts spaced points only;
///  - opencode 2 (open, last omitted): npts - 1 points, the point that would
///    lie on the last digitised point left out;
///  - any other opencode (open-ended): npts points, the first and the last
///    digitised points at the ends; with omitlast nonzero, npts - 1 points.
/// The spacing is accumulated point by point (not multiplied), and a new point
/// that falls exactly on a digitised point is placed on it.
/// Throws RuntimeError when the curve has no length to resample (a single
/// point, or all points equal, or a coordinate that is not a finite number),
/// when fewer than 2 points (or not a whole number) are asked for, or when the
/// row does not hold whole points; callers add the specimen and curve.
Eigen::RowVectorXd pick3points(const Eigen::RowVectorXd& data, double opencode, double npts, double omitlast = 0);

}  // namespace velmora
