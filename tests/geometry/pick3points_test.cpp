#include "geometry/pick3points.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "runtime/error.h"

namespace velmora {
namespace {

Eigen::RowVectorXd row(std::vector<double> v) {
  return Eigen::Map<Eigen::RowVectorXd>(v.data(), static_cast<Eigen::Index>(v.size()));
}

/// Points (x, y, z) laid end to end.
Eigen::RowVectorXd points(std::initializer_list<std::array<double, 3>> pts) {
  std::vector<double> v;
  for (const auto& p : pts) v.insert(v.end(), p.begin(), p.end());
  return row(v);
}

struct Case {
  const char* name;
  Eigen::RowVectorXd data;
  double opencode;
  double npts;
  double omitlast;
  Eigen::RowVectorXd expected;
};

const Eigen::RowVectorXd kLine = points({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}});
const Eigen::RowVectorXd kSquare = points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});

std::vector<Case> cases() {
  return {
      {"collinear_open_ended_7", kLine, 0, 7, 0,
       points({{0, 0, 0}, {0.5, 0, 0}, {1, 0, 0}, {1.5, 0, 0}, {2, 0, 0}, {2.5, 0, 0}, {3, 0, 0}})},
      {"collinear_opencode_2_drops_the_end", kLine, 2, 7, 0,
       points({{0, 0, 0}, {0.5, 0, 0}, {1, 0, 0}, {1.5, 0, 0}, {2, 0, 0}, {2.5, 0, 0}})},
      {"closed_square_4", kSquare, 1, 4, 0, points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 0}})},
      {"closed_square_8", kSquare, 1, 8, 0,
       points({{0, 0, 0},
               {0.5, 0, 0},
               {1, 0, 0},
               {1, 0.5, 0},
               {1, 1, 0},
               {0.5, 1, 0},
               {0, 1, 0},
               {0, 0.5, 0},
               {0, 0, 0}})},
      {"closed_square_omitlast", kSquare, 1, 4, 1, points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}})},
      {"open_ended_omitlast", kLine, 3, 4, 1, points({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}})},
      {"two_points_are_the_ends", points({{0, 0, 0}, {1, 2, 2}, {4, 6, 2}}), 0, 2, 0, points({{0, 0, 0}, {4, 6, 2}})},
      {"repeated_point_has_no_effect", points({{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}), 0, 7, 0,
       points({{0, 0, 0}, {0.5, 0, 0}, {1, 0, 0}, {1.5, 0, 0}, {2, 0, 0}, {2.5, 0, 0}, {3, 0, 0}})},
      {"extra_points_on_a_straight_stretch",
       points({{0, 0, 0}, {0.3, 0, 0}, {0.35, 0, 0}, {1, 0, 0}, {2.9, 0, 0}, {3, 0, 0}}), 0, 7, 0,
       points({{0, 0, 0}, {0.5, 0, 0}, {1, 0, 0}, {1.5, 0, 0}, {2, 0, 0}, {2.5, 0, 0}, {3, 0, 0}})},
      {"bend_in_3d", points({{0, 0, 0}, {0, 0, 2}, {0, 2, 2}}), 5, 5, 0,
       points({{0, 0, 0}, {0, 0, 1}, {0, 0, 2}, {0, 1, 2}, {0, 2, 2}})},
  };
}

class Pick3pointsExamples : public ::testing::TestWithParam<Case> {};

TEST_P(Pick3pointsExamples, GivesTheWorkedResult) {
  const Case& c = GetParam();
  const Eigen::RowVectorXd y = pick3points(c.data, c.opencode, c.npts, c.omitlast);
  ASSERT_EQ(y.size(), c.expected.size()) << y;
  EXPECT_LT((y - c.expected).cwiseAbs().maxCoeff(), 1e-12) << y;
}

INSTANTIATE_TEST_SUITE_P(WorkedExamples, Pick3pointsExamples, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Pick3points, EndPointsAreTheDigitisedPointsExactly) {
  const Eigen::RowVectorXd data = points({{0.1, 0.7, -3}, {1.3, 2.9, 0.2}, {-4, 5.5, 1}, {2.2, 2.2, 2.2}});
  const Eigen::RowVectorXd y = pick3points(data, 0, 11);
  ASSERT_EQ(y.size(), 33);
  EXPECT_EQ(y.head(3), data.head(3));
  EXPECT_EQ(y.tail(3), data.tail(3));
  const Eigen::RowVectorXd closed = pick3points(data, 1, 11);
  ASSERT_EQ(closed.size(), 36);
  EXPECT_EQ(closed.tail(3), data.head(3));
}

TEST(Pick3points, SpacingIsEvenAlongTheCurve) {
  const Eigen::RowVectorXd data = points({{0, 0, 0}, {3, 4, 0}, {3, 4, 12}});  // lengths 5 and 12
  const Eigen::RowVectorXd y = pick3points(data, 0, 18);
  for (Eigen::Index i = 1; i < 18; ++i) {
    const double step = (y.segment(3 * i, 3) - y.segment(3 * i - 3, 3)).norm();
    if (i != 5) {  // the step over the corner cuts it
      EXPECT_NEAR(step, 1.0, 1e-12) << i;
    }
  }
}

TEST(Pick3points, SpacingIsAddedUpPointByPoint) {
  // Ten steps of 0.1 along a unit segment: the ninth point lies at 0.1 added
  // eight times (0.7999999999999999), not at 8 times 0.1 (0.8).
  const Eigen::RowVectorXd y = pick3points(points({{0, 0, 0}, {1, 0, 0}}), 0, 11);
  ASSERT_EQ(y.size(), 33);
  double dcur = 0;
  for (int i = 1; i < 10; ++i) {
    dcur += 0.1;
    EXPECT_EQ(y(3 * i), dcur) << i;
  }
  EXPECT_NE(y(3 * 8), 0.8);
  EXPECT_EQ(y(3 * 10), 1.0);
}

TEST(Pick3points, CurvesWithNothingToResampleAreRejected) {
  const std::vector<std::pair<Eigen::RowVectorXd, double>> bad = {
      {points({{1, 2, 3}}), 7},                          // a single point
      {points({{1, 2, 3}, {1, 2, 3}, {1, 2, 3}}), 7},    // all points equal
      {Eigen::RowVectorXd(), 5},                         // no points
      {kLine, 1},                                        // fewer than 2 points asked for
      {kLine, 3.5},                                      // not a whole number
      {kLine, std::numeric_limits<double>::infinity()},  // no number of points
      {kLine, 1e12},                                     // a typo that would ask for terabytes
      {row({1, 2, 3, 4}), 5},                            // not whole points
  };
  for (const auto& [data, n] : bad) EXPECT_THROW(pick3points(data, 0, n), RuntimeError) << data;
  EXPECT_THROW(pick3points(points({{1, 2, 3}}), 1, 4), RuntimeError);
  Eigen::RowVectorXd nan = kLine;
  nan(4) = std::numeric_limits<double>::quiet_NaN();
  EXPECT_THROW(pick3points(nan, 0, 5), RuntimeError);
}

}  // namespace
}  // namespace velmora
