#include "geometry/centsize3D.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/centsize3Da.h"
#include "support/shapes.h"

namespace velmora {
namespace {

TEST(Centsize3D, SquareOfSideTwoHasSizeTwoRootTwoAndIsCentred) {
  Eigen::MatrixXd x(4, 3);
  x << 0, 0, 5, 2, 0, 5, 2, 2, 5, 0, 2, 5;
  const CentredConfiguration r = centsize3D(x);
  Eigen::MatrixXd expected(4, 3);
  expected << -1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0;
  EXPECT_EQ(r.y, expected);
  EXPECT_DOUBLE_EQ(r.ycs, std::sqrt(8.0));
  EXPECT_EQ(centsize3Da(x), r.ycs);
}

TEST(Centsize3D, CoincidentPointsAndSinglePointHaveSizeZero) {
  for (const Eigen::MatrixXd& x :
       {Eigen::MatrixXd(Eigen::MatrixXd::Constant(5, 3, 2.5)), Eigen::MatrixXd(Eigen::RowVector3d(1, -2, 3))}) {
    const CentredConfiguration r = centsize3D(x);
    EXPECT_EQ(r.ycs, 0.0);
    EXPECT_TRUE(r.y.isZero(0.0));
    EXPECT_EQ(centsize3Da(x), 0.0);
  }
}

TEST(Centsize3D, SizeIgnoresTranslationAndScalesWithTheShape) {
  const Eigen::MatrixXd x = testing::random_shape(12, 7);
  const double size = centsize3Da(x);
  const Eigen::MatrixXd moved = x.rowwise() + Eigen::RowVector3d(10, -3, 0.5);
  EXPECT_NEAR(centsize3Da(moved), size, 1e-12);
  EXPECT_NEAR(centsize3Da(3.5 * x), 3.5 * size, 1e-12);
  // The definition, computed independently: root of summed squared distances
  // from the centroid, not divided by the number of points.
  const Eigen::RowVector3d centroid = x.colwise().mean();
  double sum = 0;
  for (Eigen::Index i = 0; i < x.rows(); ++i) sum += (x.row(i) - centroid).squaredNorm();
  EXPECT_NEAR(size, std::sqrt(sum), 1e-12);
}

TEST(Centsize3D, CentredUnitConfigurationComesBackUnchanged) {
  const Eigen::MatrixXd x = testing::unit_centred(testing::random_shape(9, 3));
  const CentredConfiguration r = centsize3D(x);
  EXPECT_NEAR(r.ycs, 1.0, 1e-14);
  EXPECT_TRUE(r.y.isApprox(x, 1e-14));
}

TEST(Centsize3D, TwoColumnConfigurationsAreCentredOnBothColumns) {
  Eigen::MatrixXd x(3, 2);
  x << 0, 0, 3, 0, 0, 4;
  const CentredConfiguration r = centsize3D(x);
  EXPECT_NEAR(r.y.col(0).sum(), 0.0, 1e-15);
  EXPECT_NEAR(r.y.col(1).sum(), 0.0, 1e-15);
  // Squared distances from (1, 4/3): 1 + 16/9, 4 + 16/9, 1 + 64/9.
  EXPECT_NEAR(r.ycs, std::sqrt(6.0 + 96.0 / 9.0), 1e-14);
}

TEST(Centsize3D, SumsEachColumnFirstThenTheColumnSums) {
  // A configuration whose squares add up to different last bits when summed
  // point by point instead of column by column.
  Eigen::MatrixXd x(4, 3);
  x << -4.0, -9.4, 7.3, -0.5, 4.4, 7.6, 4.3, 8.4, -2.1, 6.0, -1.1, 8.7;
  double columns[3];
  Eigen::MatrixXd squares(4, 3);
  for (int j = 0; j < 3; ++j) {
    double sum = 0;
    for (int k = 0; k < 4; ++k) sum += x(k, j);
    const double mean = sum / 4;
    columns[j] = 0;
    for (int k = 0; k < 4; ++k) {
      squares(k, j) = (x(k, j) - mean) * (x(k, j) - mean);
      columns[j] += squares(k, j);
    }
  }
  const double by_columns = std::pow(columns[0] + columns[1] + columns[2], 0.5);
  double by_points = 0;
  for (int k = 0; k < 4; ++k) by_points += squares(k, 0) + squares(k, 1) + squares(k, 2);
  ASSERT_NE(std::sqrt(by_points), by_columns);  // the case tells the two orders apart
  EXPECT_EQ(centsize3D(x).ycs, by_columns);
  EXPECT_EQ(centsize3Da(x), by_columns);
}

}  // namespace
}  // namespace velmora
