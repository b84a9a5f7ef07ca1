#include "io/load_switches.h"

namespace velmora {

LoadSwitches load_switches(UiPort& ui) {
  LoadSwitches out;
  out.drop_missing = ui.has_control("DropMissing") && ui.control_value("DropMissing") != 0;
  out.negative_missing = ui.has_control("NegativeMissing") && ui.control_value("NegativeMissing") != 0;
  return out;
}

}  // namespace velmora
