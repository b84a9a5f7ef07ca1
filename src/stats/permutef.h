// "PermuteF": the permutation F-test.
#pragma once

#include "runtime/ui_port.h"
#include "stats/comparison_input.h"

namespace velmora {

/// As boot_f_action, with every set a random split of the pooled specimens into
/// groups of N1 and N2 (without replacement), the box "Results of Permutation
/// F-Test", and no echoes.
void permute_f_action(const TwoSamples& samples, UiPort& ui);

}  // namespace velmora
