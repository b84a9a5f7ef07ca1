// The functions of this folder that can be called by name.
#pragma once

#include "runtime/function_table.h"

namespace velmora {

void register_geometry_functions(FunctionTable& table);

}  // namespace velmora
