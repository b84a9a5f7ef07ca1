// The common road of the bootstrap and permutation F-tests.
#pragma once

#include "runtime/ui_port.h"
#include "stats/comparison_input.h"
#include "stats/resampling_sets.h"

namespace velmora::detail {

/// Runs the test "BootF" (bootstrap draws) or "PermuteF" (permutations).
void resampled_f_test(const TwoSamples& samples, UiPort& ui, GroupDraw draw);

}  // namespace velmora::detail
