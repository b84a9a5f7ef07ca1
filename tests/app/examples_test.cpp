// The example studies in examples/: the committed files are what the generator
// makes, the batch scripts reach every action and run through without a failure,
// and each study loads through the dispatcher to the sizes and point layout the
// generator built it with.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "app/batch_runner.h"
#include "app/dispatcher.h"
#include "example_study.h"
#include "runtime/headless/headless_port.h"
#include "stats/printed_texts.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

const fs::path kExamples = fs::path(VELMORA_SOURCE_DIR) / "examples";

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

const examples::ExampleSet& generated() {
  static const examples::ExampleSet set = examples::make_example_studies();
  return set;
}

TEST(ExamplesTest, GeneratorChecksPassAndCommittedFilesMatchIt) {
  EXPECT_TRUE(generated().problems.empty()) << generated().problems.front();
  ASSERT_EQ(generated().files.size(), 15u);
  for (const auto& file : generated().files) {
    const fs::path path = kExamples / file.path;
    ASSERT_TRUE(fs::exists(path)) << path << " is missing: run build/make_example examples";
    EXPECT_TRUE(read_file(path) == file.text) << path << " differs from the generator: run build/make_example examples";
  }
}

TEST(ExamplesTest, ScriptsAreWellFormedAndTogetherRunEveryAction) {
  std::set<std::string> used;
  for (const char* script : {"study3d.txt", "study2d.txt", "surfaces3d.txt", "groups2d.txt", "size2d.txt"}) {
    const auto commands = parse_script(kExamples / script);
    std::set<std::string> here;
    for (const auto& c : commands) {
      if (c.is_set) continue;
      const std::string& action = c.words.front();
      const auto& names = Dispatcher::action_names();
      EXPECT_NE(std::find(names.begin(), names.end(), action), names.end()) << script << ":" << c.line << " " << action;
      here.insert(action);
      for (std::size_t k = 1; k < c.words.size(); ++k) {
        const fs::path answer = c.words[k];
        if (answer.begin()->string() == "..") continue;  // an output under demo-out/
        EXPECT_TRUE(fs::exists(kExamples / answer)) << script << ":" << c.line << " names " << answer;
      }
    }
    // Each two-sample study loads, compares, plots, exports and saves on its own
    // (the surfaces script shows the 3D study's surfaces; the groups and size
    // scripts test a table's groups).
    const std::string name = script;
    if (name != "surfaces3d.txt" && name != "groups2d.txt" && name != "size2d.txt") {
      for (const char* action : {"LoadProto", "LoadFile2", "LoadWireFrame", "GoodallF", "BootF", "PermuteF",
                                 "GetDisparity", "PermuteVariance", "CopyEPS", "ShowMean2", "SaveFile2", "Clear"})
        EXPECT_TRUE(here.count(action)) << script << " does not run " << action;
    }
    used.insert(here.begin(), here.end());
  }
  for (const auto& name : Dispatcher::action_names()) EXPECT_TRUE(used.count(name)) << "no script runs " << name;
}

struct StudyCase {
  std::string folder;
  std::string load_action;
  Eigen::Index points;
  std::vector<double> rbreak;
  std::size_t wire_rows;
  double df1;
};

// Runs actions on one dispatcher with scripted dialog answers, as a script would.
class StudyRun {
 protected:
  // The action's outcome, with the error it reported when it failed.
  std::string run(const std::string& action, const std::string& answer) {
    port.set_action(action);
    port.set_answers({answer}, kExamples);
    if (dispatcher.vm3sw(action) == Outcome::done) return "done";
    std::string error = "failed";
    for (const auto& e : port.events())
      if (e.kind == "error") error = e.text("message");
    return error;
  }

  StudyRun() { port.keep_events(); }

  HeadlessPort port;
  Dispatcher dispatcher{port};
};

class ExampleStudyLoadTest : public StudyRun, public ::testing::TestWithParam<StudyCase> {};

TEST_P(ExampleStudyLoadTest, LoadsToTheLayoutAndSizesItWasMadeWith) {
  const StudyCase& c = GetParam();
  const std::vector<double>& sizes = generated().first_sizes.at(c.folder);
  const int second_count = generated().second_counts.at(c.folder);

  ASSERT_EQ(run("LoadProto", c.folder + "/protocol.txt"), "done");
  EXPECT_EQ(dispatcher.state().proto.size(), 12);
  ASSERT_EQ(run(c.load_action, c.folder + "/first.tps"), "done");
  const auto& s = dispatcher.state();
  ASSERT_EQ(s.data1.count(), static_cast<Eigen::Index>(sizes.size()));
  EXPECT_EQ(s.data1.points(), c.points);
  ASSERT_EQ(s.rbreak.size(), static_cast<Eigen::Index>(c.rbreak.size()));
  for (std::size_t k = 0; k < c.rbreak.size(); ++k) EXPECT_EQ(s.rbreak(k), c.rbreak[k]) << "rbreak entry " << k + 1;
  // The ruler brings every specimen back to millimetres: the sizes the program
  // measures are those of the forms the generator digitised.
  for (std::size_t i = 0; i < sizes.size(); ++i)
    EXPECT_NEAR(s.data1cs(i), sizes[i], 1e-5 * sizes[i]) << "specimen " << i + 1;

  port.set_control_value("ZEPButton", 1);
  ASSERT_EQ(run("LoadFile2", c.folder + "/second.txt"), "done");
  EXPECT_EQ(port.control_string("FileBox2"), "second.txt \nhas " + std::to_string(second_count) + " specimens \nwith " +
                                                 std::to_string(c.points) + " landmarks");
  EXPECT_EQ(dispatcher.state().data2.count(), second_count);
  EXPECT_EQ(dispatcher.state().data2.points(), c.points);
  // Goodall's df1: 3p - 7 in space, 2p - 4 for the flat leaves (88, not 131).
  ASSERT_EQ(run("GoodallF", ""), "done");
  for (const auto& e : port.events())
    if (e.kind == "result") {
      EXPECT_EQ(e.number("df1"), c.df1);
    }

  ASSERT_EQ(run("LoadWireFrame", c.folder + "/wireframe.txt"), "done");
  const Eigen::MatrixXd& wire = dispatcher.state().wirelist;
  ASSERT_EQ(wire.rows(), static_cast<Eigen::Index>(c.wire_rows));
  ASSERT_EQ(wire.cols(), 3);
  EXPECT_GE(wire.rightCols(2).minCoeff(), 1);
  EXPECT_LE(wire.rightCols(2).maxCoeff(), static_cast<double>(c.points));
}

class ExampleStudyTpsTest : public StudyRun, public ::testing::Test {};

TEST_F(ExampleStudyTpsTest, SecondSampleFromTpsEqualsTheTable) {
  ASSERT_EQ(run("LoadProto", "skull3d/protocol.txt"), "done");
  ASSERT_EQ(run("LoadFile1", "skull3d/first.tps"), "done");
  port.set_control_value("ZEPButton", 1);
  ASSERT_EQ(run("LoadFile2", "skull3d/second.txt"), "done");
  const WorkingState from_table = dispatcher.state();
  port.set_control_value("ZEPButton", 0);
  ASSERT_EQ(run("LoadFile2", "skull3d/second.tps"), "done");
  EXPECT_TRUE(dispatcher.state().data2 == from_table.data2);
  EXPECT_EQ(dispatcher.state().mean2, from_table.mean2);
  EXPECT_EQ(dispatcher.state().data2cs, from_table.data2cs);
}

// The demo's runs, in a copy of the examples so that their outputs land in a
// temporary demo-out/: every action of both scripts succeeds and leaves the
// files the demo promises.
TEST(ExampleScriptsTest, BothStudiesRunThroughWithoutAFailure) {
  const fs::path top = fs::temp_directory_path() / ("velmora_examples_" + std::to_string(::getpid()));
  fs::remove_all(top);
  fs::create_directories(top / "demo-out");
  fs::create_directories(top / "examples");
  for (const char* name : {"skull3d", "leaf2d", "leafgroups2d", "study3d.txt", "study2d.txt", "groups2d.txt"})
    fs::copy(kExamples / name, top / "examples" / name, fs::copy_options::recursive);
  for (const char* study : {"3d", "2d"}) {
    BatchOptions options;
    options.script = top / "examples" / (std::string("study") + study + ".txt");
    options.seed = 1;
    options.figures = top / "demo-out" / (std::string("figures") + study);
    std::ostringstream out, err;
    EXPECT_EQ(run_batch(options, out, err), 0)
        << study << ":\n"
        << err.str().substr(err.str().size() > 2000 ? err.str().size() - 2000 : 0);
    EXPECT_NE(out.str().find("[Results of Goodall F-Test]"), std::string::npos) << study;
    EXPECT_FALSE(fs::is_empty(*options.figures)) << study;
  }
  {
    BatchOptions options;
    options.script = top / "examples" / "groups2d.txt";
    options.seed = 1;
    std::ostringstream out, err;
    EXPECT_EQ(run_batch(options, out, err), 0)
        << err.str().substr(err.str().size() > 2000 ? err.str().size() - 2000 : 0);
    EXPECT_NE(out.str().find("species:logsize"), std::string::npos);
    EXPECT_NE(out.str().find("Groups of species: alnifolia 15, cordata 15, tenuis 15"), std::string::npos);
  }
  for (const char* name : {"skull3d-first-aligned.txt", "skull3d.eps", "skull3d-second.txt", "leaf2d-first-aligned.txt",
                           "leaf2d.eps", "leaf2d-first.txt"})
    EXPECT_TRUE(fs::exists(top / "demo-out" / name)) << name;
  fs::remove_all(top);
}

// examples/formats: every file, one per landmark format, loads as a second
// sample of the 6 landmarks of the fixed-landmark study, each as its format.
TEST(ExampleScriptsTest, EveryFormatLoadsAsASecondSample) {
  BatchOptions options;
  options.script = kExamples / "formats" / "load-formats.txt";
  std::ostringstream out, err;
  ASSERT_EQ(run_batch(options, out, err), 0) << err.str();
  std::size_t loads = 0;
  for (std::size_t at = 0; (at = out.str().find("\nwith 6 landmarks", at)) != std::string::npos; ++at) ++loads;
  EXPECT_EQ(loads, 7u) << out.str();
  for (const char* said : {"second.tps is a TPS file with LM3= headers", "second-morphologika.txt is a Morphologika",
                           "second.csv is a CSV table", "second.nts is an NTS file", "(NT04) has landmark 5 missing",
                           "MK01.fcsv is a comma-separated markups", "MK02.pts is an IDAV point file",
                           "MK04.mrk.json: markups[0]: coordinate system RAS"})
    EXPECT_NE(err.str().find(said), std::string::npos) << said;
}

// examples/formats/tpsdig-curves.txt: a tpsDig file's CURVES= blocks are the
// protocol's two curves (5 + 12 + 8 points), the empty image is left out, every
// SCALE= is applied, and the CSV second sample keeps its classifier columns.
TEST(ExampleScriptsTest, TpsDigCurvesLoadAsAFirstSampleWithACurveProtocol) {
  HeadlessPort port;
  Dispatcher d(port);
  const fs::path folder = kExamples / "formats";
  port.set_answers({"curves-protocol.txt", "tpsdig-curves.tps", "second-classifiers.csv"}, folder);
  ASSERT_EQ(d.vm3sw("LoadProto"), Outcome::done);
  ASSERT_EQ(d.vm3sw("LoadFile2D"), Outcome::done);
  ASSERT_EQ(d.vm3sw("LoadFile2"), Outcome::done);
  const WorkingState& s = d.state();
  EXPECT_EQ(s.data1.points(), 25);
  EXPECT_EQ(s.data1.count(), 8);
  EXPECT_EQ(s.rbreak.head(3), (Eigen::RowVector3d(15, 51, 75)));
  EXPECT_EQ(s.names1.back(), "fish-08");
  ASSERT_EQ(s.columns2.size(), 3u);
  EXPECT_EQ(s.columns2[0].first, "Species");
  EXPECT_EQ(s.columns2[1].second, (std::vector<std::string>{"f", "f", "m", "m", "f", "m"}));
  // Sizes in millimetres: the pixel sizes times each specimen's SCALE= (about 1/80).
  EXPECT_GT(s.data1cs.minCoeff(), 3);
  EXPECT_LT(s.data1cs.maxCoeff(), 20);
}

// The resampling tests print the same texts (boxes and BootF's echoes) with
// their sets computed on the blocks as on the points.
TEST_P(ExampleStudyLoadTest, ResamplingTextsAreTheSameOnBothPaths) {
  const StudyCase& c = GetParam();
  ASSERT_EQ(run("LoadProto", c.folder + "/protocol.txt"), "done");
  ASSERT_EQ(run(c.load_action, c.folder + "/first.tps"), "done");
  port.set_control_value("ZEPButton", 1);
  ASSERT_EQ(run("LoadFile2", c.folder + "/second.txt"), "done");
  const WorkingState& s = dispatcher.state();
  const TwoSamples two{s.data1, s.mean1, s.data1cs, s.data2, s.mean2, s.data2cs};
  for (std::uint64_t seed : {1, 2}) {
    const auto on_points = testing::printed_texts(two, ResamplingPath::points, 400, seed);
    const auto on_blocks = testing::printed_texts(two, ResamplingPath::blocks, 400, seed);
    EXPECT_EQ(on_blocks.text, on_points.text) << c.folder;
    EXPECT_EQ(on_blocks.on_points, (std::vector<std::int64_t>{0, 0, 0})) << c.folder;
  }
}

INSTANTIATE_TEST_SUITE_P(Studies, ExampleStudyLoadTest,
                         ::testing::Values(StudyCase{"skull3d", "LoadFile1", 45, {21, 72, 105, 135}, 48, 128},
                                           StudyCase{"leaf2d", "LoadFile2D", 46, {12, 87, 114, 138}, 43, 88}),
                         [](const ::testing::TestParamInfo<StudyCase>& info) { return info.param.folder; });

}  // namespace
}  // namespace velmora
