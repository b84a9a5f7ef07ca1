#include "runtime/file_write.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "runtime/error.h"

namespace velmora {

std::uintmax_t write_file_atomically(const std::filesystem::path& path, std::string_view bytes) {
  namespace fs = std::filesystem;
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::random_device rd;
  const fs::path temp = folder / ("." + path.filename().string() + ".tmp" + std::to_string(rd() % 1000000));
  auto fail = [&](const std::string& why) {
    std::error_code ec;
    fs::remove(temp, ec);
    throw RuntimeError("Cannot write the file " + path.string() + ": " + why);
  };
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (f == nullptr) fail(std::strerror(errno));
  const bool wrote = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const int write_errno = errno;
  const bool closed = std::fclose(f) == 0;
  if (!wrote || !closed) fail(std::strerror(write_errno != 0 ? write_errno : errno));
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (ec) fail(ec.message());
  return bytes.size();
}

}  // namespace velmora
