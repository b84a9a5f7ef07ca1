// The dispatcher: the one entry for every action, and the owner of the study.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/action_catalogue.h"
#include "app/working_state.h"
#include "runtime/ui_port.h"

namespace velmora {

class Dispatcher {
 public:
  explicit Dispatcher(UiPort& ui) : ui_(ui) {}

  /// Runs the action named `action` (compared exactly with the names of the
  /// action catalogue, in its order: the 35, then the ones added after them).
  /// A failing action prints its error on the console, reports it through the
  /// UI port and leaves the working state as it was; a name that matches none
  /// prints the "Fell through Switch!" text.
  Outcome vm3sw(std::string_view action);

  /// The action names in the order they are compared.
  static const std::vector<std::string>& action_names();

  const WorkingState& state() const { return state_; }
  /// For tests and the command line: the state to set up directly.
  WorkingState& mutable_state() { return state_; }
  UiPort& ui() { return ui_; }

 private:
  UiPort& ui_;
  WorkingState state_;
};

}  // namespace velmora
