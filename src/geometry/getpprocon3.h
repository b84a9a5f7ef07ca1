// Fitting every specimen of a sample onto a fixed reference.
#pragma once

#include <Eigen/Dense>

#include "runtime/sample.h"

namespace velmora {

class Console;

/// Every specimen of `data` (p by 3 by n, or one p by 3 configuration) passed
/// through partialprocrustes3a(reference, specimen): centred, scaled to
/// centroid size 1 and fitted onto `reference` (p by 3), which is not changed.
/// Throws RuntimeError naming the specimen when one has zero centroid size,
/// and when the reference and the sample have different numbers of points.
Sample getpprocon3(const Eigen::MatrixXd& reference, const Sample& data, Console* console = nullptr);

}  // namespace velmora
