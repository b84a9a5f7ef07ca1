// Fuzzes the commented table loader and the protocol report built on its table.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "io/dload2c.h"
#include "io/load_proto.h"
#include "runtime/error.h"
#include "runtime/headless/headless_port.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velmora::HeadlessPort port;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  try {
    const velmora::CommentedTable t = velmora::dload2c(in, "fuzz.txt", port);
    if (static_cast<std::size_t>(t.table.rows()) != t.comments.size()) __builtin_trap();
    velmora::protocol_report(t.table, "fuzz.txt", port.console());
  } catch (const velmora::RuntimeError&) {
  }
  return 0;
}
