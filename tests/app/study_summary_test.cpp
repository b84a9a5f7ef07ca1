// The study summary: what it tells of each sample, and when two summaries
// show the same study.
#include "app/study_summary.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/working_state.h"

namespace velmora {
namespace {

// A study of two 4-point samples: the first 3D, the second flat (z = 0).
WorkingState small_study() {
  WorkingState s;
  s.proto = Eigen::MatrixXd::Constant(6, 1, 1);
  s.data1 = Sample(4, 3);
  s.data2 = Sample(4, 2);
  for (Eigen::Index k = 0; k < 3; ++k)
    for (Eigen::Index i = 0; i < 4; ++i)
      s.data1.specimen(k).row(i) << double(i), double(k) * 0.1, 1.0 + double(i * k) * 0.01;
  for (Eigen::Index k = 0; k < 2; ++k)
    for (Eigen::Index i = 0; i < 4; ++i) s.data2.specimen(k).row(i) << double(i) + 0.2 * double(k), 1.0, 0.0;
  s.mean1 = s.data1.specimen(0);
  s.mean2 = s.data2.specimen(1);
  s.data1cs = Eigen::RowVector3d(10, 11, 12);
  s.data2cs = Eigen::RowVector2d(9, 8);
  s.names1 = {"a", "b", "c"};
  s.sources.first = "first.tps";
  s.wirelist = Eigen::MatrixXd::Ones(5, 3);
  s.fighand1 = 7;
  return s;
}

TEST(StudySummary, SamplesCarryTheirDistancesDimensionAndNames) {
  const WorkingState s = small_study();
  const StudySummary summary = summarize(s);
  EXPECT_TRUE(summary.has_protocol());
  ASSERT_EQ(summary.first.count(), 3);
  EXPECT_EQ(summary.first.points(), 4);
  EXPECT_EQ(summary.first.names, s.names1);
  EXPECT_EQ(summary.first.dimension, 3);
  EXPECT_EQ(summary.second.dimension, 2);  // every z is 0
  EXPECT_EQ(summary.wireframe_segments, 5);
  EXPECT_EQ(summary.plot_window, std::optional<Handle>(7));
  // Specimen k of the first sample is specimen 0 with y moved by 0.1 k and z
  // by 0.01 i k at point i: the distance is the root of the summed squares.
  for (int k = 0; k < 3; ++k) {
    double squares = 0;
    for (int i = 0; i < 4; ++i) squares += std::pow(0.1 * k, 2) + std::pow(0.01 * i * k, 2);
    EXPECT_NEAR(summary.first.distances(k), std::sqrt(squares), 1e-12) << k;
  }
  EXPECT_NEAR(summary.second.distances(0), std::sqrt(4 * 0.04), 1e-12);

  // A mean of another size leaves the distances unknown, not wrong.
  WorkingState odd = s;
  odd.mean2 = Eigen::MatrixXd::Zero(3, 3);
  const StudySummary unknown = summarize(odd);
  EXPECT_TRUE(std::isnan(unknown.second.distances(0)) && std::isnan(unknown.second.distances(1)));
  EXPECT_TRUE(summarize(WorkingState()).first.empty());
}

// The table's rows, in any order, go to the specimens they name; a specimen
// with no row has empty cells and is not counted in a group.
TEST(StudySummary, TableCellsFollowTheSpecimensByName) {
  WorkingState s = small_study();
  s.table = SpecimenTable{"t.csv",   "id",       {"c", "a", "specimen 2"},
                          {2, 3, 4}, {"g", "n"}, {{"x", "y", "x"}, {"10", "9", "2"}}};
  const StudySummary summary = summarize(s);
  ASSERT_EQ(summary.table.size(), 2u);
  const TableColumn &g = summary.table[0], &n = summary.table[1];
  EXPECT_EQ(g.first, (std::vector<std::string>{"y", "", "x"}));
  EXPECT_EQ(g.second, (std::vector<std::string>{"", "x"}));
  EXPECT_FALSE(g.numeric);
  EXPECT_EQ(g.levels, (std::vector<std::pair<std::string, int>>{{"x", 2}, {"y", 1}}));
  EXPECT_TRUE(n.numeric);
  EXPECT_EQ(n.levels.front().first, "2");  // by value, not as text
  EXPECT_TRUE(summary.table_unmatched.empty());
}

TEST(StudySummary, SameStudyNoticesWhatThePanelShowsAndNotThePlotWindow) {
  const WorkingState s = small_study();
  const StudySummary base = summarize(s);
  WorkingState other_window = s;
  other_window.fighand1 = 8;
  EXPECT_TRUE(same_study(base, summarize(other_window)));

  const std::pair<const char*, void (*)(WorkingState&)> changes[] = {
      {"a moved point", [](WorkingState& w) { w.data1.specimen(2)(3, 1) += 1e-9; }},
      {"a renamed specimen", [](WorkingState& w) { w.names1[1] = "z"; }},
      {"a slid sample", [](WorkingState& w) { w.slid2 = "slid: bending energy"; }},
      {"another file", [](WorkingState& w) { w.sources.second = "other.txt"; }},
      {"a shorter wireframe", [](WorkingState& w) { w.wirelist.conservativeResize(4, 3); }},
      {"the protocol reshaped", [](WorkingState& w) { w.proto.resize(1, 6); }},
      {"no second sample", [](WorkingState& w) { w.data2 = Sample(); }},
      {"a specimen table", [](WorkingState& w) { w.table = SpecimenTable{"t.csv", "id", {"a"}, {2}, {"g"}, {{"x"}}}; }},
      {"a specimen's surface",
       [](WorkingState& w) {
         auto surfaces = std::make_shared<StudySurfaces>();
         surfaces->specimens = {"b"};
         w.surfaces = surfaces;
       }},
  };
  for (const auto& [what, change] : changes) {
    WorkingState changed = s;
    change(changed);
    EXPECT_FALSE(same_study(base, summarize(changed))) << what;
  }
}

}  // namespace
}  // namespace velmora
