// Where the program finds its own files (the main window's layout, the example
// studies): relative to where the program itself is, never the source tree.
#pragma once

#include <filesystem>
#include <vector>

namespace velmora {

/// The folder the running program's file is in (from /proc/self/exe); empty
/// when the system does not say.
std::filesystem::path program_folder();

/// The folders the program's own files are looked for in, in order: the
/// installed share folder relative to the program (`../share/velmora3d` beside
/// `bin/`), then the program's own folder (a build tree, where the build copies
/// them). An empty `program` folder gives no folder.
std::vector<std::filesystem::path> share_folders(const std::filesystem::path& program);

}  // namespace velmora
