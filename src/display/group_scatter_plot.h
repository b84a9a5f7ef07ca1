// A scatter of one value against another, specimens coloured by their group,
// with a fitted line per group or the group means marked: the pictures of
// allometry, canonical variates and two-block PLS.
#pragma once

#include <Eigen/Dense>
#include <string>
#include <vector>

#include "runtime/graphics.h"

namespace velmora {

struct GroupScatterPlot {
  std::string name, title, xlabel, ylabel;
  Eigen::VectorXd x, y;    // n
  std::vector<int> group;  // n: index into group_names (all 0 with one group)
  std::vector<std::string> group_names;
  std::vector<std::string> names;  // n: how each point is named on hover
  bool lines = false;              // each group's least-squares line of y on x, over its range of x
  bool means = false;              // each group's mean marked by a large cross
};

/// Draws into window `figure`, clearing it first: flat axes, each group with
/// the colour and marker the shape space gives it and a legend entry
/// "name (count)", with its fitted line or its mean as asked.
void plot_group_scatter(Graphics& graphics, Handle figure, const GroupScatterPlot& plot);

/// Draws into window `figure`, clearing it first: the counts of plot.x in bins
/// of equal width (about the square root of the specimens, at least 5), each
/// group's counts as an outline of bars in its colour with its legend entry;
/// plot.y is not used.
void plot_group_histogram(Graphics& graphics, Handle figure, const GroupScatterPlot& plot);

}  // namespace velmora
