// Glue between the dispatcher and the statistics.
#include "app/actions.h"

#include "runtime/error.h"

namespace velmora::actions {

void goodall_f(WorkingState&, UiPort&) { throw RuntimeError("GoodallF is not available yet."); }
void boot_f(WorkingState&, UiPort&) { throw RuntimeError("BootF is not available yet."); }
void permute_f(WorkingState&, UiPort&) { throw RuntimeError("PermuteF is not available yet."); }
void get_disparity(WorkingState&, UiPort&) { throw RuntimeError("GetDisparity is not available yet."); }
void permute_variance(WorkingState&, UiPort&) { throw RuntimeError("PermuteVariance is not available yet."); }

}  // namespace velmora::actions
