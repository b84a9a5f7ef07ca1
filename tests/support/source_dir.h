// The source tree the tests read example files from. Every test program gets
// this header first (tests/CMakeLists.txt), so VELMORA_SOURCE_DIR works as a
// path anywhere in the tests; it is found at run time rather than compiled in,
// so a test object does not depend on where the clone lies (ccache shares it).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace velmora::test_support {

/// The source folder: $VELMORA_SOURCE_DIR (ctest sets it), else the one
/// recorded in the CMakeCache.txt of the build folder holding this program.
inline const std::filesystem::path& source_dir() {
  static const std::filesystem::path dir = [] {
    if (const char* env = std::getenv("VELMORA_SOURCE_DIR"); env != nullptr && *env != '\0') return std::filesystem::path(env);
    std::error_code ec;
    std::filesystem::path at = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    for (; !ec && !at.empty() && at != at.root_path(); at = at.parent_path()) {
      std::ifstream cache(at / "CMakeCache.txt");
      const std::string key = "CMAKE_HOME_DIRECTORY:INTERNAL=";
      for (std::string line; std::getline(cache, line);)
        if (line.starts_with(key)) return std::filesystem::path(line.substr(key.size()));
    }
    return std::filesystem::path(".");
  }();
  return dir;
}

}  // namespace velmora::test_support

#define VELMORA_SOURCE_DIR (::velmora::test_support::source_dir())
