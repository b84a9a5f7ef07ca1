// "ShowDifference": the change from the first sample's mean to the second's.
#pragma once

#include <Eigen/Dense>

#include "runtime/ui_port.h"
#include "stats/comparison_input.h"

namespace velmora {

/// Draws into window `figure` (cleared first) mean 1 and at every landmark an
/// arrow to mean 1 + factor (mean 2 - mean 1), the factor read from DiffScale
/// (0, its first setting "auto": default_exaggeration, the largest arrow a
/// tenth of the configuration's size),
/// coloured by the landmark's displacement length with a colour key; the
/// wireframe `wirelist` (when not empty) on mean 1 and on the exaggerated mean
/// 2; and the thin-plate spline deformation grid from mean 1 to the
/// exaggerated mean 2: 20 by 20 lines over the configuration in a flat study
/// (kernel r^2 log r^2), three orthogonal grid planes of 10 by 10 lines
/// through mean 1's centroid in space (kernel r). When the spline cannot pass through mean 1
/// (coincident landmarks that move apart), the grid is left out with a message
/// naming them and the rest is drawn. ResultsBox names the landmarks that move
/// most; the result event carries `factor`, `displacement` (p by 5: landmark,
/// dx, dy, dz, length), `order` (landmarks by length, largest first) and `grid`
/// (1 drawn, 0 left out). Throws RuntimeError before drawing anything as
/// check_samples does, for a DiffScale value that is not a number from 0 up, and
/// for a wireframe row naming a missing landmark.
void show_difference_action(const TwoSamples& samples, const Eigen::MatrixXd& wirelist, Handle figure, UiPort& ui);

}  // namespace velmora
