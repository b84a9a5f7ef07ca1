// The actions as the desktop presents them: a button label, a group of the
// action panel and a tooltip. Every other fact about an action (what it needs
// loaded, its dialog, whether it runs in the background) is its row in the
// action catalogue of app/.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/action_catalogue.h"

namespace velmora {

/// The groups of the action panel, in the order a study goes.
enum class ActionGroup { study, second, statistics, shape, plot, styling, export_, more };

struct ActionInfo {
  std::string name;   // the dispatcher's action name ("LoadFile1")
  std::string label;  // the button's text ("Load 3D sample…")
  ActionGroup group = ActionGroup::more;
  std::string tooltip;
  Needs needs = Needs::nothing;  // from the action's catalogue row
};

/// Every action the desktop knows, in panel order.
const std::vector<ActionInfo>& action_table();

/// The row of an action; an action of the dispatcher that has no row yet gets
/// one made from its name, in the group "More".
ActionInfo action_info(std::string_view name);

/// The group's title in the panel ("1. Study").
std::string group_title(ActionGroup group);

/// Why an action needing `needs` cannot run yet, saying what to load first.
std::string needs_text(Needs needs);

/// A message of the dispatcher in the desktop's words: action names become the
/// labels of their buttons ("load one with LoadFile1" reads "load one with
/// "Load 3D sample…""); a name that opens the message followed by a colon
/// becomes the bare label.
std::string desktop_wording(const std::string& message);

}  // namespace velmora
