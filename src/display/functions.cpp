#include "display/functions.h"

namespace velmora {

void register_display_functions(FunctionTable& table) {}

}  // namespace velmora
