// The functions of this folder that can be called by name.
#pragma once

#include "runtime/function_table.h"
#include "runtime/ui_port.h"

namespace velmora {

/// Adds showshape3D, wireshape3D, incrementlinethickness, incrementsymbolsize,
/// setsymbolfill, clf, campos and title, drawing into the graphics of `ui`.
void register_display_functions(FunctionTable& table, UiPort& ui);

}  // namespace velmora
