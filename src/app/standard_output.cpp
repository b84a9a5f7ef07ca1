#include "app/standard_output.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace velmora {

int finish_standard_output(int status, std::ostream& out, std::ostream& err) {
  errno = 0;
  out.flush();
  if (out) return status;
  const int error = errno;
  err << "velmora3d: standard output could not be written"
      << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << ".\n";
  return status == 0 ? 1 : status;
}

}  // namespace velmora
