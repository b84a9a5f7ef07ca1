// The message a failing call gives, for tests that compare it.
#pragma once

#include <functional>
#include <string>

#include "runtime/error.h"

namespace velmora::testing {

/// The message of the RuntimeError `f` throws, or "(no error)" when it throws none.
inline std::string error_of(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.what();
  }
  return "(no error)";
}

}  // namespace velmora::testing
