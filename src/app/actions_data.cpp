// Glue between the dispatcher and the loading actions.
#include "app/actions.h"

#include "runtime/error.h"

namespace velmora::actions {

void load_proto(WorkingState&, UiPort&) { throw RuntimeError("LoadProto is not available yet."); }
void load_file1(WorkingState&, UiPort&) { throw RuntimeError("LoadFile1 is not available yet."); }
void load_file2d(WorkingState&, UiPort&) { throw RuntimeError("LoadFile2D is not available yet."); }
void load_file2(WorkingState&, UiPort&) { throw RuntimeError("LoadFile2 is not available yet."); }
void load_wire_frame(WorkingState&, UiPort&) { throw RuntimeError("LoadWireFrame is not available yet."); }

}  // namespace velmora::actions
