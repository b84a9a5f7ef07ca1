// Glue between the dispatcher and the statistics.
#include "app/actions.h"
#include "stats/bootf.h"
#include "stats/getdisparity.h"
#include "stats/goodallf.h"
#include "stats/permutef.h"
#include "stats/permutevariance.h"
#include "stats/shape_pca_action.h"

namespace velmora::actions {
namespace {

TwoSamples samples_of(const WorkingState& s) {
  return {s.data1, s.mean1, s.data1cs, s.data2, s.mean2, s.data2cs, &s.names1, &s.names2};
}

}  // namespace

// None of the comparison actions changes the working state.
void goodall_f(WorkingState& s, UiPort& ui) { goodall_f_action(samples_of(s), ui); }
void boot_f(WorkingState& s, UiPort& ui) { boot_f_action(samples_of(s), ui); }
void permute_f(WorkingState& s, UiPort& ui) { permute_f_action(samples_of(s), ui); }
void get_disparity(WorkingState& s, UiPort& ui) { disparity_action(samples_of(s), ui); }
void permute_variance(WorkingState& s, UiPort& ui) { permute_variance_action(samples_of(s), ui); }

}  // namespace velmora::actions
