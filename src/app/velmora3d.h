// velmora3d: opens the main window, or calls a function by name for a callback.
#pragma once

#include <string>
#include <vector>

#include "app/dispatcher.h"
#include "app/window_system.h"
#include "runtime/console.h"
#include "runtime/function_table.h"

namespace velmora {

/// The name of the main window's layout file (without its extension).
inline constexpr const char* kMainLayout = "Velmora3d";

/// The main text box's own callback: prints "BigBox Callback not implemented yet.".
void BigBox_Callback(Console& console);

/// With no argument: opens the main window (reusing an open one), stores its
/// handles structure with it and returns its handle when a result is asked for.
/// With a text first: calls the function of that name (BigBox_Callback
/// included) with the remaining arguments; a failure is printed on the console
/// and the call returns nothing. Anything else does nothing.
std::vector<Value> velmora3d(const std::vector<Value>& args, int outputs, const FunctionTable& table, Console& console,
                             WindowSystem* windows);

/// Adds velmora3d, openfig, guihandles, guidata, movegui, isvarname, iskeyword
/// and msgboxd to the table. Without a window system (batch runs) the window
/// functions stop with a message saying so.
void register_startup_functions(FunctionTable& table, Dispatcher& dispatcher, WindowSystem* windows);

}  // namespace velmora
