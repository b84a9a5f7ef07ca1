// Fuzzes the chunked scanner: a small chunk (every token across refills) must
// read exactly what a chunk larger than the input reads, and stop at a line
// longer than the limit at the same place.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "io/text_scanner.h"
#include "runtime/error.h"

namespace {

// Numbers until text, one character, and the rest of the line after a '#'.
std::vector<std::string> walk(const std::string& text, std::size_t chunk) {
  std::istringstream in(text);
  velmora::TextScanner s(in, "fuzz.txt", chunk, 300);
  std::vector<std::string> out;
  try {
    for (;;) {
      double v = 0;
      while (s.number(v)) {
        char bytes[sizeof v];
        std::memcpy(bytes, &v, sizeof v);
        out.emplace_back(std::isnan(v) ? std::string("nan") : std::string(bytes, sizeof v));
      }
      char c = 0;
      if (!s.get(c)) break;
      out.emplace_back(1, c);
      if (c == '#') out.push_back(s.rest_of_line().value_or("<end>"));
    }
  } catch (const velmora::RuntimeError& e) {
    out.emplace_back(e.what());
  }
  out.push_back(std::to_string(s.line()));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (walk(text, 64) != walk(text, size + 4096)) __builtin_trap();
  return 0;
}
