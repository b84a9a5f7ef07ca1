#include "io/open_input.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "runtime/error.h"

namespace velmora {

std::optional<std::string> not_a_file(const std::filesystem::path& file) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  switch (status.type()) {
    case fs::file_type::regular:
      return std::nullopt;
    case fs::file_type::not_found:
      return std::string("it does not exist");
    case fs::file_type::directory:
      return std::string("it is a folder");
    case fs::file_type::fifo:
      return std::string("it is a named pipe (FIFO), not a file");
    case fs::file_type::character:
    case fs::file_type::block:
      return std::string("it is a device, not a file");
    case fs::file_type::socket:
      return std::string("it is a socket, not a file");
    default:
      break;
  }
  if (ec) return ec.message();
  return std::string("it is not a regular file");
}

std::ifstream open_input(const std::filesystem::path& file, Console& console) {
  std::optional<std::string> reason = not_a_file(file);
  std::ifstream in;
  if (!reason) {
    errno = 0;
    in.open(file, std::ios::binary);
    if (!in.is_open()) reason = errno != 0 ? std::strerror(errno) : "unknown reason";
  }
  if (reason) {
    console.write("Error on file open\n");
    throw RuntimeError("Cannot open the file " + file.string() + " (" + *reason + ").");
  }
  return in;
}

DetectedInput open_detected(const std::filesystem::path& file, Console& console) {
  DetectedInput out{open_input(file, console), {}};
  out.detected = detect_format(read_head(out.in));
  out.in.clear();
  out.in.seekg(0);
  return out;
}

}  // namespace velmora
