#include "io/open_input.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "runtime/error.h"

namespace velmora {

std::ifstream open_input(const std::filesystem::path& file, Console& console) {
  std::error_code ec;
  const bool folder = std::filesystem::is_directory(file, ec);
  std::ifstream in;
  if (!folder) {
    errno = 0;
    in.open(file, std::ios::binary);
  }
  if (folder || !in.is_open()) {
    const std::string reason = folder ? "it is a folder" : (errno != 0 ? std::strerror(errno) : "unknown reason");
    console.write("Error on file open\n");
    throw RuntimeError("Cannot open the file " + file.string() + " (" + reason + ").");
  }
  return in;
}

}  // namespace velmora
