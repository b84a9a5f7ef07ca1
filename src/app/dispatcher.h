// The dispatcher: the one entry for every action, and the owner of the study.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/action_catalogue.h"
#include "app/study_summary.h"
#include "app/working_state.h"
#include "runtime/ui_port.h"

namespace velmora {

/// An action run on a copy of the working state, not yet kept: what
/// Dispatcher::compute returns and Dispatcher::commit keeps.
struct ComputedAction {
  Outcome outcome = Outcome::unknown;
  /// Done: the state to keep. Failed: the copy as the action left it (only its
  /// plot window is kept).
  std::optional<WorkingState> next;
  /// The action's row (nullptr: no action has its name).
  const ActionRow* row = nullptr;
};

class Dispatcher {
 public:
  explicit Dispatcher(UiPort& ui) : ui_(ui) {}

  /// Runs the action named `action` (compared exactly with the names of the
  /// action catalogue, in its order: the 35, then the ones added after them).
  /// A failing action prints its error on the console, reports it through the
  /// UI port and leaves the working state as it was; a name that matches none
  /// prints the "Fell through Switch!" text. The same as commit(compute(action)).
  Outcome vm3sw(std::string_view action);

  /// The first half of vm3sw, for an action run on another thread: runs the
  /// action on a copy of the working state and reports a failure through the
  /// UI port, but keeps nothing. It only reads the state, so the thread that
  /// owns the dispatcher may go on reading it meanwhile; it must not change it
  /// nor start another action before the commit.
  ComputedAction compute(std::string_view action) const;
  /// The second half, on the thread that owns the dispatcher: keeps the state
  /// of a done action (or the plot window a failed one opened). When the action
  /// changed the study's data, the study before it is kept for Undo.
  Outcome commit(ComputedAction computed);

  /// The action names in the order they are compared.
  static const std::vector<std::string>& action_names();

  const WorkingState& state() const { return state_; }
  /// For tests and the command line: the state to set up directly.
  WorkingState& mutable_state() {
    summary_.reset();
    return state_;
  }
  /// What the study holds now, for the desktop: made when first asked after
  /// each commit, never changed after. Call it on the thread that owns the
  /// dispatcher.
  std::shared_ptr<const StudySummary> summary() const;
  UiPort& ui() { return ui_; }

 private:
  UiPort& ui_;
  WorkingState state_;
  mutable std::shared_ptr<const StudySummary> summary_;  // made on demand, dropped at each commit
};

}  // namespace velmora
