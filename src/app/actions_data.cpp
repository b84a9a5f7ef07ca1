// Glue between the dispatcher and the loading actions.
#include "app/actions.h"

#include "io/load_proto.h"
#include "io/mfloadtxt.h"
#include "runtime/error.h"

namespace velmora::actions {

void load_proto(WorkingState& s, UiPort& ui) {
  std::optional<LoadedProtocol> loaded = velmora::load_proto(ui);
  if (!loaded) return;  // the dialog was cancelled: nothing changes
  s.proto = std::move(loaded->proto);
  const Handle nh = ui.control_handle("BigBox");
  ui.console().echo("nh", static_cast<double>(nh));
  ui.set_control_string("BigBox", loaded->report);
}

void load_file1(WorkingState&, UiPort&) { throw RuntimeError("LoadFile1 is not available yet."); }
void load_file2d(WorkingState&, UiPort&) { throw RuntimeError("LoadFile2D is not available yet."); }
void load_file2(WorkingState&, UiPort&) { throw RuntimeError("LoadFile2 is not available yet."); }

void load_wire_frame(WorkingState& s, UiPort& ui) {
  std::optional<LoadedTable> loaded = mfloadtxt(ui);
  if (!loaded) return;  // cancelled: the previous table and switch stay
  s.wirelist = std::move(loaded->table);
  s.wireactive = 1;
}

}  // namespace velmora::actions
