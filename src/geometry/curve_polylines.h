// The digitised course of every curve of every specimen of a sample.
#pragma once

#include <Eigen/Dense>
#include <vector>

namespace velmora {

/// polylines[i][j]: curve j + 1 of specimen i + 1 as the points it was
/// digitised through, in order, k by 3 (k >= 1), in the frame of that
/// specimen's superimposed configuration. The polyline runs through the rows
/// in order; a closed curve's polyline ends with its first point again.
using CurvePolylines = std::vector<std::vector<Eigen::MatrixXd>>;

}  // namespace velmora
