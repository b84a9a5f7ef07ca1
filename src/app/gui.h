// The desktop program's start.
#pragma once

#include <string>

namespace velmora {

/// Opens the main window (with the study file `study` opened in it, when one is
/// named) and runs until the main window closes. Returns the program's exit status.
int run_gui(int argc, char** argv, const std::string& study = {});

}  // namespace velmora
