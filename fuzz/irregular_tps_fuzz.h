// The check both irregular TPS fuzz targets make: any input either fails with a
// RuntimeError or gives rows whose lengths follow from the numbers read.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "io/get_irregular_tpsfile3D.h"
#include "runtime/error.h"

namespace velmora::fuzz {

class NullConsole : public Console {
 public:
  void write(std::string_view) override {}
  void echo(std::string_view name, const EchoValue& value) override {
    format_echo(name, value);  // the echo text must be buildable for any value
  }
};

/// `values_per_point` is 3 for the 3D reader and 2 for the 2D one, whose rows
/// are widened to x, y, 0.
inline void check_irregular_reader(IrregularTps (*reader)(std::istream&, std::string_view, Console&),
                                   int values_per_point, const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  NullConsole console;
  try {
    const IrregularTps f = reader(in, "fuzz.tps", console);
    if (f.y.empty() || static_cast<std::size_t>(f.ny.size()) != f.y.size()) __builtin_trap();
    for (std::size_t j = 0; j < f.y.size(); ++j) {
      const double read = f.ny(static_cast<Eigen::Index>(j));
      if (read < 1 || read > static_cast<double>(size)) __builtin_trap();
      const double expected = values_per_point == 3 ? read : 3 * std::floor(read / 2);
      if (static_cast<double>(f.y[j].size()) != expected) __builtin_trap();
    }
  } catch (const RuntimeError&) {
  }
}

}  // namespace velmora::fuzz
