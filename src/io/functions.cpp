#include "io/functions.h"

namespace velmora {

void register_io_functions(FunctionTable& table) {}

}  // namespace velmora
