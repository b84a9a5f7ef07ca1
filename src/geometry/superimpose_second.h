// A second sample superimposed in the frame of the first sample's mean.
#pragma once

#include <Eigen/Dense>

#include "geometry/getpproc3.h"
#include "runtime/sample.h"

namespace velmora {

class Console;

/// The second sample `data2` (p by 3 by m) in the frame of `mean1` (p by 3):
/// getpproc3 on the sample, its mean fitted onto mean1 with getpprocon3 and
/// rescaled to unit centroid size (the returned mean), then every specimen
/// fitted onto that mean (the returned aligned sample). The rotation check
/// echoes on `console` as getpprocon3 does.
/// Throws RuntimeError when the fitted mean has zero size, and as getpproc3.
Superimposition superimpose_second(const Sample& data2, const Eigen::MatrixXd& mean1, Console* console = nullptr);

}  // namespace velmora
