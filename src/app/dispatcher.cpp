#include "app/dispatcher.h"

#include <exception>

#include "app/action_catalogue.h"
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

Outcome Dispatcher::vm3sw(std::string_view action) {
  if (const ActionRow* entry = find_action(action)) {
    // The action works on a copy: the study changes only when it succeeds.
    WorkingState next = state_;
    std::string message;
    try {
      entry->run(next, ui_);
      state_ = std::move(next);
      return Outcome::done;
    } catch (const PortAbort&) {
      throw;
    } catch (const RuntimeError& e) {
      message = e.what();
    } catch (const std::bad_alloc&) {
      message = std::string(entry->name) + ": not enough memory to finish.";
    } catch (const std::exception& e) {
      message = std::string(entry->name) + " failed: " + e.what();
    }
    // Drawing is not undone, so a plot window the failed action opened (and may
    // have drawn into) stays the plot window.
    if (next.fighand1 != state_.fighand1 && next.fighand1 && ui_.graphics().is_handle(*next.fighand1))
      state_.fighand1 = next.fighand1;
    ui_.console().write(message + "\n");
    ui_.report_error(message);
    return Outcome::failed;
  }
  ui_.console().write(sprintf_m("Fell through Switch!  Dang! \\n Call was %s", std::string(action)));
  return Outcome::unknown;
}

}  // namespace velmora
