#include "runtime/error.h"

namespace velmora {

std::string declared_count_message(std::string_view function, std::string_view kind, int declared) {
  std::string f(function);
  return "Run-time Error: File: " + f + " Line: 1 Column: 1 The function \"" + f +
         "\" was called with more than the declared number of " + std::string(kind) + " (" +
         std::to_string(declared) + ").";
}

}  // namespace velmora
