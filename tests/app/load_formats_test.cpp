// Loads from every landmark format: the same specimens written in each format
// load to the same sample with the same names; a file that is not what the
// table switch names is read as what it is; missing landmarks stop a load or,
// with DropMissing, leave their specimens out.
#include <gtest/gtest.h>

#include <sstream>

#include "app/batch_runner.h"
#include "app/dispatcher.h"
#include "io/formats/landmark_file.h"
#include "support/io_test_util.h"

namespace velmora {
namespace {

using testing::DialogPort;
using testing::TempFolder;

// Five specimens of four 3D landmarks: one shape, moved and a little bent.
Specimens sample() {
  Specimens s;
  const Eigen::Matrix<double, 4, 3> shape =
      (Eigen::Matrix<double, 4, 3>() << 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1.5).finished();
  for (int i = 0; i < 5; ++i) {
    Eigen::MatrixXd p = shape;
    p(1, 1) += 0.1 * i;
    p(3, 0) -= 0.05 * i * i;
    p = (p * (1 + 0.2 * i)).rowwise() + Eigen::RowVector3d(i, -2 * i, 0.5);
    s.specimens.push_back({"RT" + std::to_string(i + 1), p, std::nullopt});
  }
  return s;
}

// Our own TPS form of the sample: LM= with a last marker point that ends each list.
std::string own_tps(const Specimens& s) {
  std::ostringstream out;
  for (const Specimen& sp : s.specimens) {
    out << "LM=" << sp.points.rows() + 1 << "\n"
        << sp.points.format(Eigen::IOFormat(17, 0, " ", "\n")) << "\n-999 0 0\n";
    out << "ID=" << sp.name << "\n";
  }
  return out.str();
}

std::string written(const Specimens& s, LandmarkFormat f) {
  std::ostringstream out;
  write_landmarks(out, s, f);
  return out.str();
}

class LoadFormats : public ::testing::Test {
 protected:
  void SetUp() override {
    port_.answer({dir_.write("fixed.txt", "0\n1\n2\n1\n0 % no curves\n-999\n").string()});
    ASSERT_EQ(d_.vm3sw("LoadProto"), Outcome::done);
  }
  Outcome load(const std::string& action, const std::string& name, const std::string& text) {
    port_.answer({dir_.write(name, text).string()});
    return d_.vm3sw(action);
  }
  bool said(const std::string& text) const { return port_.console_text().find(text) != std::string::npos; }
  TempFolder dir_;
  DialogPort port_;
  Dispatcher d_{port_};
};

TEST_F(LoadFormats, FixedLandmarksInAnyFormatLoadAsOurTpsFormDoes) {
  const Specimens s = sample();
  ASSERT_EQ(load("LoadFile1", "own.tps", own_tps(s)), Outcome::done) << port_.console_text();
  const WorkingState own = d_.state();
  EXPECT_EQ(own.names1, (std::vector<std::string>{"RT1", "RT2", "RT3", "RT4", "RT5"}));
  ASSERT_EQ(own.data1.points(), 4);
  for (LandmarkFormat f :
       {LandmarkFormat::tps, LandmarkFormat::morphologika, LandmarkFormat::nts, LandmarkFormat::csv_table}) {
    SCOPED_TRACE(format_name(f));
    ASSERT_EQ(load("LoadFile1", "sample." + format_name(f), written(s, f)), Outcome::done) << port_.console_text();
    EXPECT_EQ(d_.state().data1, own.data1);
    EXPECT_EQ(d_.state().data1cs, own.data1cs);
    EXPECT_EQ(d_.state().rbreak, own.rbreak);
    EXPECT_EQ(d_.state().names1, own.names1);
    EXPECT_TRUE(said("every point is a fixed landmark"));
  }
  // With curves in the protocol only our TPS form carries them.
  port_.answer({dir_.write("curves.txt", "0\n1\n2\n1\n1\n-999\n1\n8\n").string()});
  ASSERT_EQ(d_.vm3sw("LoadProto"), Outcome::done);
  EXPECT_EQ(load("LoadFile1", "s.csv", written(s, LandmarkFormat::csv_table)), Outcome::failed);
  EXPECT_TRUE(
      said("s.csv is a CSV table with a header row; with curves in the protocol (1) the first sample must "
           "be a TPS file"));
  EXPECT_EQ(d_.state().data1, own.data1);
}

TEST_F(LoadFormats, ASecondSampleIsReadAsWhatItIsWhateverTheTableSwitchSays) {
  Specimens s = sample();
  ASSERT_EQ(load("LoadFile1", "own.tps", own_tps(s)), Outcome::done);
  // Our TPS 3D form with the table switch on, and a table with it off: the same sample.
  std::ostringstream tps, table;
  for (const Specimen& sp : s.specimens) {
    tps << "LM=4\n" << sp.points.format(Eigen::IOFormat(17, 0, " ", "\n")) << "\nID=" << sp.name << "\n";
    table << sp.points.reshaped<Eigen::RowMajor>().transpose().format(Eigen::IOFormat(17, 0, " ")) << " 1\n";
  }
  port_.set_control_value("ZEPButton", 0);
  ASSERT_EQ(load("LoadFile2", "second.txt", table.str()), Outcome::done) << port_.console_text();
  EXPECT_TRUE(
      said("second.txt is a table of flat rows, not a TPS file: it is read as a table (the table switch "
           "ZEPButton is off)."));
  const WorkingState from_table = d_.state();
  EXPECT_TRUE(from_table.names2.empty());  // a table names no specimen: the study numbers them
  port_.set_control_value("ZEPButton", 1);
  ASSERT_EQ(load("LoadFile2", "second.tps", tps.str()), Outcome::done) << port_.console_text();
  EXPECT_TRUE(
      said("second.tps is a TPS file, not a table of flat rows: it is read as a TPS file (the table switch "
           "ZEPButton is on)."));
  EXPECT_EQ(d_.state().data2, from_table.data2);
  EXPECT_EQ(d_.state().names2, d_.state().names1);
  EXPECT_EQ(port_.control_string("FileBox2"), "second.tps \nhas 5 specimens \nwith 4 landmarks");
  // Another format, whichever the switch.
  ASSERT_EQ(load("LoadFile2", "second.nts", written(s, LandmarkFormat::nts)), Outcome::done);
  EXPECT_TRUE(said("second.nts is an NTS file; it is read as one."));
  EXPECT_EQ(d_.state().data2, from_table.data2);
  // A TPS file whose first image is not digitised yet (LM=0): that specimen is left out, named.
  ASSERT_EQ(load("LoadFile2", "tools.tps", "LM=0\nIMAGE=todo.jpg\n" + tps.str()), Outcome::done)
      << port_.console_text();
  EXPECT_TRUE(
      said("tools.tps: 1 specimen(s) have no points (LM=0, not digitised) and are left out: specimen 1 (todo)."));
  EXPECT_EQ(d_.state().data2, from_table.data2);
  // A file of no known format: the switch's reader fails and the message names the switch.
  EXPECT_EQ(load("LoadFile2", "notes.txt", "specimens of May\n"), Outcome::failed);
  EXPECT_TRUE(said("(The table switch ZEPButton is on, so the file was read as a table of flat rows.)"));
}

TEST_F(LoadFormats, MissingLandmarksStopALoadOrDropTheirSpecimensWithDropMissing) {
  Specimens s = sample();
  ASSERT_EQ(load("LoadFile1", "own.tps", own_tps(s)), Outcome::done);
  s.specimens[1].points(2, 0) = std::nan("");
  const std::string nts = written(s, LandmarkFormat::nts);  // with its missing-value code
  EXPECT_EQ(load("LoadFile2", "gap.nts", nts), Outcome::failed);
  EXPECT_TRUE(
      said("gap.nts: specimen 2 (RT2) has landmark 3 missing. A sample with missing landmarks cannot be "
           "superimposed"));
  EXPECT_TRUE(d_.state().data2.empty());

  // The batch form of the switch.
  const auto script = dir_.write("drop.txt", "set DropMissing Value 1\nLoadFile2 gap.nts\n");
  EXPECT_NO_THROW(parse_script(script));
  port_.set_control_value("DropMissing", 1);
  ASSERT_EQ(load("LoadFile2", "gap.nts", nts), Outcome::done) << port_.console_text();
  EXPECT_TRUE(said("gap.nts: specimen 2 (RT2) has landmark 3 missing; it is left out (DropMissing is on)."));
  EXPECT_EQ(d_.state().names2, (std::vector<std::string>{"RT1", "RT3", "RT4", "RT5"}));
  EXPECT_EQ(d_.state().data2.count(), 4);

  // Negative TPS coordinates are missing only with NegativeMissing.
  port_.set_control_value("DropMissing", 0);
  Specimens lifted = sample();
  for (Specimen& sp : lifted.specimens) sp.points.array() += 100;
  lifted.specimens[4].points(0, 1) = -1;
  const std::string tps = written(lifted, LandmarkFormat::tps);
  ASSERT_EQ(load("LoadFile1", "neg.tps", tps), Outcome::done);
  port_.set_control_value("NegativeMissing", 1);
  EXPECT_EQ(load("LoadFile1", "neg.tps", tps), Outcome::failed);
  EXPECT_TRUE(said("neg.tps: specimen 5 (RT5) has landmark 1 missing."));
}

// A markups point holding an object nested ten million deep is refused with
// the file's name, in little memory, and the sample loaded before stays.
TEST_F(LoadFormats, AMarkupsFileNestedMillionsDeepIsRefusedNamingIt) {
  ASSERT_EQ(load("LoadFile1", "own.tps", own_tps(sample())), Outcome::done);
  const WorkingState before = d_.state();
  std::string deep = R"({"markups": [{"controlPoints": [{"position": [1, 2, 3], "note": )";
  for (int i = 0; i < 10'000'000; ++i) deep += R"({"a":)";
  deep += "1" + std::string(10'000'000, '}') + "}]}]}";
  EXPECT_EQ(load("LoadFile1", "deep.mrk.json", deep), Outcome::failed);
  EXPECT_TRUE(said("deep.mrk.json, line 1: lists and objects nested more than")) << port_.console_text();
  EXPECT_EQ(d_.state().data1, before.data1);
  EXPECT_EQ(d_.state().names1, before.names1);
}

TEST_F(LoadFormats, NamesFromTheFilesReachTheShapeSpaceResult) {
  const Specimens s = sample();
  ASSERT_EQ(load("LoadFile1", "own.tps", own_tps(s)), Outcome::done);
  port_.set_control_value("ZEPButton", 1);
  ASSERT_EQ(load("LoadFile2", "rows.txt", "0 0 0 3 0 0 0 2 0 0 0 1.5 1\n0 0 0 3.1 0 0 0 2 0 0 0 1.4 1\n"),
            Outcome::done);
  ASSERT_EQ(d_.vm3sw("ShapePCA"), Outcome::done) << port_.console_text();
  const auto results = port_.of_kind("result");
  ASSERT_EQ(results.size(), 1u);
  const auto* names = std::get_if<std::vector<std::string>>(results[0]->field("names"));
  ASSERT_NE(names, nullptr);
  EXPECT_EQ(*names, (std::vector<std::string>{"RT1", "RT2", "RT3", "RT4", "RT5", "specimen 1", "specimen 2"}));
}

// The damaged first samples of a batch run each stop it with status 1 and their message.
TEST(DamagedFiles, EndABatchRunWithStatusOneAndTheirMessage) {
  TempFolder dir;
  dir.write("p.txt", "0\n1\n2\n10\n0\n-999\n");
  const std::string good = "LM=3\n1 2 3\n4 5 6\n7 8 9\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {good + "LM=3\n1 2 3\nO.5 0 1\n7 8 9\n", "d.tps, line 7: specimen 2: \"O.5\" is not a number"},
      {good + "LM=5\n1 2 3\n4 5 6\n7 8 9\n1 1 1\n", "specimen 2: its header announces 5 points, 15 numbers, and 12"},
  };
  for (const auto& [text, message] : cases) {
    dir.write("d.tps", text);
    BatchOptions options;
    options.script = dir.write("run.txt", "LoadProto p.txt\nLoadFile1 d.tps\n");
    std::ostringstream out, err;
    EXPECT_EQ(run_batch(options, out, err), 1) << message;
    EXPECT_NE(err.str().find(message), std::string::npos) << err.str();
  }
}

}  // namespace
}  // namespace velmora
