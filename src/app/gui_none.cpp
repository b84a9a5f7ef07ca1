// Builds without Qt have no desktop window.
#include <iostream>

#include "app/gui.h"

namespace velmora {

int run_gui(int, char**, const std::string&) {
  std::cerr << "This build of velmora3d has no desktop window; run a script with --run SCRIPT (see --help).\n";
  return 2;
}

}  // namespace velmora
