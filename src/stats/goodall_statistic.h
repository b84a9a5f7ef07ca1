// Goodall's F statistic of the two samples, shared by the three F tests.
#pragma once

#include <Eigen/Dense>

#include "stats/comparison_input.h"

namespace velmora {

struct GoodallStatistic {
  double db = 0;      // Procrustes distance between the means
  double d1 = 0;      // summed squared distances of the first sample from mean1
  double d2 = 0;      // the same for the second sample about mean2
  double count1 = 0;  // N1
  double count2 = 0;  // N2
  double k = 0;       // points per specimen (of the first sample)
  double m = 3;       // coordinates
  double fscore = 0;  // ((N1 + N2 - 2) db^2) / ((1/N1 + 1/N2) (d1 + d2))
};

/// The observed statistic, step by step with getpdistance3 (no refitting:
/// the loading actions left both samples in one frame).
GoodallStatistic goodall_statistic(const TwoSamples& samples);

}  // namespace velmora
