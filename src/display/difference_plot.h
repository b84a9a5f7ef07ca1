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

/// Draws into window `figure`, clearing it first: the grid in light grey, the
/// wireframe on mean 1 (grey) and on the exaggerated mean 2 (black), the
/// landmarks of mean 1 as dots, and from each an arrow to its exaggerated
/// place coloured by its displacement length, with a colour key. A flat study
/// gets flat axes with equal units; a 3D study the 3D axes of ShowMean1.
/// Throws RuntimeError naming the row of a wireframe that names a missing
/// landmark, before anything is drawn.
void plot_difference(Graphics& graphics, Handle figure, const DifferencePlot& plot);

}  // namespace velmora
