// Writing files safely: to a temporary name beside the target, then renamed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace velmora {

/// Writes `bytes` to `path` through a temporary file in the same folder, so an
/// existing file is replaced only by a complete new one. Throws RuntimeError
/// naming the path when it cannot be written. Returns the number of bytes.
std::uintmax_t write_file_atomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace velmora
