// The switches of the main window that every load reads: what to do with
// missing landmarks and whether negative TPS coordinates mark them.
#pragma once

#include "runtime/ui_port.h"

namespace velmora {

struct LoadSwitches {
  bool drop_missing = false;      // DropMissing: leave out specimens with missing landmarks
  bool negative_missing = false;  // NegativeMissing: a TPS point with a negative coordinate is missing
};

/// The "Value" of DropMissing and NegativeMissing (nonzero: on); a window
/// without these controls has them off.
LoadSwitches load_switches(UiPort& ui);

}  // namespace velmora
