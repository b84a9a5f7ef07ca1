// `--analyze`: unusable options are refused in one line before anything runs,
// and a whole study gives the numbers the batch runner gives.
#include "app/analyze.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/batch_runner.h"

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
         o.tests = {"goodall", "manova"};
       },
       "unknown test manova"},
      {[&](AnalyzeOptions& o) { o.tests = {"anova"}; }, "--tests anova needs --model"},
      {[&](AnalyzeOptions& o) { o.tests = {"pairwise"}; }, "--tests pairwise needs --group"},
      {[&](AnalyzeOptions& o) { o.model = "a + b"; }, "add anova to --tests"},
      {[&](AnalyzeOptions& o) { o.permutations = 0; }, "--permutations is a whole number from 1 to 1000000"},
      {[&](AnalyzeOptions& o) { o.table = dir / "no-table.csv"; }, "--table: the file"},
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
      {[&](AnalyzeOptions& o) { o.rounds = 317; }, "--rounds is a whole number from 1 to 316"},
      {[&](AnalyzeOptions& o) { o.save = ""; }, "--save: no file name was given"},
      {[&](AnalyzeOptions& o) { o.save_aligned = ""; }, "--save-aligned: no file name was given"},
      {[&](AnalyzeOptions& o) { o.save_2d = ""; }, "--save-2d: no file name was given"},
      {[&](AnalyzeOptions& o) { o.json = ""; }, "--json: no file name was given"},
      {[&](AnalyzeOptions& o) { o.figure = ""; }, "--figure: no file name was given"},
      {[&](AnalyzeOptions& o) { o.figure = dir / "plot.jpg"; }, ".png, .svg, .pdf or .eps"},
      {[&](AnalyzeOptions& o) { o.json = dir / "no-folder" / "r.json"; }, "does not exist"},
      {[&](AnalyzeOptions& o) {
         o.save = dir / "same.txt";
         o.save_2d = dir / "same.txt";
       },
       "two outputs"},
      {[&](AnalyzeOptions& o) { o.save = dir / "first.tps"; }, "overwrite the input file"},
      // The same file under another name: through a link, or spelled otherwise.
      {[&](AnalyzeOptions& o) {
         fs::create_directories(dir / "here");
         fs::create_symlink(dir / "first.tps", dir / "here" / "link.tps");
         o.first = dir / "here" / "link.tps";
         o.save = dir / "first.tps";
       },
       "overwrite the input file"},
      {[&](AnalyzeOptions& o) {
         fs::create_symlink(dir / "protocol.txt", dir / "p-link.txt");
         o.json = dir / "p-link.txt";
       },
       "overwrite the input file"},
      {[&](AnalyzeOptions& o) {
         o.save = dir / "out.txt";
         o.json = dir / "." / "out.txt";
       },
       "named for two outputs"},
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

namespace velmora {
namespace {

// Splits runner or --analyze output into its "[HEADER]" blocks.
std::map<std::string, std::string> blocks(const std::string& text) {
  std::map<std::string, std::string> out;
  std::istringstream in(text);
  std::string line, header;
  while (std::getline(in, line)) {
    if (line.rfind("> ", 0) == 0) {
      header.clear();
    } else if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      header = line.substr(1, line.size() - 2);
      out[header].clear();
    } else if (!header.empty()) {
      out[header] += line + "\n";
    }
  }
  return out;
}

TEST(AnalyzeStudyTest, SameNumbersAsTheBatchRunnerWithTheSameSeed) {
  const fs::path study = fs::path(VELMORA_SOURCE_DIR) / "examples" / "skull3d";
  const fs::path dir = fs::temp_directory_path() / ("velmora_analyze_study_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);

  AnalyzeOptions o;
  o.protocol = study / "protocol.txt";
  o.first = study / "first.tps";
  o.second = study / "second.txt";
  o.tests = {"goodall", "boot", "perm", "disparity", "permvar"};
  o.seed = 11;
  o.quiet = true;
  o.json = dir / "results.json";
  o.save = dir / "first.txt";
  std::ostringstream analyze_out, analyze_err;
  ASSERT_EQ(run_analyze(o, analyze_out, analyze_err), 0) << analyze_err.str();

  std::ofstream(dir / "script.txt") << "LoadProto " << o.protocol << "\nLoadFile1 " << o.first
                                    << "\nset ZEPButton Value 1\nLoadFile2 " << *o.second
                                    << "\nset BootBox Value 1\nGoodallF\nBootF\nPermuteF\nGetDisparity\n"
                                       "PermuteVariance\nSaveFile1 "
                                    << (dir / "first-batch.txt") << "\n";
  BatchOptions b;
  b.script = dir / "script.txt";
  b.seed = 11;
  b.quiet = true;
  std::ostringstream batch_out, batch_err;
  ASSERT_EQ(run_batch(b, batch_out, batch_err), 0) << batch_err.str();

  auto from_analyze = blocks(analyze_out.str());
  auto from_batch = blocks(batch_out.str());
  for (const std::string title :
       {"Results of Goodall F-Test", "Results of Bootstrap F-Test", "Results of Permutation F-Test", "ResultsBox"}) {
    ASSERT_TRUE(from_analyze.count(title)) << title << "\n" << analyze_out.str();
    EXPECT_EQ(from_analyze[title], from_batch[title]) << title;
  }
  std::ifstream a(dir / "first.txt"), c(dir / "first-batch.txt");
  std::string first((std::istreambuf_iterator<char>(a)), {}), second((std::istreambuf_iterator<char>(c)), {});
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(first, second);

  std::ifstream j(dir / "results.json");
  const nlohmann::json results = nlohmann::json::parse(j);
  EXPECT_EQ(results["seed"], 11);
  EXPECT_EQ(results["tests"]["PermuteF"]["seed"], 11);
  EXPECT_GT(results["first"]["specimens"].get<int>(), 1);
  EXPECT_GT(results["second"]["specimens"].get<int>(), 1);
  EXPECT_GT(results["first"]["points"].get<int>(), 3);
  EXPECT_EQ(results["first"]["points"], results["second"]["points"]);
  EXPECT_TRUE(results["tests"].is_object());
  EXPECT_GE(results["tests"].size(), 5u) << results.dump(2);
  fs::remove_all(dir);
}

// The shape space goes into the JSON with the tests: every component's share
// of the variance, the scores, the sample of each row, the loadings.
TEST(AnalyzeStudyTest, PcaIsWrittenIntoTheJson) {
  const fs::path study = fs::path(VELMORA_SOURCE_DIR) / "examples" / "leaf2d";
  const fs::path dir = fs::temp_directory_path() / ("velmora_analyze_pca_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  AnalyzeOptions o;
  o.protocol = study / "protocol.txt";
  o.first = study / "first.tps";
  o.two_d = true;
  o.second = study / "second.txt";
  o.tests = {"goodall", "perm", "pca"};
  o.seed = 3;
  o.quiet = true;
  o.json = dir / "results.json";
  std::ostringstream out, err;
  ASSERT_EQ(run_analyze(o, out, err), 0) << err.str();
  std::ifstream j(dir / "results.json");
  const nlohmann::json pca = nlohmann::json::parse(j)["tests"]["ShapePCA"];
  ASSERT_TRUE(pca.is_object());
  double sum = 0;
  for (const auto& v : pca["variance"]) sum += v.get<double>();
  EXPECT_NEAR(sum, 1, 1e-9);
  EXPECT_EQ(pca["variance"].size(), 49u);  // 26 + 24 specimens: n - 1 components
  EXPECT_EQ(pca["scores"].size(), 50u);
  EXPECT_EQ(pca["scores"][0].size(), 10u);
  EXPECT_EQ(pca["sample"].size(), 50u);
  EXPECT_EQ(pca["loadings"].size(), 92u);  // x and y of 46 points
  EXPECT_EQ(pca["dimension"], 2);
  EXPECT_NE(out.str().find("PCA of 26 + 24 specimens, 46 points: PC1 "), std::string::npos) << out.str();
  fs::remove_all(dir);
}

TEST(AnalyzeStudyTest, TheSeedIsRecordedExactlyAndAnUnseededRunTellsIt) {
  const fs::path study = fs::path(VELMORA_SOURCE_DIR) / "examples" / "skull3d";
  const fs::path dir = fs::temp_directory_path() / ("velmora_analyze_seed_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  AnalyzeOptions o;
  o.protocol = study / "protocol.txt";
  o.first = study / "first.tps";
  o.second = study / "second.txt";
  o.tests = {"perm"};
  o.json = dir / "results.json";
  o.seed = 9007199254740993u;
  std::ostringstream out, err;
  ASSERT_EQ(run_analyze(o, out, err), 0) << err.str();
  EXPECT_EQ(err.str().find("rerun with"), std::string::npos) << "a given seed is not told again";
  std::ifstream j(dir / "results.json");
  const nlohmann::json results = nlohmann::json::parse(j);
  EXPECT_EQ(results["seed"].get<std::uint64_t>(), 9007199254740993u);
  EXPECT_EQ(results["tests"]["PermuteF"]["seed"].get<std::uint64_t>(), 9007199254740993u);

  o.seed.reset();
  std::ostringstream out2, err2;
  ASSERT_EQ(run_analyze(o, out2, err2), 0) << err2.str();
  std::ifstream j2(dir / "results.json");
  const std::uint64_t drawn = nlohmann::json::parse(j2)["seed"].get<std::uint64_t>();
  EXPECT_NE(err2.str().find("seed " + std::to_string(drawn) + "; rerun with --seed " + std::to_string(drawn) + "\n"),
            std::string::npos)
      << err2.str();
  fs::remove_all(dir);
}

}  // namespace
}  // namespace velmora
