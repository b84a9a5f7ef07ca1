// Run-time errors: the one exception type an action throws when it must stop.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace velmora {

/// The failure of an action, carrying the text the user reads. The dispatcher
/// catches it, prints it on the console and reports it through the UI port.
class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(const std::string& message) : std::runtime_error(message) {}
};

/// Thrown by a UI port that can no longer answer (a batch script with no answer
/// left for a dialog). It is not an action failure: it ends the whole run.
class PortAbort : public std::runtime_error {
 public:
  explicit PortAbort(const std::string& message) : std::runtime_error(message) {}
};

/// "Run-time Error: File: NAME Line: 1 Column: 1 The function "NAME" was called
/// with more than the declared number of inputs (N)." (kind "inputs" or "outputs").
std::string declared_count_message(std::string_view function, std::string_view kind, int declared);

}  // namespace velmora
