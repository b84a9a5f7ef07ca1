// The picture of the shape space: the scatter of two principal components
// with a 95 % data ellipse per sample, and the scree plot.
#pragma once

#include <Eigen/Dense>
#include <string>
#include <vector>

#include "runtime/graphics.h"

namespace velmora {

struct ShapeSpacePlot {
  Eigen::MatrixXd scores;                         // n by k: the specimens' scores on components 1..k
  Eigen::VectorXi sample;                         // n: 1 or 2
  Eigen::VectorXd proportions;                    // c: share of the variance of each component
  Eigen::Index x_component = 1, y_component = 2;  // the pair shown, counted from 1 (at most k)
  std::vector<std::string> names;                 // n: how each specimen is named on hover
  // Groups of a factor instead of the samples: each specimen's group (an index
  // into group_names); empty: by sample.
  std::vector<int> group;
  std::vector<std::string> group_names;
  bool hulls = false;  // convex hulls around the groups instead of 95 % ellipses
};

/// Draws into window `figure`, clearing it first: on the left the scatter of
/// the x component against the y component (flat axes, equal units), the
/// first sample as blue circles and the second as red squares (sample_style:
/// as every picture shows them), each point carrying its name, each sample of at
/// least 3 specimens with its 95 % data ellipse (the points within a
/// Mahalanobis distance of sqrt(5.991), the chi-square 95 % point for 2 degrees
/// of freedom), axes named "PC1 (45.2 %)"; on the right the scree plot, a bar
/// per component (the first ten) of its percentage of the variance. With
/// groups, each group instead has a colour and a marker of its own (in the
/// order of group_names, the palette repeating after ten), its legend entry
/// "name (count)", and its 95 % data ellipse or its convex hull.
void plot_shape_space(Graphics& graphics, Handle figure, const ShapeSpacePlot& plot);

/// The convex hull of the points (rows of `xy`, n by 2, n >= 1) as a closed
/// polyline, counter-clockwise from the lowest-leftmost point (m + 1 by 2).
Eigen::MatrixXd convex_hull(const Eigen::MatrixXd& xy);

/// The 95 % data ellipse of the points (rows of `xy`, n by 2, n >= 3) as a
/// closed polyline of `steps` + 1 points (steps + 1 by 2).
Eigen::MatrixXd data_ellipse(const Eigen::MatrixXd& xy, int steps = 120);

}  // namespace velmora
