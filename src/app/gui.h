// The desktop program's start.
#pragma once

namespace velmora {

/// Opens the main window and runs until its last window closes. Returns the
/// program's exit status.
int run_gui(int argc, char** argv);

}  // namespace velmora
