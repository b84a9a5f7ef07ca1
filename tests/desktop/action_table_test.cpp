// The action table: every row names an action of the dispatcher, and messages
// read with the buttons' labels.
#include "desktop/action_table.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/dispatcher.h"

namespace velmora {
namespace {

TEST(ActionTable, RowsNameDispatcherActionsAndNewActionsStillGetAButton) {
  const auto& names = Dispatcher::action_names();
  for (const ActionInfo& a : action_table()) {
    EXPECT_NE(std::find(names.begin(), names.end(), a.name), names.end()) << a.name;
    EXPECT_FALSE(a.label.empty() || a.tooltip.empty()) << a.name;
    EXPECT_NE(a.group, ActionGroup::more) << a.name;
  }
  const ActionInfo unknown = action_info("ShapeSomething");
  EXPECT_EQ(unknown.label, "ShapeSomething");
  EXPECT_EQ(unknown.group, ActionGroup::more);
  EXPECT_EQ(unknown.needs, Needs::nothing);
}

TEST(ActionTable, MessagesUseTheButtonLabels) {
  const std::pair<const char*, const char*> cases[] = {
      {"ShowMean1: there is no first sample yet; load one with LoadFile1 first.",
       "Mean 1: there is no first sample yet; load one with \"Load 3D sample…\" first."},
      {"No first sample is loaded: load one with LoadFile1 or LoadFile2D before LoadFile2.",
       "No first sample is loaded: load one with \"Load 3D sample…\" or \"Load 2D sample…\" before \"Load second "
       "sample…\"."},
      {"SaveAlignedFile1: cannot slide", "Slide & save…: cannot slide"},
      {"Clear the LoadFile1x text, keep ShowMean1ish and Listd",
       "Clear the LoadFile1x text, keep ShowMean1ish and Listd"},
      {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(desktop_wording(in), out);
}

}  // namespace
}  // namespace velmora
