// "GoodallF": Goodall's F-test between the two samples.
#pragma once

#include "runtime/ui_port.h"
#include "stats/comparison_input.h"

namespace velmora {

/// The F score of the distance between the means against the spread of each
/// sample about its mean, with df1 = 3p - 7 (2p - 4 for a flat study, every z
/// coordinate zero, as LoadFile2D loads it) and df2 = (N1 + N2 - 2) df1 and the
/// upper-tail p value of the F distribution, shown in a non-modal box "Results
/// of Goodall F-Test"; the box's handle is echoed as `h`. Throws RuntimeError
/// (and shows nothing) when the samples are missing or do not match.
void goodall_f_action(const TwoSamples& samples, UiPort& ui);

}  // namespace velmora
