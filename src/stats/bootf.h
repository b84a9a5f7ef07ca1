// "BootF": the bootstrap F-test.
#pragma once

#include "runtime/ui_port.h"
#include "stats/comparison_input.h"

namespace velmora {

/// Judges the observed Goodall F score against the F scores of 100 x
/// BootBox^2 bootstrap sets drawn with replacement from the pooled specimens
/// (N1 then N2 draws per set), showing the distance, the F score and the
/// values at ceil(0.95 n) and ceil(0.99 n) of the sorted set scores in a
/// non-modal box "Results of Bootstrap F-Test", then echoing `ans` (sets 1 to
/// 10: bdb^2, bdbc, bd1sum, bd2sum) and `bmean1` (the last set's first
/// consensus). Sets run in parallel, set k from RandomStream(ui.seed(), k).
/// The result event carries the F score, both cut-offs and `p_resampling` =
/// (1 + the sets whose F is at least the observed one) / (1 + sets).
/// Progress goes to ui.progress; a cancel shows nothing and says so on the
/// console. Throws RuntimeError on missing or mismatched samples or a bad
/// BootBox value, before anything is shown.
void boot_f_action(const TwoSamples& samples, UiPort& ui);

}  // namespace velmora
