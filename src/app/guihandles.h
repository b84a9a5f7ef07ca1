// The handles structure of a window: its controls by tag, kept with the window.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/window_system.h"

namespace velmora {

/// One field per distinct valid tag, in the order first found, holding every
/// object with that tag in the order found.
using HandlesStruct = std::vector<std::pair<std::string, std::vector<Handle>>>;

/// The key of the handles structure in a window's application data.
inline constexpr const char* kGuiDataKey = "UsedByGUIData_m";

/// Builds the structure from a window's objects and tags; tags that are not
/// valid names (isvarname) are skipped.
HandlesStruct handles_struct(const std::vector<std::pair<Handle, std::string>>& objects);

/// The handles structure of the window holding `h` (the current window when
/// nothing is given). Throws RuntimeError "H must be the handle to a figure or
/// figure descendent." when `h` lies in no window.
HandlesStruct guihandles(const WindowSystem& windows, std::optional<Handle> h = std::nullopt);

/// Stores data with the window holding `h`, or returns what is stored (an
/// empty std::any when nothing is). The same error as guihandles.
void guidata(WindowSystem& windows, Handle h, std::any data);
std::any guidata(const WindowSystem& windows, Handle h);

}  // namespace velmora
