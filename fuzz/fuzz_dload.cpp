// Fuzzes the bare table loader (wireframe tables).
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "io/dload.h"
#include "runtime/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  try {
    const Eigen::MatrixXd t = velmora::dload(in, "fuzz.txt");
    if (t.size() > static_cast<Eigen::Index>(size)) __builtin_trap();  // never more values than characters
  } catch (const velmora::RuntimeError&) {
  }
  return 0;
}
