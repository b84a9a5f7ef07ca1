// The picture of the change from one mean shape to another: vectors at every
// landmark coloured by length, wireframes and a deformation grid.
#pragma once

#include <Eigen/Dense>
#include <string>
#include <vector>

#include "runtime/graphics.h"

namespace velmora {

struct DifferencePlot {
  Eigen::MatrixXd from;               // p by 3: mean 1
  Eigen::MatrixXd to;                 // p by 3: mean 1 + factor (mean 2 - mean 1)
  Eigen::VectorXd lengths;            // p: the landmarks' displacement lengths (not exaggerated)
  Eigen::MatrixXd wirelist;           // rows (k, a, b) joining landmarks a and b; empty: no wireframe
  std::vector<Eigen::MatrixXd> grid;  // deformation grid lines (rows x y [z], lines apart by NaN rows)
  bool flat = false;                  // a flat study: flat axes, x and y only
  double factor = 1;
};

/// The exaggeration a picture of the change gets when none is chosen: the
/// largest arrow about a tenth of the configuration's size (the longest side
/// of the box around `from`, p by 3), rounded to two significant digits; 1
/// when nothing moves. `lengths` (p) are the landmarks' displacement lengths.
double default_exaggeration(const Eigen::MatrixXd& from, const Eigen::VectorXd& lengths);

/// The exaggeration a picture of the change is drawn with when the control
/// holding it reads `chosen`: 0 (automatic, the control's first setting)
/// takes default_exaggeration, any other value is taken as it is.
double exaggeration_for(double chosen, const Eigen::MatrixXd& from, const Eigen::VectorXd& lengths);

/// The name of the picture, its factor stated: "Mean difference ×23".
std::string difference_title(double factor);

/// Draws into window `figure`, clearing it first, and names the window by
/// difference_title: the grid in light grey, the wireframe on mean 1 (solid,
/// in the first sample's colour) and on the exaggerated mean 2 (dashed, in the
/// second sample's colour), the landmarks of mean 1 as dots, and from each an
/// arrow to its exaggerated place coloured by its displacement length, with a
/// colour key; each of these with its legend entry. A flat study
/// gets flat axes with equal units; a 3D study the 3D axes of ShowMean1.
/// Throws RuntimeError naming the row of a wireframe that names a missing
/// landmark, before anything is drawn.
void plot_difference(Graphics& graphics, Handle figure, const DifferencePlot& plot);

}  // namespace velmora
