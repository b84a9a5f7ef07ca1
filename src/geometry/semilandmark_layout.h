// Which points of a configuration are semilandmarks, and along what each slides.
#pragma once

#include <Eigen/Dense>
#include <string>
#include <vector>

namespace velmora {

/// One curve of a configuration: its rows and whether it is closed (its last
/// row then repeats its first, as the loaders resample closed curves).
struct CurveSpan {
  Eigen::Index first = 0;  // row of its first point (from 0)
  Eigen::Index count = 0;  // number of points, the closing repeat included
  bool closed = false;
};

/// A semilandmark: the row that slides, the rows of its two neighbours on the
/// curve (its tangent is the difference of the two), and for the first point
/// of a closed curve the closing repeat, which moves with it (-1 otherwise).
struct SlidingPoint {
  Eigen::Index point = 0;
  Eigen::Index before = 0;
  Eigen::Index after = 0;
  Eigen::Index twin = -1;
  int curve = 0;  // from 0
};

struct SemilandmarkLayout {
  Eigen::Index points = 0;
  std::vector<CurveSpan> curves;
  std::vector<SlidingPoint> sliding;  // in row order
};

/// The semilandmarks of configurations of `points` rows loaded with the
/// protocol `proto` (running positions: 5 the number of curves N, 5 + 2j the
/// type of curve j) and the curve starts `rbreak` (1 by at least N + 1: the
/// values of a flat row before each curve, then the row length). Every point
/// of a curve slides except the two ends of an open curve; a closed curve
/// (type 1) slides all its points, wrapping around, its closing repeat tied
/// to its first point. Fixed landmarks never slide.
/// Throws RuntimeError when there is no protocol, when it has no curves
/// (nothing to slide), when the curve starts do not fit the configurations,
/// or when a curve is too short to slide (naming the curve).
SemilandmarkLayout semilandmark_layout(const Eigen::MatrixXd& proto, const Eigen::RowVectorXd& rbreak,
                                       Eigen::Index points);

/// How a user names row `row` (from 0): "landmark 3" or "curve 2, point 5".
std::string point_name(const SemilandmarkLayout& layout, Eigen::Index row);

}  // namespace velmora
