#include "app/build_function_table.h"

#include "app/velmora3d.h"
#include "display/display_functions.h"
#include "geometry/geometry_functions.h"
#include "io/io_functions.h"
#include "stats/stats_functions.h"

namespace velmora {

FunctionTable build_function_table(Dispatcher& dispatcher) {
  FunctionTable table;
  register_display_functions(table, dispatcher.ui());
  register_geometry_functions(table);
  register_io_functions(table, dispatcher.ui());
  register_stats_functions(table);
  table.add({"vm3sw", 1, 0, [&dispatcher](const std::vector<Value>& args, int) {
               dispatcher.vm3sw(args.empty() ? std::string() : as_text(args[0], "vm3sw", 1));
               return std::vector<Value>{};
             }});
  register_startup_functions(table, dispatcher, nullptr);
  return table;
}

}  // namespace velmora
