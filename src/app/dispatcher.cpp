#include "app/dispatcher.h"

#include <exception>
#include <utility>

#include "app/action_catalogue.h"
#include "app/study_history.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {

const std::vector<std::string>& Dispatcher::action_names() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    for (const ActionRow& row : action_catalogue()) out.emplace_back(row.name);
    return out;
  }();
  return names;
}

Outcome Dispatcher::vm3sw(std::string_view action) { return commit(compute(action)); }

ComputedAction Dispatcher::compute(std::string_view action) const {
  const ActionRow* row = find_action(action);
  if (row == nullptr) {
    ui_.console().write(sprintf_m("Fell through Switch!  Dang! \\n Call was %s", std::string(action)));
    return {Outcome::unknown, std::nullopt};
  }
  // The action works on a copy: the study changes only when it succeeds.
  ComputedAction out{Outcome::failed, state_, row};
  std::string message;
  try {
    row->run(*out.next, ui_);
    out.outcome = Outcome::done;
    return out;
  } catch (const PortAbort&) {
    throw;
  } catch (const RuntimeError& e) {
    message = e.what();
  } catch (const std::bad_alloc&) {
    message = std::string(row->name) + ": not enough memory to finish.";
  } catch (const std::exception& e) {
    message = std::string(row->name) + " failed: " + e.what();
  }
  ui_.console().write(message + "\n");
  ui_.report_error(message);
  return out;
}

Outcome Dispatcher::commit(ComputedAction computed) {
  if (!computed.next) return computed.outcome;
  summary_.reset();
  if (computed.outcome == Outcome::done) {
    WorkingState before = std::exchange(state_, std::move(*computed.next));
    if (computed.row != nullptr) remember_change(*computed.row, std::move(before), state_);
    return Outcome::done;
  }
  // Drawing is not undone, so a plot window the failed action opened (and may
  // have drawn into) stays the plot window.
  const std::optional<Handle>& opened = computed.next->fighand1;
  if (opened != state_.fighand1 && opened && ui_.graphics().is_handle(*opened)) state_.fighand1 = opened;
  return computed.outcome;
}

std::shared_ptr<const StudySummary> Dispatcher::summary() const {
  if (!summary_) summary_ = std::make_shared<const StudySummary>(summarize(state_));
  return summary_;
}

}  // namespace velmora
