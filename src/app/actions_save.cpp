// Glue between the dispatcher and the saving actions.
#include "app/actions.h"

#include "runtime/error.h"

namespace velmora::actions {

void save_file1(WorkingState&, UiPort&) { throw RuntimeError("SaveFile1 is not available yet."); }
void save_file2d(WorkingState&, UiPort&) { throw RuntimeError("SaveFile2D is not available yet."); }
void save_aligned_file1(WorkingState&, UiPort&) { throw RuntimeError("SaveAlignedFile1 is not available yet."); }
void save_aligned_file2d(WorkingState&, UiPort&) { throw RuntimeError("SaveAlignedFile2D is not available yet."); }
void save_file2(WorkingState&, UiPort&) { throw RuntimeError("SaveFile2 is not available yet."); }

}  // namespace velmora::actions
