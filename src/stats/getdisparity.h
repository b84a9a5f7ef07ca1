// "GetDisparity": the variance of each sample about its mean.
#pragma once

#include "runtime/ui_port.h"
#include "stats/comparison_input.h"

namespace velmora {

/// The variance of a sample about its mean: its summed squared Procrustes
/// distances from the mean (getpdistance3) divided by n - 1 (NaN or Inf for a
/// sample of one).
double sample_variance(const Eigen::MatrixXd& mean, const Sample& data);

/// Writes "Variance (Mean Summed Squared Distance about Mean) \n Variance of 1:
/// ... of 2: ..." into ResultsBox, echoes it as `stemp`, pointer "arrow".
/// Throws RuntimeError when the samples are missing or do not match.
void disparity_action(const TwoSamples& samples, UiPort& ui);

}  // namespace velmora
