// Opening a window from a layout file, reusing the one already open when asked.
#pragma once

#include <filesystem>
#include <string>

#include "app/window_system.h"

namespace velmora {

/// The key under which the screen keeps the windows made from a layout file:
/// the file's base name followed by "_SINGLETON_handle", cut to 31 characters.
std::string singleton_key(const std::string& filename);

/// The layout file named by `filename`: ".ui" is added when it has no
/// extension; another extension throws RuntimeError "Argument must be a .ui file".
std::filesystem::path layout_file_name(const std::string& filename);

/// Opens a window from the layout `filename` with the policy "new" (always a
/// new window) or "reuse" (the last open window made from that file, if any);
/// moves it onto the screen and, when visible, brings it to the front. Throws
/// RuntimeError "Second input argument must be 'new' or 'reuse'." for another policy.
Handle openfig(WindowSystem& windows, const std::string& filename, const std::string& policy = "new");

}  // namespace velmora
