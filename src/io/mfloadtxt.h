// mfloadtxt: asks for a bare table file (a wireframe table) and reads it.
#pragma once

#include <optional>

#include "io/mfload.h"
#include "runtime/ui_port.h"

namespace velmora {

/// Shows the dialog "Enter file to Load?" (filter "*.txt"); nothing when it is
/// cancelled. Otherwise the chosen folder becomes the working folder and the file
/// is read with `dload` (its errors).
std::optional<LoadedTable> mfloadtxt(UiPort& ui);

}  // namespace velmora
