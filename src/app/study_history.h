// The study's history: the study as it was before each of its last changes of
// data, for Undo, and the samples as loaded while they are slid, for "Back to
// the unslid samples". The dispatcher keeps both as it commits an action.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "app/action_catalogue.h"
#include "app/working_state.h"

namespace velmora {

/// One change of the study's data that Undo takes back: the study before it,
/// and the changes before that, newest first. Never changed once made, so
/// copies of the working state share it.
struct EarlierStudy {
  std::string action;                          // the action that changed the data ("SlideSamples")
  std::shared_ptr<const WorkingState> study;   // the study before it, its own history left out
  std::shared_ptr<const EarlierStudy> before;  // the change before that; null: none kept
  std::size_t depth = 1;                       // the changes kept, this one included
};

/// How many changes Undo can take back, one after another.
inline constexpr std::size_t kUndoSteps = 20;

/// True when `a` and `b` hold the same data: protocol, samples, wireframe,
/// specimen table, how the samples were slid and the files they came from (a
/// load whose dialog was cancelled changes nothing).
bool same_data(const WorkingState& a, const WorkingState& b);

/// `history` with `study`, as it was before `action` changed it, on top; the
/// changes beyond the newest `most` are forgotten.
std::shared_ptr<const EarlierStudy> remember(const std::shared_ptr<const EarlierStudy>& history, std::string action,
                                             std::shared_ptr<const WorkingState> study, std::size_t most = kUndoSteps);

/// Keeps `before` in the history of `after` when the action of `row` changed
/// the study's data, and keeps the samples as loaded in `after.unslid` from
/// their first slide until they are loaded again or back unslid.
void remember_change(const ActionRow& row, WorkingState&& before, WorkingState& after);

}  // namespace velmora
