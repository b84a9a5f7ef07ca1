// The program's call-by-name table.
#pragma once

#include "app/dispatcher.h"
#include "runtime/function_table.h"

namespace velmora {

/// Every function that may be called by name, with its declared counts. `vm3sw`
/// runs on `dispatcher`.
FunctionTable build_function_table(Dispatcher& dispatcher);

}  // namespace velmora
