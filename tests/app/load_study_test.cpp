// A whole study through the dispatcher: a protocol with a ruler and two curves
// (one closed), a first sample of moved, turned, scaled and mirrored copies of one
// shape, and a second sample from a table and from a TPS file. The expected
// sizes and shapes are worked out here from the shape itself.
#include <gtest/gtest.h>

#include <sstream>

#include "app/batch_runner.h"
#include "app/dispatcher.h"
#include "geometry/nearest_on_polyline.h"
#include "support/io_test_util.h"
#include "support/study_util.h"

namespace velmora {
namespace {

using testing::DialogPort;
using testing::Points;
using testing::TempFolder;

const double kCode = -999;
const Eigen::Vector3d kMarker(kCode, 0, 0);

// Ruler landmarks 1 and 2 (2 units apart, length 10: scale 5), two more fixed
// landmarks, an open-ended straight curve resampled to 5 points and a closed
// square resampled to 4 points (5 with the repeated first point).
const char* const kProtocol = "1 % ruler\n1\n2\n10\n2 % curves\n-999\n3\n5\n1\n4\n";

Points digitised_shape() {
  return {{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {0, 0, 4},   kMarker,   {1, 1, 1}, {1.3, 1, 1}, {2.1, 1, 1}, {2.2, 1, 1},
          {3, 1, 1}, kMarker,   {0, 0, 2}, {0.5, 0, 2}, {1, 0, 2}, {1, 1, 2}, {0.3, 1, 2}, {0, 1, 2},   {40, 40, 40}};
}

// What the loader keeps of the shape in file units: the two fixed landmarks
// after the ruler, the evenly spaced line, the square's corners and its first
// corner again.
Eigen::MatrixXd kept_shape() {
  Eigen::MatrixXd q(12, 3);
  q << 0, 3, 0, 0, 0, 4,                                //
      1, 1, 1, 1.5, 1, 1, 2, 1, 1, 2.5, 1, 1, 3, 1, 1,  //
      0, 0, 2, 1, 0, 2, 1, 1, 2, 0, 1, 2, 0, 0, 2;
  return q;
}

struct Pose {
  double scale;
  Eigen::Matrix3d turn;
  Eigen::Vector3d shift;
};

std::vector<Pose> poses() {
  const Eigen::Matrix3d mirror = Eigen::Vector3d(-1, 1, 1).asDiagonal();
  return {
      {1.0, Eigen::Matrix3d::Identity(), {0, 0, 0}},
      {2.0, Eigen::AngleAxisd(0.7, Eigen::Vector3d(1, 2, 3).normalized()).toRotationMatrix(), {5, -3, 8}},
      {0.5, Eigen::AngleAxisd(-2.1, Eigen::Vector3d(0, 1, 0)).toRotationMatrix() * mirror, {-10, 0, 1}},
  };
}

std::string first_sample_file() {
  std::string text;
  int id = 1;
  for (const Pose& p : poses())
    text += testing::tps_specimen(testing::moved_keeping_markers(digitised_shape(), kCode, p.scale, p.turn, p.shift), 3,
                                  std::to_string(id++));
  return text;
}

// Second sample rows in the final layout (12 points) with a last column.
std::string second_sample_table(bool zero_sizes) {
  std::string text;
  const Eigen::MatrixXd q = kept_shape();
  for (const Pose& p : poses()) {
    Eigen::MatrixXd moved = (p.scale * (p.turn * q.transpose())).transpose().rowwise() + p.shift.transpose();
    for (Eigen::Index k = 0; k < moved.rows(); ++k)
      for (int d = 0; d < 3; ++d) text += testing::number(moved(k, d)) + " ";
    text += zero_sizes ? "0\n" : "1.5\n";
  }
  return text;
}

double max_abs(const Eigen::MatrixXd& m) { return m.cwiseAbs().maxCoeff(); }

class LoadStudy : public ::testing::Test {
 protected:
  void SetUp() override {
    proto_ = dir_.write("prot.txt", kProtocol);
    first_ = dir_.write("first.txt", first_sample_file());
    port_.answer({proto_.string()});
    ASSERT_EQ(d_.vm3sw("LoadProto"), Outcome::done);
    port_.answer({first_.string()});
    ASSERT_EQ(d_.vm3sw("LoadFile1"), Outcome::done) << port_.console_text();
  }
  TempFolder dir_;
  std::filesystem::path proto_, first_;
  DialogPort port_;
  Dispatcher d_{port_};
};

TEST_F(LoadStudy, FirstSampleMatchesTheShapeWorkedOutByHand) {
  const WorkingState& s = d_.state();
  EXPECT_EQ(s.rbreak, (Eigen::RowVectorXd(3) << 6, 21, 36).finished());
  ASSERT_EQ(s.data1.count(), 3);
  ASSERT_EQ(s.data1.points(), 12);
  // Every copy was scaled to the ruler: 5 times the kept shape.
  const Eigen::MatrixXd scaled = 5 * kept_shape();
  const Eigen::MatrixXd centred = scaled.rowwise() - scaled.colwise().mean();
  const double size = std::sqrt(centred.array().square().sum());
  for (Eigen::Index i = 0; i < 3; ++i) EXPECT_NEAR(s.data1cs(i), size, 1e-9 * size);
  // Aligned: the copies coincide with each other and with the mean, which has
  // the shape's form at unit size, centred.
  const Eigen::MatrixXd unit = testing::unit_centred(kept_shape());
  EXPECT_LT(max_abs(testing::distances(s.mean1) - testing::distances(unit)), 1e-9);
  EXPECT_LT(max_abs(s.mean1.colwise().sum()), 1e-12);
  EXPECT_NEAR(std::sqrt(s.mean1.array().square().sum()), 1, 1e-12);
  for (Eigen::Index i = 0; i < 3; ++i) EXPECT_LT(max_abs(Eigen::MatrixXd(s.data1.specimen(i)) - s.mean1), 1e-9) << i;
  EXPECT_EQ(s.wireactive.value_or(-1), 0);
  // rbreak after each curve of the first specimen and once complete, then fgg2.
  std::vector<std::string> names = port_.echo_names();
  const auto first_rbreak = std::find(names.begin(), names.end(), "rbreak");
  ASSERT_NE(first_rbreak, names.end());
  EXPECT_EQ(std::vector<std::string>(first_rbreak, first_rbreak + 4),
            (std::vector<std::string>{"rbreak", "rbreak", "rbreak", "fgg2"}));
}

TEST_F(LoadStudy, TheStudyKeepsItsFilesAndSpecimenNamesUntilCleared) {
  const WorkingState& s = d_.state();
  EXPECT_EQ(s.sources.protocol, proto_);
  EXPECT_EQ(s.sources.first, first_);
  EXPECT_EQ(s.sources.first_dims, 3);
  EXPECT_EQ(s.names1, (std::vector<std::string>{"1", "2", "3"}));
  const auto table = dir_.write("second.txt", second_sample_table(false));
  port_.set_control_value("ZEPButton", 1);
  port_.answer({table.string()});
  ASSERT_EQ(d_.vm3sw("LoadFile2"), Outcome::done);
  EXPECT_EQ(s.sources.second, table);
  EXPECT_TRUE(s.sources.second_from_table);
  EXPECT_TRUE(s.names2.empty());  // a table has no names
  ASSERT_EQ(d_.vm3sw("Clear"), Outcome::done);
  EXPECT_TRUE(s.names1.empty());
  EXPECT_TRUE(s.sources.first.empty() && s.sources.second.empty());
  EXPECT_EQ(s.sources.protocol, proto_);  // kept, as the protocol is
}

// The clicks of every curve follow their specimen into data1's frame: the
// resampled points lie on them, and they keep the spacing they were clicked with.
TEST_F(LoadStudy, FirstSampleKeepsEachCurvesClicksInItsSpecimensFrame) {
  const WorkingState& s = d_.state();
  ASSERT_EQ(s.curves1.size(), 3u);
  const auto off = [](const Eigen::RowVector3d& x, const Eigen::MatrixXd& polyline) {
    return (x - nearest_on_polyline(x, polyline)).norm();
  };
  for (Eigen::Index i = 0; i < 3; ++i) {
    const auto& curves = s.curves1[static_cast<std::size_t>(i)];
    ASSERT_EQ(curves.size(), 2u);
    ASSERT_EQ(curves[0].rows(), 5);
    ASSERT_EQ(curves[1].rows(), 7);  // six clicks and the first again: the square is closed
    EXPECT_EQ(curves[1].row(6), curves[1].row(0));
    const auto specimen = s.data1.specimen(i);
    for (Eigen::Index k = 2; k < 7; ++k) EXPECT_LT(off(specimen.row(k), curves[0]), 1e-12) << i << " " << k;
    for (Eigen::Index k = 7; k < 12; ++k) EXPECT_LT(off(specimen.row(k), curves[1]), 1e-12) << i << " " << k;
    const double step = (curves[0].row(1) - curves[0].row(0)).norm() / 0.3;
    const double clicked[] = {0.3, 0.8, 0.1, 0.8};
    for (Eigen::Index k = 0; k < 4; ++k)
      EXPECT_NEAR((curves[0].row(k + 1) - curves[0].row(k)).norm(), clicked[k] * step, 1e-12);
  }
}

TEST_F(LoadStudy, SecondSampleFromTableAndFromTpsFileFitsOntoTheFirst) {
  const auto table_true = dir_.write("second.txt", second_sample_table(false));
  const auto table_zero = dir_.write("second0.txt", second_sample_table(true));
  port_.set_control_value("ZEPButton", 1);
  port_.answer({table_true.string()});
  ASSERT_EQ(d_.vm3sw("LoadFile2"), Outcome::done) << port_.console_text();
  EXPECT_EQ(port_.control_string("FileBox2"), "second.txt \nhas 3 specimens \nwith 12 landmarks");
  const WorkingState with_sizes = d_.state();
  // The second sample is the first one's shape: its mean and every specimen sit on mean1.
  EXPECT_LT(max_abs(with_sizes.mean2 - with_sizes.mean1), 1e-9);
  for (Eigen::Index i = 0; i < 3; ++i)
    EXPECT_LT(max_abs(Eigen::MatrixXd(with_sizes.data2.specimen(i)) - with_sizes.mean1), 1e-9);
  const std::vector<double> scales = {1.0, 2.0, 0.5};
  const Eigen::MatrixXd centred = kept_shape().rowwise() - kept_shape().colwise().mean();
  for (Eigen::Index i = 0; i < 3; ++i)
    EXPECT_NEAR(with_sizes.data2cs(i), scales[i] * std::sqrt(centred.array().square().sum()), 1e-9);

  port_.answer({table_zero.string()});
  ASSERT_EQ(d_.vm3sw("LoadFile2"), Outcome::done);
  EXPECT_EQ(d_.state().data2cs, with_sizes.data2cs);  // the last column is not used

  // The same specimens from a TPS file.
  std::string tps;
  const Eigen::MatrixXd q = kept_shape();
  for (const Pose& p : poses()) {
    Points pts;
    for (Eigen::Index k = 0; k < q.rows(); ++k) pts.push_back(q.row(k).transpose());
    tps += testing::tps_specimen(testing::moved(pts, p.scale, p.turn, p.shift), 3, "x");
  }
  const auto tps_file = dir_.write("second.tps", tps);
  port_.set_control_value("ZEPButton", 0);
  port_.answer({tps_file.string()});
  ASSERT_EQ(d_.vm3sw("LoadFile2"), Outcome::done) << port_.console_text();
  EXPECT_EQ(port_.control_string("FileBox2"), "second.tps \nhas 3 specimens \nwith 12 landmarks");
  EXPECT_LT(max_abs(d_.state().data2.values() - with_sizes.data2.values()), 1e-9);
  EXPECT_EQ(port_.dialogs.back().title, "Specify 3D input file to load");
}

TEST_F(LoadStudy, SecondSampleEchoesAndTheLandmarkCountOfATableWithoutSizes) {
  // Rows of coordinates only: FileBox2 gives the whole number of points, and
  // the console says that no size column was found.
  std::string no_sizes;
  std::istringstream rows(second_sample_table(false));
  for (std::string line; std::getline(rows, line);) no_sizes += line.substr(0, line.rfind(' ')) + "\n";
  const auto file = dir_.write("coords.txt", no_sizes);
  port_.set_control_value("ZEPButton", 1);
  port_.clear_events();
  port_.answer({file.string()});
  ASSERT_EQ(d_.vm3sw("LoadFile2"), Outcome::done) << port_.console_text();
  EXPECT_EQ(port_.control_string("FileBox2"), "coords.txt \nhas 3 specimens \nwith 12 landmarks");
  EXPECT_NE(port_.console_text().find("coords.txt: rows of 36 values hold 12 landmarks (x y z) and no size column"),
            std::string::npos)
      << port_.console_text();
  EXPECT_EQ(d_.state().data2.points(), 12);
  // zepreq first, the loader's row counts, then the handle of FileBox2 before the box is written.
  std::vector<std::string> order;
  for (const auto& e : port_.events())
    if (e.kind == "echo" || (e.kind == "set" && e.text("tag") == "FileBox2"))
      order.push_back(e.kind == "echo" ? e.text("name") : "set FileBox2");
  EXPECT_EQ(order, (std::vector<std::string>{"zepreq", "count", "count", "h", "set FileBox2"}));
  EXPECT_EQ(port_.events().front().number("value"), 1);
}

TEST_F(LoadStudy, FailedLoadsLeaveEverythingAsItWas) {
  const WorkingState before = d_.state();
  const auto figures = port_.graphics().figures().size();
  port_.set_control_value("ZEPButton", 1);
  const std::string box = port_.control_string("FileBox2");
  struct Case {
    std::string action, file_text, message;
  };
  Points two_markers_short = digitised_shape();
  two_markers_short.erase(two_markers_short.begin() + 10);  // the second marker
  Points flat_curve = digitised_shape();
  for (int k = 5; k <= 9; ++k) flat_curve[k] = {1, 1, 1};  // curve 1 has no length
  std::string same_points;
  for (int k = 0; k < 36; ++k) same_points += "1 ";
  std::string huge_points = "1e200 ";
  for (int k = 1; k < 36; ++k) huge_points += std::to_string(k) + " ";
  // Every message names the file, here second.txt.
  const std::vector<Case> cases = {
      {"LoadFile1", testing::tps_specimen(digitised_shape()) + testing::tps_specimen(two_markers_short),
       "second.txt: Specimen 2 has 1 curve markers (points with x = -999); the protocol has 2 curves."},
      {"LoadFile1", testing::tps_specimen(digitised_shape()) + testing::tps_specimen(flat_curve),
       "second.txt: Specimen 2, curve 1: "},
      {"LoadFile2", "1 2 3 4 5 6 7\n",
       "second.txt: The second sample has 2 points per specimen; the first sample has 12."},
      {"LoadFile2", "1 2\n3 4\n", "second.txt has 2 columns"},
      {"LoadFile2", same_points + "0\n" + "1 1 1 2 nan " + same_points.substr(10) + "0\n",
       "second.txt: specimen 2 has landmark 2 missing. A sample with missing landmarks cannot be superimposed"},
      {"LoadFile2", testing::number(2) + " " + same_points.substr(2) + "0\n" + same_points + "0\n",
       "second.txt: specimen 2 has zero centroid size"},
      {"LoadFile2", same_points + "0\n" + huge_points + "0\n",
       "second.txt: Specimen 2 of the second sample: the coordinates are too large"},
  };
  for (const auto& c : cases) {
    const auto file = dir_.write("second.txt", c.file_text);
    port_.answer({file.string()});
    EXPECT_EQ(d_.vm3sw(c.action), Outcome::failed) << c.action << " " << c.message;
    EXPECT_NE(port_.console_text().find(c.message), std::string::npos) << c.message;
    EXPECT_EQ(d_.state().data1, before.data1);
    EXPECT_EQ(d_.state().data1cs, before.data1cs);
    EXPECT_EQ(d_.state().rbreak, before.rbreak);
    EXPECT_EQ(d_.state().mean1, before.mean1);
    EXPECT_EQ(d_.state().data2, before.data2);
    EXPECT_EQ(d_.state().mean2, before.mean2);
    EXPECT_EQ(port_.graphics().figures().size(), figures);
    EXPECT_EQ(port_.control_string("FileBox2"), box);
  }
}

TEST_F(LoadStudy, ASmallerNewSampleReplacesTheOldOneWhole) {
  d_.mutable_state().wireactive = 1;
  Points shape = digitised_shape();
  const auto file = dir_.write(
      "two.txt", testing::tps_specimen(shape) + testing::tps_specimen(testing::moved_keeping_markers(
                                                    shape, kCode, 3, Eigen::Matrix3d::Identity(), {1, 1, 1})));
  port_.answer({file.string()});
  ASSERT_EQ(d_.vm3sw("LoadFile1"), Outcome::done);
  EXPECT_EQ(d_.state().data1.count(), 2);
  EXPECT_EQ(d_.state().data1cs.size(), 2);
  EXPECT_EQ(d_.state().wireactive.value_or(-1), 0);
}

TEST_F(LoadStudy, ReloadAfterClearEchoesTheKeptCurveStartsAsTheyAreOverwritten) {
  ASSERT_EQ(d_.vm3sw("Clear"), Outcome::done);
  EXPECT_EQ(d_.state().rbreak, (Eigen::RowVectorXd(3) << 6, 21, 36).finished());  // Clear keeps it
  const std::size_t seen = port_.events().size();
  port_.answer({first_.string()});
  ASSERT_EQ(d_.vm3sw("LoadFile1"), Outcome::done) << port_.console_text();
  std::vector<Eigen::MatrixXd> echoed;
  for (std::size_t k = seen; k < port_.events().size(); ++k) {
    const Event& e = port_.events()[k];
    if (e.kind == "echo" && e.text("name") == "rbreak") echoed.push_back(std::get<Eigen::MatrixXd>(*e.field("value")));
  }
  // Before the ruler points go the curves start at 12 and 27 and the row is 42
  // long; the entries not yet set still hold the kept (shifted) values.
  ASSERT_EQ(echoed.size(), 3u);
  EXPECT_EQ(echoed[0], (Eigen::MatrixXd(1, 3) << 12, 21, 36).finished());
  EXPECT_EQ(echoed[1], (Eigen::MatrixXd(1, 3) << 12, 27, 36).finished());
  EXPECT_EQ(echoed[2], (Eigen::MatrixXd(1, 3) << 12, 27, 42).finished());
  EXPECT_EQ(d_.state().rbreak, (Eigen::RowVectorXd(3) << 6, 21, 36).finished());
}

TEST(LoadFile2Action, NeedsAFirstSampleBeforeAnyDialog) {
  DialogPort port;
  Dispatcher d(port);
  EXPECT_EQ(d.vm3sw("LoadFile2"), Outcome::failed);
  EXPECT_TRUE(port.dialogs.empty());
  EXPECT_NE(port.console_text().find("No first sample is loaded"), std::string::npos);
  EXPECT_EQ(d.vm3sw("LoadFile1"), Outcome::failed);
  EXPECT_NE(port.console_text().find("No protocol is loaded"), std::string::npos);
  EXPECT_TRUE(port.dialogs.empty());
}

TEST(BatchRunner, WholeStudyRunsAndListdEchoesTheAlignedSample) {
  TempFolder dir;
  dir.write("prot.txt", kProtocol);
  dir.write("first.txt", first_sample_file());
  dir.write("second.txt", second_sample_table(false));
  const auto script = dir.write(
      "study.txt", "LoadProto prot.txt\nLoadFile1 first.txt\nset ZEPButton Value 1\nLoadFile2 second.txt\nListd\n");
  BatchOptions options;
  options.script = script;
  std::ostringstream out, err;
  EXPECT_EQ(run_batch(options, out, err), 0) << err.str();
  EXPECT_NE(out.str().find("[FileBox2]\nsecond.txt \nhas 3 specimens \nwith 12 landmarks\n"), std::string::npos)
      << out.str();
  EXPECT_NE(err.str().find("data1(:,:,3) ="), std::string::npos);
}

}  // namespace
}  // namespace velmora
