// Fuzzes the 3D TPS reader with a point count per specimen.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "io/get_irregular_tpsfile3D.h"
#include "runtime/error.h"

namespace {
class NullConsole : public velmora::Console {
 public:
  void write(std::string_view) override {}
  void echo(std::string_view name, const velmora::EchoValue& value) override {
    velmora::format_echo(name, value);  // the echo text must be buildable for any value
  }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  NullConsole console;
  try {
    const velmora::IrregularTps f = velmora::get_irregular_tpsfile3D(in, "fuzz.tps", console);
    if (f.y.empty() || static_cast<std::size_t>(f.ny.size()) != f.y.size()) __builtin_trap();
    for (std::size_t j = 0; j < f.y.size(); ++j) {
      const double read = f.ny(static_cast<Eigen::Index>(j));
      if (read < 1 || read > static_cast<double>(size)) __builtin_trap();
      if (static_cast<double>(f.y[j].size()) != read) __builtin_trap();
    }
  } catch (const velmora::RuntimeError&) {
  }
  return 0;
}
