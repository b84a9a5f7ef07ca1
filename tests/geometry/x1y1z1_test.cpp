#include "geometry/x1y1z1.h"

#include <gtest/gtest.h>

#include "geometry/vertxy3D.h"
#include "support/shapes.h"

namespace velmora {
namespace {

TEST(X1y1z1, FlattensPointByPointAndEndsWithTheSize) {
  Eigen::MatrixXd x(2, 3);
  x << 1, 2, 3, 4, 5, 6;
  Eigen::RowVectorXd expected(7);
  expected << 1, 2, 3, 4, 5, 6, 9.5;
  EXPECT_EQ(x1y1z1(x, 9.5), expected);
}

TEST(X1y1z1, TwoColumnsLeaveEveryThirdPlaceZero) {
  Eigen::MatrixXd x(3, 2);
  x << 1, 2, 3, 4, 5, 6;
  Eigen::RowVectorXd expected(10);
  expected << 1, 2, 0, 3, 4, 0, 5, 6, 0, 7;
  EXPECT_EQ(x1y1z1(x, 7), expected);
}

TEST(X1y1z1, RoundTripThroughVertxy3DIsExact) {
  const Eigen::MatrixXd x = testing::random_shape(10, 11);
  const Eigen::RowVectorXd row = x1y1z1(x, 3.25);
  ASSERT_EQ(row.size(), 31);
  const Sample back = vertxy3D(row);
  ASSERT_EQ(back.count(), 1);
  EXPECT_EQ(back.values(), x);
  // Without the size column the same configuration comes back.
  EXPECT_EQ(vertxy3D(Eigen::MatrixXd(row.head(30))).values(), x);
}

TEST(Vertxy3D, TableRowsBecomeSpecimensAndExtraColumnsAreDropped) {
  Eigen::MatrixXd table(2, 8);
  table << 1, 2, 3, 4, 5, 6, 7, 8,  //
      10, 20, 30, 40, 50, 60, 70, 80;
  const Sample s = vertxy3D(table);
  ASSERT_EQ(s.points(), 2);
  ASSERT_EQ(s.count(), 2);
  Eigen::MatrixXd first(2, 3), second(2, 3);
  first << 1, 2, 3, 4, 5, 6;
  second << 10, 20, 30, 40, 50, 60;
  EXPECT_EQ(Eigen::MatrixXd(s.specimen(0)), first);
  EXPECT_EQ(Eigen::MatrixXd(s.specimen(1)), second);
}

}  // namespace
}  // namespace velmora
