// Actions on the study itself: listing it, emptying it, and the dash-dot switch.
#include "app/actions.h"

namespace velmora::actions {

void listd(WorkingState& s, UiPort& ui) { ui.console().echo("data1", s.data1); }

void toggle_dots(WorkingState&, UiPort& ui) {
  const std::string checked = ui.control_checked("DotCheck");
  ui.set_control_checked("DotCheck", checked.size() > 1 && checked[1] == 'n' ? "Off" : "On");
}

void clear(WorkingState& s, UiPort& ui) {
  s.data1 = Sample();
  s.data1cs.resize(0);
  s.data2 = Sample();
  s.data2cs.resize(0);
  s.wirelist.resize(0, 0);
  s.wireactive.reset();
  s.mean1.resize(0, 0);
  s.mean2.resize(0, 0);
  s.curves1.clear();
  s.curves2.clear();
  s.slid1.clear();
  s.slid2.clear();
  if (s.fighand1 && ui.graphics().is_handle(*s.fighand1)) ui.graphics().close(*s.fighand1);
  s.fighand1.reset();
  s.fname1 = std::monostate{};
  s.names1.clear();
  s.names2.clear();
  s.columns1.clear();
  s.columns2.clear();
  s.table.reset();  // it describes the specimens, which are gone
  StudySources kept;
  kept.protocol = s.sources.protocol;  // the protocol stays, as proto does
  s.sources = kept;
  ui.set_control_string("BigBox", "    ");
}

}  // namespace velmora::actions
