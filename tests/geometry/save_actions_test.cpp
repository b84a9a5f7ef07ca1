#include "geometry/save_actions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "geometry/vertxy3D.h"
#include "runtime/error.h"
#include "runtime/headless/headless_port.h"
#include "support/shapes.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

/// A headless port that also keeps the filter and title of every save dialog.
class DialogPort : public HeadlessPort {
 public:
  DialogPort() { keep_events(); }
  std::optional<FileChoice> save_file(std::string_view filter, std::string_view title) override {
    dialogs.emplace_back(std::string(filter), std::string(title));
    return HeadlessPort::save_file(filter, title);
  }
  std::vector<std::pair<std::string, std::string>> dialogs;
};

class SaveActions : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("velmora_save_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  void answer(std::vector<std::string> answers) { port_.set_answers(std::move(answers), folder_); }

  std::string read(const std::string& name) const {
    std::ifstream in(folder_ / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::vector<const Event*> events(const std::string& kind) const {
    std::vector<const Event*> out;
    for (const Event& e : port_.events())
      if (e.kind == kind) out.push_back(&e);
    return out;
  }

  std::vector<std::string> echo_names() const {
    std::vector<std::string> out;
    for (const Event* e : events("echo")) out.push_back(e->text("name"));
    return out;
  }

  fs::path folder_;
  DialogPort port_;
};

/// Two specimens of two points whose values need every form of "%g".
struct SmallSample {
  Sample data{2, 2};
  Eigen::RowVectorXd sizes{2};
  SmallSample() {
    data.specimen(0) << 2, 0.5, -0.25, 0.123456789, 0.0000123456789, 0;
    data.specimen(1) << 1000000, 123456, -7, 3.5, 0.0001, 0;
    sizes << 10, 2.5;
  }
};

TEST_F(SaveActions, SaveFile1WritesTheFormatToTheByte) {
  const SmallSample s;
  answer({"out.txt"});
  const SaveOutcome outcome = save_file1(s.data, s.sizes, port_);
  ASSERT_TRUE(outcome.fname1);
  EXPECT_EQ(*outcome.fname1, "out.txt");
  const std::string expected =
      "2 0.5 -0.25 0.123457 1.23457e-05 0 10  \n"
      "1e+06 123456 -7 3.5 0.0001 0 2.5  \n";
  EXPECT_EQ(read("out.txt"), expected);
  const auto files = events("file");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0]->number("bytes"), static_cast<double>(expected.size()));
  EXPECT_EQ(fs::path(files[0]->text("path")), folder_ / "out.txt");
}

TEST_F(SaveActions, SaveFile2DLeavesOutEveryZ) {
  const SmallSample s;
  answer({"out2d.txt"});
  save_file2d(s.data, s.sizes, port_);
  EXPECT_EQ(read("out2d.txt"),
            "2 0.5 0.123457 1.23457e-05 10  \n"
            "1e+06 123456 3.5 0.0001 2.5  \n");
}

TEST_F(SaveActions, SaveFile2WritesTheSecondSample) {
  const SmallSample s;
  answer({"second.txt"});
  save_file2(s.data, s.sizes, port_);
  EXPECT_EQ(read("second.txt"),
            "2 0.5 -0.25 0.123457 1.23457e-05 0 10  \n"
            "1e+06 123456 -7 3.5 0.0001 0 2.5  \n");
}

TEST(SavedFileText, ValuesOneAndTwoMakeOneTwoAndTwoSpaces) {
  Eigen::MatrixXd t(1, 2);
  t << 1, 2;
  EXPECT_EQ(saved_file_text(t), "1 2  \n");
}

/// Counts the values on each line.
std::vector<int> values_per_line(const std::string& text) {
  std::vector<int> counts;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream values(line);
    int n = 0;
    double v;
    while (values >> v) ++n;
    counts.push_back(n);
  }
  return counts;
}

TEST_F(SaveActions, ThreeSpecimensOfTenPointsGiveThreeLinesOf31And21Values) {
  Sample data(10, 3);
  for (Eigen::Index i = 0; i < 3; ++i) data.specimen(i) = testing::random_shape(10, 50 + static_cast<unsigned>(i));
  const Eigen::RowVectorXd sizes = Eigen::RowVectorXd::Constant(3, 4.0);
  answer({"a.txt", "b.txt"});
  save_file1(data, sizes, port_);
  save_file2d(data, sizes, port_);
  EXPECT_EQ(values_per_line(read("a.txt")), (std::vector<int>{31, 31, 31}));
  EXPECT_EQ(values_per_line(read("b.txt")), (std::vector<int>{21, 21, 21}));
}

TEST_F(SaveActions, WrittenFileReadsBackToSixSignificantDigits) {
  Sample data(6, 2);
  data.specimen(0) = testing::unit_centred(testing::random_shape(6, 1));
  data.specimen(1) = testing::unit_centred(testing::random_shape(6, 2));
  answer({"round.txt"});
  save_file1(data, Eigen::RowVector2d(3.5, 1.25), port_);
  std::istringstream in(read("round.txt"));
  Eigen::MatrixXd table(2, 19);
  for (Eigen::Index r = 0; r < 2; ++r)
    for (Eigen::Index c = 0; c < 19; ++c) in >> table(r, c);
  const Sample back = vertxy3D(table);
  EXPECT_LT((back.values() - data.values()).cwiseAbs().maxCoeff(), 5e-6);
  EXPECT_EQ(table(1, 18), 1.25);
}

TEST_F(SaveActions, CancelledDialogWritesNothing) {
  const SmallSample s;
  answer({"cancel"});
  const SaveOutcome outcome = save_file1(s.data, s.sizes, port_);
  EXPECT_FALSE(outcome.fname1);
  EXPECT_TRUE(fs::is_empty(folder_));
  EXPECT_TRUE(events("file").empty());
}

TEST_F(SaveActions, EveryActionAsksWithTheSameFilterAndTitle) {
  const SmallSample s;
  Eigen::MatrixXd mean1 = s.data.specimen(0);
  Eigen::MatrixXd proto = Eigen::MatrixXd::Zero(6, 1);  // no curves
  const Eigen::RowVectorXd rbreak = Eigen::RowVectorXd::Constant(1, 6);
  answer({"1.txt", "2.txt", "3.txt", "4.txt", "5.txt"});
  save_file1(s.data, s.sizes, port_);
  save_file2d(s.data, s.sizes, port_);
  save_aligned_file1(s.data, s.sizes, mean1, proto, rbreak, port_);
  save_aligned_file2d(s.data, s.sizes, mean1, proto, rbreak, port_);
  save_file2(s.data, s.sizes, port_);
  const std::pair<std::string, std::string> expected{"*.*", "File Name for x1y1z1..cs File"};
  EXPECT_EQ(port_.dialogs, (std::vector<std::pair<std::string, std::string>>(5, expected)));
}

TEST_F(SaveActions, NoSampleIsReportedBeforeAnyDialog) {
  // No answers: a dialog would end the run with PortAbort instead of a message.
  const Sample empty;
  const Eigen::RowVectorXd none;
  for (auto action : {+[](const Sample&d, const Eigen::RowVectorXd&c, UiPort&ui) { save_file1(d, c, ui); },
                      +[](const Sample&d, const Eigen::RowVectorXd&c, UiPort&ui) { save_file2d(d, c, ui); },
                      +[](const Sample&d, const Eigen::RowVectorXd&c, UiPort&ui) { save_file2(d, c, ui); },
                      +[](const Sample&d, const Eigen::RowVectorXd&c, UiPort&ui) {
                        save_aligned_file1(d, c, Eigen::MatrixXd(), Eigen::MatrixXd(), Eigen::RowVectorXd(), ui);
                      },
                      +[](const Sample&d, const Eigen::RowVectorXd&c, UiPort&ui) {
                        save_aligned_file2d(d, c, Eigen::MatrixXd(), Eigen::MatrixXd(), Eigen::RowVectorXd(), ui);
                      }}) {
    try {
      action(empty, none, port_);
      FAIL() << "no error";
    } catch (const RuntimeError& e) {
      EXPECT_NE(std::string(e.what()).find("sample to save"), std::string::npos) << e.what();
    }
  }
  EXPECT_TRUE(port_.events().empty());
}

TEST_F(SaveActions, UnwritableTargetNamesThePathAndLeavesNothing) {
  const SmallSample s;
  answer({"missing-folder/out.txt"});
  try {
    save_file1(s.data, s.sizes, port_);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("missing-folder/out.txt"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(SaveActions, ExistingFileIsReplacedWhole) {
  const SmallSample s;
  {
    std::ofstream old(folder_ / "out.txt");
    old << std::string(5000, 'x');
  }
  answer({"out.txt"});
  save_file1(s.data, s.sizes, port_);
  EXPECT_EQ(read("out.txt").substr(0, 4), "2 0.");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);  // no temporary left
}

// ---- aligned saves ----

/// A first sample of 4 specimens: 2 fixed landmarks, then an open curve of 5
/// points and a closed curve of 5 points (4 and the repeat), superimposed.
struct Study {
  Sample data1;
  Eigen::RowVectorXd data1cs;
  Eigen::MatrixXd mean1;
  Eigen::MatrixXd proto;
  Eigen::RowVectorXd rbreak;
};

Study make_study(bool with_curves) {
  Study s;
  const Eigen::Index p = 12;
  Eigen::MatrixXd base(p, 3);
  base << 0, 0, 0, 1, 0, 0,                                         // fixed
      0, 1, 0, 0.5, 1.2, 0.1, 1, 1.3, 0.2, 1.5, 1.2, 0.1, 2, 1, 0,  // open curve
      3, 0, 0, 3.5, 0.5, 0, 3, 1, 0, 2.5, 0.5, 0, 3, 0, 0;          // closed, repeat last
  s.data1 = Sample(p, 4);
  for (Eigen::Index i = 0; i < 4; ++i)
    s.data1.specimen(i) = testing::unit_centred(base + 0.03 * testing::random_shape(p, 70 + static_cast<unsigned>(i)));
  s.data1cs = Eigen::RowVectorXd(4);
  s.data1cs << 11, 12.5, 0.00012, 9;
  s.mean1 = testing::unit_centred(base);
  if (with_curves) {
    s.proto = Eigen::MatrixXd(10, 1);
    s.proto << 0, 0, 0, 0, 2, -999, 2, 6, 1, 4;
    s.rbreak = Eigen::RowVectorXd(3);
    s.rbreak << 6, 21, 36;
  } else {
    s.proto = Eigen::MatrixXd(6, 1);
    s.proto << 0, 0, 0, 0, 0, -999;
    s.rbreak = Eigen::RowVectorXd::Constant(1, 36);
  }
  return s;
}

TEST_F(SaveActions, AlignedWithNoCurvesWritesWhatSaveFile1Writes) {
  const Study s = make_study(false);
  answer({"plain.txt", "aligned.txt"});
  save_file1(s.data1, s.data1cs, port_);
  save_aligned_file1(s.data1, s.data1cs, s.mean1, s.proto, s.rbreak, port_);
  EXPECT_EQ(read("aligned.txt"), read("plain.txt"));
}

TEST_F(SaveActions, AlignedSaveShowsThePlotAndWaitsBeforeTheDialog) {
  const Study s = make_study(true);
  answer({"aligned.txt"});
  std::size_t answers_at_box = 99;
  port_.on_event([&](const Event& e) {
    if (e.kind == "msgbox") answers_at_box = port_.answers_left();
  });
  const SaveOutcome outcome = save_aligned_file1(s.data1, s.data1cs, s.mean1, s.proto, s.rbreak, port_);
  ASSERT_TRUE(outcome.fname1);
  const auto boxes = events("msgbox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0]->text("text"), "Close this box to continue saving aligned data");
  EXPECT_EQ(boxes[0]->text("title"), "Semi_Landmarks Aligned");
  EXPECT_EQ(std::get<bool>(*boxes[0]->field("modal")), true);
  EXPECT_EQ(answers_at_box, 1u);  // the dialog had not been shown yet
  EXPECT_EQ(echo_names(), (std::vector<std::string>{"fgg2"}));
  // The new window is current and titled.
  Graphics& g = port_.graphics();
  const Handle fig = g.current_figure();
  EXPECT_EQ(events("echo")[0]->number("value"), static_cast<double>(fig));
  const GraphicsObject& axes = g.object(g.axes_of(fig));
  ASSERT_NE(axes.title, 0);
  EXPECT_EQ(g.object(axes.title).string, "Semi-landmark Aligned Data");
  // The mean ("r*") and the 4 specimens ("bo").
  EXPECT_EQ(axes.children.size(), 5u);
}

TEST_F(SaveActions, AlignedFileHoldsSlidRowsWithFixedColumnsAndSizesKept) {
  const Study s = make_study(true);
  answer({"plain.txt", "aligned.txt"});
  save_file1(s.data1, s.data1cs, port_);
  save_aligned_file1(s.data1, s.data1cs, s.mean1, s.proto, s.rbreak, port_);
  std::istringstream plain(read("plain.txt")), aligned(read("aligned.txt"));
  for (int r = 0; r < 4; ++r) {
    Eigen::RowVectorXd a(37), b(37);
    for (int c = 0; c < 37; ++c) plain >> a(c);
    for (int c = 0; c < 37; ++c) aligned >> b(c);
    EXPECT_EQ(a.head(6), b.head(6)) << "fixed landmarks, row " << r;
    EXPECT_EQ(a(36), b(36)) << "centroid size, row " << r;
    EXPECT_EQ(a.segment(6, 3), b.segment(6, 3)) << "open curve start, row " << r;
    EXPECT_EQ(a.segment(18, 3), b.segment(18, 3)) << "open curve end, row " << r;
    EXPECT_NE(a.segment(9, 9), b.segment(9, 9)) << "open curve inner points, row " << r;
    EXPECT_NE(a.segment(21, 3), b.segment(21, 3)) << "closed curve slides its first point, row " << r;
  }
}

TEST_F(SaveActions, Aligned2DEchoesLabelsCameraAndTheTable) {
  const Study s = make_study(true);
  answer({"aligned2d.txt"});
  save_aligned_file2d(s.data1, s.data1cs, s.mean1, s.proto, s.rbreak, port_);
  EXPECT_EQ(echo_names(),
            (std::vector<std::string>{"fgg2", "ma", "na", "counta", "md", "nd", "count", "tempa", "data1cs"}));
  const auto echoes = events("echo");
  EXPECT_EQ(echoes[1]->number("value"), 12);
  EXPECT_EQ(echoes[2]->number("value"), 3);
  EXPECT_EQ(echoes[3]->number("value"), 1);
  EXPECT_EQ(echoes[6]->number("value"), 4);
  EXPECT_EQ(values_per_line(read("aligned2d.txt")), (std::vector<int>(4, 25)));
  // Last value of each line: the size before superimposition.
  std::istringstream in(read("aligned2d.txt"));
  for (int r = 0; r < 4; ++r) {
    double v = 0;
    for (int c = 0; c < 25; ++c) in >> v;
    EXPECT_NEAR(v, s.data1cs(r), 1e-6 * s.data1cs(r));
  }
  Graphics& g = port_.graphics();
  const GraphicsObject& axes = g.object(g.axes_of(g.current_figure()));
  ASSERT_TRUE(axes.camera_position);
  EXPECT_EQ(*axes.camera_position, Eigen::Vector3d(0, 0, 10));
  EXPECT_EQ(g.object(axes.title).string, "Semi-landmark Aligned Data");
  // Labels "-1" .. "-12" at the mean's points moved 0.01 along x.
  const GraphicsObject* mean = nullptr;
  for (Handle child : axes.children)
    if (g.object(child).type == ObjectType::line && g.object(child).marker == "*") mean = &g.object(child);
  ASSERT_NE(mean, nullptr);
  std::vector<std::string> labels;
  for (Handle child : axes.children) {
    const GraphicsObject& o = g.object(child);
    if (o.type != ObjectType::text) continue;
    labels.push_back(o.string);
    ASSERT_EQ(o.string[0], '-');
    const int i = std::stoi(o.string.substr(1)) - 1;
    ASSERT_GE(i, 0);
    ASSERT_LT(i, 12);
    EXPECT_EQ(o.text_position, Eigen::Vector3d(mean->x(i) + 0.01, mean->y(i), mean->z(i))) << o.string;
  }
  EXPECT_EQ(labels.size(), 12u);
}

TEST_F(SaveActions, Aligned2DBoxComesBeforeTheDialogAndTheTableAfterIt) {
  const Study s = make_study(true);
  answer({"aligned2d.txt"});
  std::vector<std::string> steps;
  port_.on_event([&](const Event& e) {
    if (e.kind == "echo") steps.push_back(e.text("name") + "@" + std::to_string(port_.answers_left()));
    if (e.kind == "msgbox") steps.push_back("box@" + std::to_string(port_.answers_left()));
  });
  save_aligned_file2d(s.data1, s.data1cs, s.mean1, s.proto, s.rbreak, port_);
  EXPECT_EQ(steps, (std::vector<std::string>{"fgg2@1", "ma@1", "na@1", "counta@1", "box@1", "md@0", "nd@0", "count@0",
                                             "tempa@0", "data1cs@0"}));
  // In the axes: the mean, then its labels, then the specimens (oldest first).
  Graphics& g = port_.graphics();
  std::vector<Handle> children = g.object(g.axes_of(g.current_figure())).children;
  std::sort(children.begin(), children.end());
  std::string kinds;
  for (Handle h : children) {
    const GraphicsObject& o = g.object(h);
    kinds += o.type == ObjectType::text ? 't' : (o.marker == "*" ? 'm' : (o.marker == "o" ? 'o' : '?'));
  }
  EXPECT_EQ(kinds, "m" + std::string(12, 't') + "oooo");
}

TEST_F(SaveActions, Aligned2DWritesTheSampleSuperimposedAgainNotTheSlidRows) {
  const Study s = make_study(true);
  answer({"slid.txt", "aligned2d.txt"});
  save_aligned_file1(s.data1, s.data1cs, s.mean1, s.proto, s.rbreak, port_);
  save_aligned_file2d(s.data1, s.data1cs, s.mean1, s.proto, s.rbreak, port_);
  // The specimens drawn "bo" are the slid sample superimposed again; the file
  // holds their x and y to the six digits written.
  Graphics& g = port_.graphics();
  std::vector<Handle> children = g.object(g.axes_of(g.current_figure())).children;
  std::sort(children.begin(), children.end());
  std::vector<const GraphicsObject*> specimens;
  for (Handle h : children)
    if (g.object(h).type == ObjectType::line && g.object(h).marker == "o") specimens.push_back(&g.object(h));
  ASSERT_EQ(specimens.size(), 4u);
  std::istringstream in(read("aligned2d.txt")), slid(read("slid.txt"));
  double largest_gap = 0;
  for (int r = 0; r < 4; ++r) {
    Eigen::RowVectorXd line(25), slid_row(37);
    for (int c = 0; c < 25; ++c) in >> line(c);
    for (int c = 0; c < 37; ++c) slid >> slid_row(c);
    for (int j = 0; j < 12; ++j) {
      EXPECT_NEAR(line(2 * j), specimens[r]->x(j), 5e-6) << r << " " << j;
      EXPECT_NEAR(line(2 * j + 1), specimens[r]->y(j), 5e-6) << r << " " << j;
      largest_gap = std::max(largest_gap, std::abs(line(2 * j) - slid_row(3 * j)));
    }
    EXPECT_EQ(line(24), slid_row(36));
  }
  EXPECT_GT(largest_gap, 1e-3);  // the slid rows themselves were not superimposed again
}

TEST_F(SaveActions, Aligned2DCancelledStillEchoesTheTableAndWritesNothing) {
  const Study s = make_study(true);
  answer({"cancel"});
  const SaveOutcome outcome = save_aligned_file2d(s.data1, s.data1cs, s.mean1, s.proto, s.rbreak, port_);
  EXPECT_FALSE(outcome.fname1);
  EXPECT_EQ(echo_names().back(), "data1cs");
  EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(SaveActions, CurveOfTwoPointsIsNamedAndNothingIsShownOrWritten) {
  Study s = make_study(true);
  s.proto(9) = 2;  // curve 2 claims a short range
  s.rbreak << 6, 21, 27;
  try {
    save_aligned_file1(s.data1, s.data1cs, s.mean1, s.proto, s.rbreak, port_);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("Curve 2 has 2 points"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(port_.events().empty());
  EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(SaveActions, ZeroTangentIsReportedOnceNamingSpecimenCurveAndPoint) {
  Study s = make_study(true);
  // Specimen 3: points 1 and 2 of the closed curve (rows 8 and 9) made equal.
  s.data1.specimen(2).row(8) = s.data1.specimen(2).row(7);
  answer({"aligned.txt"});
  save_aligned_file1(s.data1, s.data1cs, s.mean1, s.proto, s.rbreak, port_);
  const auto boxes = events("msgbox");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0]->text("text").find("specimen 3, curve 2, point 1"), std::string::npos) << boxes[0]->text("text");
  std::istringstream in(read("aligned.txt"));
  Eigen::MatrixXd rows(4, 37);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 37; ++c) in >> rows(r, c);
  EXPECT_TRUE(rows.allFinite());
}

}  // namespace
}  // namespace velmora
