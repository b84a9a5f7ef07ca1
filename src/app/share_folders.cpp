// The installed program's share folder, found from the program's own place.
#include "app/share_folders.h"

#include <system_error>

#ifndef VELMORA_SHARE_FROM_PROGRAM
#define VELMORA_SHARE_FROM_PROGRAM "../share/velmora3d"
#endif

namespace velmora {

std::filesystem::path program_folder() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || self.empty()) return {};
  return self.parent_path();
}

std::vector<std::filesystem::path> share_folders(const std::filesystem::path& program) {
  if (program.empty()) return {};
  return {(program / VELMORA_SHARE_FROM_PROGRAM).lexically_normal(), program};
}

}  // namespace velmora
