// `--analyze`: unusable options are refused in one line before anything runs.
#include "app/analyze.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

namespace velmora {
namespace {

namespace fs = std::filesystem;

class AnalyzeOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("velmora_analyze_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "protocol.txt") << "0\n0\n0\n0\n0\n-999\n";
    std::ofstream(dir / "first.tps") << "LM=3\n0 0 0\n1 0 0\n0 1 0\n";
    std::ofstream(dir / "second.txt") << "0 0 0 1 0 0 0 1 0 1\n";
    base.protocol = dir / "protocol.txt";
    base.first = dir / "first.tps";
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path dir;
  AnalyzeOptions base;
};

TEST_F(AnalyzeOptionsTest, UsableOptionsPass) {
  AnalyzeOptions o = base;
  o.second = dir / "second.txt";
  o.tests = {"goodall", "boot", "perm", "disparity", "permvar"};
  o.rounds = 2;
  o.save = dir / "out.txt";
  o.figure = dir / "plot.svg";
  o.json = dir / "results.json";
  EXPECT_EQ(check_analyze_options(o), std::nullopt);
}

TEST_F(AnalyzeOptionsTest, EachUnusableOptionIsNamed) {
  struct Case {
    std::function<void(AnalyzeOptions&)> change;
    std::string expected;  // part of the complaint
  };
  const std::vector<Case> cases = {
      {[&](AnalyzeOptions& o) { o.protocol.clear(); }, "--protocol"},
      {[&](AnalyzeOptions& o) { o.first = dir / "missing.tps"; }, "missing.tps does not exist"},
      {[&](AnalyzeOptions& o) { o.first = dir; }, "is not a file"},
      {[&](AnalyzeOptions& o) {
         o.second = dir / "second.txt";
         o.tests = {"goodall", "anova"};
       },
       "unknown test anova"},
      {[&](AnalyzeOptions& o) { o.tests = {"goodall"}; }, "needs --second"},
      {[&](AnalyzeOptions& o) { o.second_format = "tps"; }, "--second-format needs --second"},
      {[&](AnalyzeOptions& o) {
         o.second = dir / "second.txt";
         o.second_format = "csv";
       },
       "table or tps"},
      {[&](AnalyzeOptions& o) { o.save_second = dir / "s2.txt"; }, "--save-second needs --second"},
      {[&](AnalyzeOptions& o) { o.rounds = 0; }, "--rounds"},
      {[&](AnalyzeOptions& o) { o.rounds = 1.5; }, "--rounds"},
      {[&](AnalyzeOptions& o) { o.figure = dir / "plot.jpg"; }, ".png, .svg, .pdf or .eps"},
      {[&](AnalyzeOptions& o) { o.json = dir / "no-folder" / "r.json"; }, "does not exist"},
      {[&](AnalyzeOptions& o) {
         o.save = dir / "same.txt";
         o.save_2d = dir / "same.txt";
       },
       "two outputs"},
      {[&](AnalyzeOptions& o) { o.save = dir / "first.tps"; }, "overwrite an input"},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    AnalyzeOptions o = base;
    cases[i].change(o);
    auto complaint = check_analyze_options(o);
    ASSERT_TRUE(complaint.has_value()) << "case " << i;
    EXPECT_NE(complaint->find(cases[i].expected), std::string::npos) << "case " << i << ": " << *complaint;
    EXPECT_EQ(complaint->find('\n'), std::string::npos) << "one line";
  }
}

TEST_F(AnalyzeOptionsTest, RefusedRunsExitTwoAndWriteNothing) {
  AnalyzeOptions o = base;
  o.tests = {"perm"};
  o.json = dir / "results.json";
  o.save = dir / "out.txt";
  std::ostringstream out, err;
  EXPECT_EQ(run_analyze(o, out, err), 2);
  EXPECT_FALSE(fs::exists(dir / "results.json"));
  EXPECT_FALSE(fs::exists(dir / "out.txt"));
  EXPECT_EQ(out.str(), "");
  const std::string complaint = err.str();
  EXPECT_EQ(std::count(complaint.begin(), complaint.end(), '\n'), 1) << complaint;
}

}  // namespace
}  // namespace velmora
