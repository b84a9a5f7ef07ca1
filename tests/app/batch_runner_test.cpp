// The batch runner's contract: stdout form, events, exit statuses.
#include "app/batch_runner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
  BatchOptions empty;
  std::ostringstream o3, e3;
  EXPECT_EQ(run_batch(empty, o3, e3), 2);
  EXPECT_EQ(e3.str(), "--run: no file name was given\n");
  // An option given an empty name names nothing to write.
  for (auto option : {&BatchOptions::events, &BatchOptions::figures}) {
    BatchOptions unnamed;
    unnamed.*option = fs::path();
    EXPECT_EQ(run("Clear\n", unnamed), 2);
    EXPECT_NE(err.str().find(": no file name was given"), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "");
  }
}

// A text box cannot forge an action line or a header on standard output.
TEST_F(BatchRunnerTest, BoxTextsCannotPassForActionLinesOrHeaders) {
  EXPECT_EQ(run("set BigBox String \"> GoodallF\"\nset FileBox2 String \"[ResultsBox]\"\nClear\n"), 0);
  EXPECT_EQ(out.str(), "[BigBox]\n\\> GoodallF\n[FileBox2]\n\\[ResultsBox]\n> Clear\n[BigBox]\n    \n");
  EXPECT_EQ(output_text("ok\n> Clear\n[BigBox]\n\\x\n a > b"), "ok\n\\> Clear\n\\[BigBox]\n\\\\x\n a > b");
}

TEST_F(BatchRunnerTest, AByteOrderMarkBeforeTheFirstActionIsSkipped) {
  EXPECT_EQ(run("\xEF\xBB\xBFToggleDots\nClear\n"), 0) << err.str();
  EXPECT_EQ(out.str(), "> ToggleDots\n> Clear\n[BigBox]\n    \n");
}

TEST_F(BatchRunnerTest, WhiteSpaceLinesAreBlankAndEveryLineEndReadsTheSame) {
  EXPECT_EQ(run("\v\n\f\n \r\r\n\t\v \nToggleDots\n"), 0) << err.str();
  EXPECT_EQ(out.str(), "> ToggleDots\n");
  const std::string lf = "set DotCheck Checked on\n\nToggleDots\n# note\nClear \"x\"\n";
  EXPECT_EQ(run(lf), 2) << "the run goes on to the answer left over on line 5";
  const std::string lf_out = out.str(), lf_err = err.str();
  EXPECT_EQ(lf_out, "> ToggleDots\n> Clear\n[BigBox]\n    \n");
  EXPECT_NE(lf_err.find("script.txt:5: 1 answer(s) left over"), std::string::npos) << lf_err;
  for (const std::string end : {"\r\n", "\r"}) {
    std::string script;
    for (char c : lf) script += c == '\n' ? end : std::string(1, c);
    EXPECT_EQ(run(script), 2);
    EXPECT_EQ(out.str(), lf_out);
    EXPECT_EQ(err.str(), lf_err);
  }
}

TEST_F(BatchRunnerTest, OnlyARegularFileIsReadAsAScript) {
  const fs::path fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const fs::path& script : {fifo, fs::path("/dev/zero"), fs::path("/dev/null")}) {
    BatchOptions options;
    options.script = script;
    std::ostringstream o, e;
    EXPECT_EQ(run_batch(options, o, e), 2) << script;
    EXPECT_NE(e.str().find(script.string() + ": cannot read the script: it is a"), std::string::npos) << e.str();
  }
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

// The events go to a temporary file put in place when the run ends, so the
// events file may not be a file the run reads or writes.
TEST_F(BatchRunnerTest, TheEventsMayNotOverwriteTheScriptOrAFileItNames) {
  std::ofstream(dir / "first.tps") << "LM=1\n1 2 3\n";
  std::ofstream(dir / "other.txt") << "keep";
  fs::create_symlink(dir / "other.txt", dir / "link.txt");
  const std::vector<std::pair<fs::path, std::string>> cases = {
      {dir / "first.tps", "line 2 of the script names it for LoadFile1"},
      {dir / "sub" / ".." / "first.tps", "line 2 of the script names it for LoadFile1"},
      {dir / "script.txt", "it is the script"},
      {dir / "link.txt", "line 3 of the script names it for SaveFile1"},
  };
  fs::create_directories(dir / "sub");
  for (const auto& [events, why] : cases) {
    BatchOptions options;
    options.events = events;
    EXPECT_EQ(run("Clear\nLoadFile1 first.tps\nSaveFile1 other.txt\n", options), 2) << events;
    EXPECT_NE(err.str().find(why), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "") << "nothing runs";
  }
  std::ifstream in(dir / "first.tps");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "LM=1\n1 2 3\n");
}

// A stream that refuses every byte, as standard output on a full disk does.
class FullStream : public std::streambuf {
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST_F(BatchRunnerTest, AFailedWriteOfResultsIsStatusOneWithAMessage) {
  BatchOptions full;
  full.events = "/dev/full";
  EXPECT_EQ(run("ToggleDots\nClear\n", full), 1);
  EXPECT_NE(err.str().find("--events: Cannot write the file /dev/full: No space left on device"), std::string::npos)
      << err.str();

  const fs::path script = dir / "script.txt";
  std::ofstream(script) << "ToggleDots\nClear\n";
  FullStream refusing;
  std::ostream refused(&refusing);
  std::ostringstream e;
  BatchOptions options;
  options.script = script;
  options.events = dir / "events.jsonl";
  EXPECT_EQ(run_batch(options, refused, e), 1);
  EXPECT_NE(e.str().find("cannot be written to standard output"), std::string::npos) << e.str();
  EXPECT_TRUE(fs::exists(dir / "events.jsonl")) << "the events up to the stop are kept";
  // No temporary file stays behind either way.
  for (const auto& entry : fs::directory_iterator(dir))
    EXPECT_EQ(entry.path().filename().string().find(".velmora-"), std::string::npos) << entry.path();
}

// Seeds are whole numbers of 64 bits and are recorded as such: two seeds that
// one double cannot tell apart give two records. An unseeded run uses one seed
// and tells it, so that its results can be had again.
TEST_F(BatchRunnerTest, SeedsAreRecordedExactlyAndAnUnseededRunTellsItsOne) {
  const fs::path study = fs::path(VELMORA_SOURCE_DIR) / "examples" / "skull3d";
  const std::string script = "LoadProto " + (study / "protocol.txt").string() + "\nLoadFile1 " +
                             (study / "first.tps").string() + "\nset ZEPButton Value 1\nLoadFile2 " +
                             (study / "second.txt").string() + "\nPermuteF\nPermuteVariance\n";
  auto results = [&](std::optional<std::uint64_t> seed) {
    BatchOptions options;
    options.seed = seed;
    options.events = dir / "events.jsonl";
    EXPECT_EQ(run(script, options), 0) << err.str();
    std::vector<nlohmann::json> out;
    std::ifstream in(*options.events);
    for (std::string line; std::getline(in, line);) {
      auto j = nlohmann::json::parse(line);
      if (j["event"] == "result") out.push_back(j);
    }
    EXPECT_EQ(out.size(), 2u);
    return out;
  };
  const auto even = results(9007199254740992u), odd = results(9007199254740993u);
  for (std::size_t k = 0; k < 2; ++k) {
    EXPECT_EQ(even[k]["seed"].get<std::uint64_t>(), 9007199254740992u);
    EXPECT_EQ(odd[k]["seed"].get<std::uint64_t>(), 9007199254740993u);
    EXPECT_NE(even[k].dump(), odd[k].dump()) << "the seeds differ, and so do the sets";
  }

  const auto unseeded = results(std::nullopt);
  const std::string told = err.str();
  const std::size_t at = told.find("seed ");
  ASSERT_NE(at, std::string::npos) << told;
  const std::uint64_t seed = unseeded[0]["seed"].get<std::uint64_t>();
  EXPECT_EQ(unseeded[1]["seed"].get<std::uint64_t>(), seed) << "one seed for the run";
  EXPECT_EQ(told.substr(at), "seed " + std::to_string(seed) + "; rerun with --seed " + std::to_string(seed) + "\n");
  const auto again = results(seed);
  for (std::size_t k = 0; k < 2; ++k) EXPECT_EQ(again[k].dump(), unseeded[k].dump());
}

}  // namespace
}  // namespace velmora
