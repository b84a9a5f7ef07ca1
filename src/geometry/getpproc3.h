// Generalized Procrustes superimposition of a sample on its own mean.
#pragma once

#include <Eigen/Dense>

#include "runtime/sample.h"

namespace velmora {

class Console;

/// mean: p by 3, centred, centroid size 1; aligned: p by 3 by n, every
/// specimen centred, of centroid size 1 and fitted onto the mean of the
/// previous iteration (the returned mean is the rescaled mean of `aligned`).
struct Superimposition {
  Eigen::MatrixXd mean;
  Sample aligned;
};

/// Superimposes `data` (p by 3 by n; n = 1 allowed) on its mean: the sum of the
/// specimens, centred and scaled to unit size, is the starting reference; then
/// exactly three iterations (no convergence test) fit every specimen onto the
/// current reference with partialprocrustes3a (reflections allowed) and take
/// the rescaled mean of the fitted specimens as the next reference. A sample of
/// one gives that specimen centred and scaled, as mean and as aligned sample.
/// The rotation check echoes on `console` as partialprocrustes3a does.
/// Throws RuntimeError naming the specimen when one has zero centroid size, and
/// for an empty sample.
Superimposition getpproc3(const Sample& data, Console* console = nullptr);

}  // namespace velmora
