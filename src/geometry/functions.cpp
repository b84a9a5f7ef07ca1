#include "geometry/functions.h"

namespace velmora {

void register_geometry_functions(FunctionTable& table) {}

}  // namespace velmora
