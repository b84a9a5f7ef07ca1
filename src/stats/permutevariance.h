// "PermuteVariance": the permutation test of the difference of the variances.
#pragma once

#include "runtime/ui_port.h"
#include "stats/comparison_input.h"

namespace velmora {

/// The observed variances and their absolute difference, judged against
/// 100 x BootBox^2 permutations of the specimens' deviations from their own
/// sample's mean (each deviation rebuilt around the mean of the group it is
/// placed in, both groups superimposed on their own consensus). Writes the
/// observed values, the value at ceil(0.95 n) of the sorted permuted
/// differences and the percentage of permuted differences strictly above the
/// observed one into ResultsBox ("<" 100/n percent when none is). The result
/// event carries that fraction as `p` and `p_resampling`, (1 + the sets whose
/// difference is at least the observed one) / (1 + sets). Sets run in
/// parallel from RandomStream(ui.seed(), k); progress and cancel as boot_f_action.
void permute_variance_action(const TwoSamples& samples, UiPort& ui);

}  // namespace velmora
