// The batch runner's contract: stdout form, events, exit statuses.
#include "app/batch_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace velmora {
namespace {

namespace fs = std::filesystem;

class BatchRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("velmora_runner_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  int run(const std::string& script, BatchOptions options = {}) {
    const fs::path path = dir / "script.txt";
    std::ofstream(path) << script;
    options.script = path;
    out.str("");
    err.str("");
    return run_batch(options, out, err);
  }

  fs::path dir;
  std::ostringstream out, err;
};

TEST_F(BatchRunnerTest, GoodScriptPrintsActionsAndBoxTexts) {
  EXPECT_EQ(run("# comment\n\n  ToggleDots\nClear\n"), 0);
  EXPECT_EQ(out.str(), "> ToggleDots\n> Clear\n[BigBox]\n    \n");
}

TEST_F(BatchRunnerTest, UnknownActionFailsAtTheEndAndStopsWithoutKeepGoing) {
  EXPECT_EQ(run("ToggleDots\nClear\nloadproto\n"), 1);
  EXPECT_NE(err.str().find("Fell through Switch!  Dang! \n Call was loadproto"), std::string::npos);
  EXPECT_EQ(run("loadproto\nClear\n"), 1);
  EXPECT_EQ(out.str(), "> loadproto\n") << "the run stops at the unknown name";
  BatchOptions keep;
  keep.keep_going = true;
  EXPECT_EQ(run("loadproto\nClear\n", keep), 1);
  EXPECT_EQ(out.str(), "> loadproto\n> Clear\n[BigBox]\n    \n");
}

TEST_F(BatchRunnerTest, ScriptErrorsAreFoundBeforeAnythingRuns) {
  for (const std::string bad :
       {"Clear\nset BigBox String\n", "Clear\nset NoSuchBox Value 1\n", "Clear\nset BootBox Value three\n",
        "Clear\nset BootBox Colour 1\n", "Clear\nLoadProto \"unclosed\n", "Clear\nset DiffScale Value 0\n",
        "Clear\nset PCYBox Value 1.5\n", "Clear\nset SlideCriterion Value sideways\n",
        "Clear\nset SlideCriterion Value 3\n", "Clear\nset ProjectOnCurve Value 0.5\n"}) {
    EXPECT_EQ(run(bad), 2) << bad;
    EXPECT_EQ(out.str(), "") << "nothing may run: " << bad;
    EXPECT_NE(err.str().find("script.txt:2:"), std::string::npos) << "the message names the line: " << err.str();
  }
  BatchOptions missing;
  missing.script = dir / "no-such-script.txt";
  std::ostringstream o, e;
  EXPECT_EQ(run_batch(missing, o, e), 2);
  // A folder given as the script cannot be read either.
  BatchOptions folder;
  folder.script = dir;
  std::ostringstream o2, e2;
  EXPECT_EQ(run_batch(folder, o2, e2), 2);
  EXPECT_NE(e2.str().find("cannot read the script"), std::string::npos) << e2.str();
}

TEST_F(BatchRunnerTest, AByteOrderMarkBeforeTheFirstActionIsSkipped) {
  EXPECT_EQ(run("\xEF\xBB\xBFToggleDots\nClear\n"), 0) << err.str();
  EXPECT_EQ(out.str(), "> ToggleDots\n> Clear\n[BigBox]\n    \n");
}

TEST_F(BatchRunnerTest, QuietStillNamesAnUnknownAction) {
  BatchOptions quiet;
  quiet.quiet = true;
  quiet.keep_going = true;
  EXPECT_EQ(run("ToggleDots\nloadproto\nClear\n", quiet), 1);
  EXPECT_EQ(err.str(), (dir / "script.txt").string() + ":2: no action is named \"loadproto\"\n");
  // Without --quiet the console has the fall-through text, ended by a line break.
  EXPECT_EQ(run("loadproto\n"), 1);
  EXPECT_EQ(err.str(), "Fell through Switch!  Dang! \n Call was loadproto\n");
}

TEST_F(BatchRunnerTest, AnswersLeftOverOrMissingAreScriptErrors) {
  EXPECT_EQ(run("ToggleDots extra.txt\nClear\n"), 2);
  EXPECT_NE(err.str().find("script.txt:1"), std::string::npos);
  EXPECT_EQ(out.str(), "> ToggleDots\n") << "the run stops there";
  EXPECT_EQ(run("LoadProto \"\"\nClear\n"), 2) << "an empty answer names no file";
  EXPECT_NE(err.str().find("empty answer"), std::string::npos) << err.str();
  EXPECT_EQ(run("LoadProto\nClear\n"), 2) << "a dialog with no answer left";
  EXPECT_NE(err.str().find("script.txt:1"), std::string::npos);
}

TEST_F(BatchRunnerTest, SetChangesControlsAndEventsAreJsonLines) {
  BatchOptions options;
  options.events = dir / "events.jsonl";
  EXPECT_EQ(run("set DotCheck Checked on\nToggleDots\nClear\nloadproto\n", options), 1);
  std::ifstream in(*options.events);
  std::vector<nlohmann::json> events;
  for (std::string line; std::getline(in, line);) events.push_back(nlohmann::json::parse(line));
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[0]["event"], "set");
  EXPECT_EQ(events[0]["action"], "set");
  EXPECT_EQ(events[1]["action"], "ToggleDots");
  EXPECT_EQ(events[1]["tag"], "DotCheck");
  EXPECT_EQ(events[1]["value"], "off") << "on, toggled, reads off";
  EXPECT_EQ(events[2]["action"], "Clear");
  EXPECT_EQ(events[2]["property"], "String");
  EXPECT_EQ(events[2]["value"], "    ");
}

TEST_F(BatchRunnerTest, SlideCriterionTakesItsChoicesByName) {
  BatchOptions options;
  options.events = dir / "events.jsonl";
  EXPECT_EQ(run("set SlideCriterion Value procrustes\nset SlideCriterion Value bending\nset ProjectOnCurve Value 0\n",
                options),
            0);
  std::ifstream in(*options.events);
  std::vector<double> values;
  for (std::string line; std::getline(in, line);) values.push_back(nlohmann::json::parse(line)["value"]);
  EXPECT_EQ(values, (std::vector<double>{2, 1, 0}));
}

TEST_F(BatchRunnerTest, WholeNumbersInEventsAreIntegers) {
  BatchOptions options;
  options.events = dir / "events.jsonl";
  EXPECT_EQ(run("set BootBox Value 3\nset BootBox Value 2.5\nOpenFigure\n", options), 0);
  std::ifstream in(*options.events);
  std::vector<nlohmann::json> events;
  for (std::string line; std::getline(in, line);) events.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(events.size(), 3u);
  EXPECT_TRUE(events[0]["value"].is_number_integer());
  EXPECT_EQ(events[0]["value"], 3);
  EXPECT_TRUE(events[1]["value"].is_number_float());
  EXPECT_EQ(events[1]["value"], 2.5);
  EXPECT_EQ(events[2]["event"], "figure");
  EXPECT_TRUE(events[2]["handle"].is_number_integer());
  EXPECT_EQ(events[2]["op"], "open");
}

TEST_F(BatchRunnerTest, FailedActionsAreErrorEvents) {
  BatchOptions options;
  options.events = dir / "events.jsonl";
  options.quiet = true;
  EXPECT_EQ(run("LoadProto missing-protocol.txt\n", options), 1);
  std::ifstream in(*options.events);
  bool error = false;
  for (std::string line; std::getline(in, line);) {
    auto j = nlohmann::json::parse(line);
    if (j["event"] == "error") {
      error = true;
      EXPECT_EQ(j["action"], "LoadProto");
      EXPECT_FALSE(j["message"].get<std::string>().empty());
    }
  }
  EXPECT_TRUE(error);
  EXPECT_FALSE(err.str().empty()) << "--quiet keeps errors";
}

}  // namespace
}  // namespace velmora
