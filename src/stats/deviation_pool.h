// The specimens of the variance permutation test, built once.
#pragma once

#include <string>
#include <vector>

#include "runtime/sample.h"
#include "stats/comparison_input.h"

namespace velmora {

/// Every specimen's deviation from its own sample's mean (flat rows from
/// x1y1z1, the first sample's above the second's), rebuilt around each of the
/// two means with vertxy3D: specimen k of the result (k < N1 + N2) is
/// deviation k + the first mean, specimen N1 + N2 + k is deviation k + the
/// second mean. p by 3 by 2 (N1 + N2). `names` receives how the user would
/// call each one (for messages).
Sample deviation_pool(const TwoSamples& samples, std::vector<std::string>* names = nullptr);

}  // namespace velmora
