// The thin-plate spline: it interpolates, an affine change stays affine and
// costs no bending energy, and a singular system is refused by name.
#include <gtest/gtest.h>

#include <random>

#include "geometry/tps_bending_energy.h"
#include "geometry/tps_system.h"
#include "geometry/tps_warp.h"
#include "runtime/error.h"

namespace velmora {
namespace {

Eigen::MatrixXd random_points(Eigen::Index rows, Eigen::Index dimension, std::mt19937_64& rng) {
  std::normal_distribution<double> normal;
  Eigen::MatrixXd x(rows, dimension);
  for (Eigen::Index k = 0; k < x.size(); ++k) x(k) = normal(rng);
  return x;
}

class TpsTest : public ::testing::TestWithParam<int> {};

TEST_P(TpsTest, WarpCarriesEveryLandmarkOntoItsTarget) {
  const int m = GetParam();
  std::mt19937_64 rng(m);
  const Eigen::MatrixXd source = random_points(12, m, rng);
  const Eigen::MatrixXd target = source + 0.2 * random_points(12, m, rng);
  // A grid node placed on a landmark lands on its target; the others move smoothly.
  Eigen::MatrixXd points(3, m);
  points.row(0) = source.row(4);
  points.row(1) = source.row(9);
  points.row(2) = (source.row(4) + source.row(9)) / 2;
  const Eigen::MatrixXd warped = tps_warp(source, target, points);
  EXPECT_LT((warped.row(0) - target.row(4)).norm(), 1e-10);
  EXPECT_LT((warped.row(1) - target.row(9)).norm(), 1e-10);
  EXPECT_GT((warped.row(2) - points.row(2)).norm(), 1e-3);
  EXPECT_LT((tps_warp(source, target, source) - target).cwiseAbs().maxCoeff(), 1e-10);
}

TEST_P(TpsTest, AffineChangeWarpsAffinelyWithZeroBendingEnergy) {
  const int m = GetParam();
  std::mt19937_64 rng(10 + m);
  const Eigen::MatrixXd source = random_points(15, m, rng);
  const Eigen::MatrixXd a = Eigen::MatrixXd::Identity(m, m) + 0.3 * random_points(m, m, rng);
  const Eigen::RowVectorXd shift = random_points(1, m, rng);
  const auto affine = [&](const Eigen::MatrixXd& x) -> Eigen::MatrixXd { return (x * a).rowwise() + shift; };
  const Eigen::MatrixXd grid = 2 * random_points(40, m, rng);  // points well outside the landmarks too
  EXPECT_LT((tps_warp(source, affine(source), grid) - affine(grid)).cwiseAbs().maxCoeff(), 1e-9);

  const Eigen::MatrixXd lp = tps_bending_energy(source);
  ASSERT_EQ(lp.rows(), 15);
  ASSERT_EQ(lp.cols(), 15);
  EXPECT_LT((affine(source).transpose() * lp * affine(source)).trace(), 1e-9);
  const Eigen::MatrixXd bent = source + 0.2 * random_points(15, m, rng);
  // A non-affine change bends: positive with r^2 log r^2, negative with r (the kernel's sign).
  EXPECT_GT((m == 2 ? 1 : -1) * (bent.transpose() * lp * bent).trace(), 1e-3);
}

INSTANTIATE_TEST_SUITE_P(PlaneAndSpace, TpsTest, ::testing::Values(2, 3));

TEST(TpsSystem, KernelAndLayout) {
  EXPECT_EQ(tps_kernel(0, 2), 0);
  EXPECT_DOUBLE_EQ(tps_kernel(2, 2), 4 * std::log(4.0));
  EXPECT_EQ(tps_kernel(2, 3), 2);
  Eigen::MatrixXd x(4, 2);
  x << 0, 0, 1, 0, 0, 1, 1, 1;
  const Eigen::MatrixXd l = tps_system(x);
  ASSERT_EQ(l.rows(), 7);
  EXPECT_TRUE(l.isApprox(l.transpose()));
  EXPECT_DOUBLE_EQ(l(0, 3), tps_kernel(std::sqrt(2.0), 2));
  EXPECT_EQ(l(2, 4), 1);
  EXPECT_EQ(l(3, 6), 1);  // landmark 4's y
  EXPECT_TRUE(l.bottomRightCorner(3, 3).isZero(0));
}

TEST(TpsSystem, SingularSystemsAreRefusedByName) {
  struct Case {
    Eigen::MatrixXd landmarks;
    const char* message;
  };
  Eigen::MatrixXd twice(5, 2), line(4, 2), plane(5, 3);
  twice << 0, 0, 1, 0, 0, 1, 1, 1, 1, 0;
  line << 0, 0, 1, 1, 2, 2, 3, 3;
  plane << 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 2, 3, 0;
  for (const Case& c :
       {Case{twice, "Landmarks 2 and 5 coincide"}, Case{line, "lie on one line"}, Case{plane, "lie in one plane"}}) {
    try {
      tps_system(c.landmarks);
      ADD_FAILURE() << c.message;
    } catch (const RuntimeError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace velmora
