// The action catalogue against the world around it: the layout file's menu
// items, the headless port's control tags, and what the actions really do when
// the example studies run through them (the tags they touch, the dialogs they
// open, the figures they claim).
#include "app/action_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "app/batch_runner.h"
#include "app/dispatcher.h"
#include "runtime/headless/headless_port.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = VELMORA_SOURCE_DIR;

bool has(const std::vector<std::string_view>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

TEST(ActionCatalogue, EveryMenuItemOfTheLayoutRunsOneRowAndEveryRowHasOne) {
  std::ifstream in(kSource / "resources" / "Velmora3d.ui");
  ASSERT_TRUE(in);
  std::ostringstream text;
  text << in.rdbuf();
  const std::string ui = text.str();
  // <action name="LoadProtoItem"> ... <string>vm3sw LoadProto</string> ... </action>
  std::map<std::string, int> items;
  const std::regex item(R"(<action name="[^"]*">[\s\S]*?</action>)");
  const std::regex callback(R"(<string>vm3sw ([^<]*)</string>)");
  for (auto it = std::sregex_iterator(ui.begin(), ui.end(), item); it != std::sregex_iterator(); ++it) {
    std::smatch m;
    const std::string block = it->str();
    if (std::regex_search(block, m, callback)) ++items[m[1].str()];
  }
  for (const auto& [name, count] : items) {
    EXPECT_NE(find_action(name), nullptr) << "the menu item runs " << name << ", which has no row";
    EXPECT_EQ(count, 1) << name;
  }
  for (const ActionRow& row : action_catalogue())
    EXPECT_EQ(items.count(std::string(row.name)), 1u) << row.name << " has no menu item";

  // Every tag a row names is a control of the headless port and of the layout.
  const auto& tags = HeadlessPort::control_tags();
  for (const ActionRow& row : action_catalogue()) {
    for (const auto* list : {&row.reads, &row.writes})
      for (std::string_view tag : *list) {
        EXPECT_NE(std::find(tags.begin(), tags.end(), tag), tags.end()) << row.name << ": " << tag;
        EXPECT_NE(ui.find("name=\"" + std::string(tag) + "\""), std::string::npos) << row.name << ": " << tag;
      }
  }
}

TEST(ActionCatalogue, NamesAreUniqueAndFindGivesTheirRows) {
  std::set<std::string_view> seen;
  for (const ActionRow& row : action_catalogue()) {
    EXPECT_TRUE(seen.insert(row.name).second) << row.name << " twice: only the first would ever run";
    EXPECT_NE(row.run, nullptr) << row.name;
    EXPECT_EQ(find_action(row.name), &row);
    // A row with a dialog look says what the desktop shows it as.
    EXPECT_EQ(row.dialog.kind == DialogLook::none, row.dialog.title.empty()) << row.name;
  }
  EXPECT_EQ(find_action("loadproto"), nullptr);
  EXPECT_EQ(find_action(""), nullptr);
}

// A headless port that notes, per action, the control tags read and written,
// the dialogs opened and whether a figure opened.
class WatchingPort : public HeadlessPort {
 public:
  struct Seen {
    std::set<std::string> reads, writes;
    bool opened = false, saved = false;
  };
  std::string action;
  std::map<std::string, Seen> seen;

  double control_value(std::string_view tag) override {
    seen[action].reads.emplace(tag);
    return HeadlessPort::control_value(tag);
  }
  std::string control_string(std::string_view tag) override {
    seen[action].reads.emplace(tag);
    return HeadlessPort::control_string(tag);
  }
  std::string control_checked(std::string_view tag) override {
    seen[action].reads.emplace(tag);
    return HeadlessPort::control_checked(tag);
  }
  void set_control_string(std::string_view tag, const std::string& text) override {
    seen[action].writes.emplace(tag);
    HeadlessPort::set_control_string(tag, text);
  }
  void set_control_value(std::string_view tag, double value) override {
    seen[action].writes.emplace(tag);
    HeadlessPort::set_control_value(tag, value);
  }
  void set_control_checked(std::string_view tag, const std::string& state) override {
    seen[action].writes.emplace(tag);
    HeadlessPort::set_control_checked(tag, state);
  }
  std::optional<FileChoice> open_file(std::string_view filter, std::string_view title) override {
    seen[action].opened = true;
    return HeadlessPort::open_file(filter, title);
  }
  std::optional<FileChoice> save_file(std::string_view filter, std::string_view title) override {
    seen[action].saved = true;
    return HeadlessPort::save_file(filter, title);
  }
};

// Runs the example scripts as the batch runner does and holds each action to
// its row: the tags it touched are among those the row names, and it opened
// the dialog the row says it opens.
TEST(ActionCatalogue, RowsSayWhatTheActionsOfTheExampleStudiesDo) {
  const fs::path examples = kSource / "examples";
  const fs::path out = fs::temp_directory_path() / "velmora_catalogue_test";
  fs::create_directories(out);
  std::set<std::string> ran;
  for (const char* script : {"study3d.txt", "study2d.txt", "surfaces3d.txt", "groups2d.txt"}) {
    WatchingPort port;
    port.set_seed(1);
    Dispatcher dispatcher(port);
    for (const ScriptCommand& c : parse_script(examples / script)) {
      if (c.is_set) {
        port.action = "set";
        if (c.words[1] == "String") {
          port.set_control_string(c.words[0], c.words[2]);
        } else {
          port.set_control_value(c.words[0], control_value_of(c.words[0], c.words[2], script));
        }
        continue;
      }
      port.action = c.words.front();
      port.set_action(port.action);
      // What the examples write goes to a folder of the test's own.
      std::vector<std::string> answers;
      for (std::size_t k = 1; k < c.words.size(); ++k) {
        const fs::path answer = c.words[k];
        answers.push_back(answer.parent_path().filename() == "demo-out" ? (out / answer.filename()).string()
                                                                        : c.words[k]);
      }
      port.set_answers(answers, examples);
      ASSERT_EQ(dispatcher.vm3sw(port.action), Outcome::done) << script << ":" << c.line << " " << port.action;
      ran.insert(port.action);
    }
    for (const auto& [name, seen] : port.seen) {
      if (name == "set") continue;
      const ActionRow* row = find_action(name);
      ASSERT_NE(row, nullptr) << name;
      for (const std::string& tag : seen.reads)
        EXPECT_TRUE(has(row->reads, tag) || has(row->writes, tag)) << name << " reads " << tag;
      for (const std::string& tag : seen.writes) EXPECT_TRUE(has(row->writes, tag)) << name << " writes " << tag;
      EXPECT_EQ(seen.opened, row->dialog.kind == DialogLook::open) << name;
      EXPECT_EQ(seen.saved, row->dialog.kind == DialogLook::save) << name;
    }
  }
  fs::remove_all(out);
  // The scripts reach every row, so every row was held to what it does.
  for (const ActionRow& row : action_catalogue()) EXPECT_TRUE(ran.count(std::string(row.name))) << row.name;
}

}  // namespace
}  // namespace velmora
