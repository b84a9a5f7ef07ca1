// The functions of this folder that can be called by name.
#pragma once

#include "runtime/function_table.h"
#include "runtime/ui_port.h"

namespace velmora {

/// Registers the readers; they ask for files and report through `ui`.
void register_io_functions(FunctionTable& table, UiPort& ui);

}  // namespace velmora
