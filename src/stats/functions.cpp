#include "stats/functions.h"

namespace velmora {

void register_stats_functions(FunctionTable& table) {}

}  // namespace velmora
