#include "stats/permutef.h"

#include "stats/resampled_f_test.h"

namespace velmora {

void permute_f_action(const TwoSamples& samples, UiPort& ui) { detail::resampled_f_test(samples, ui, GroupDraw::permutation); }

}  // namespace velmora
