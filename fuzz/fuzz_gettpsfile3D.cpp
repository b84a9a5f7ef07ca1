// Fuzzes the TPS reader with one point count for all specimens.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "io/gettpsfile3D.h"
#include "runtime/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  try {
    const velmora::TpsFile f = velmora::gettpsfile3D(in, "fuzz.tps");
    if (f.y.rows() < 1 || f.y.cols() < 1 || f.y.size() > static_cast<Eigen::Index>(size)) __builtin_trap();
  } catch (const velmora::RuntimeError&) {
  }
  return 0;
}
