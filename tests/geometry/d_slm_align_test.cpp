#include "geometry/d_slm_align.h"

#include <gtest/gtest.h>

#include "runtime/error.h"
#include "support/shapes.h"

namespace velmora {
namespace {

/// Flat row of a p by 3 curve.
Eigen::RowVectorXd flat(const Eigen::MatrixXd& curve) {
  Eigen::RowVectorXd r(3 * curve.rows());
  for (Eigen::Index i = 0; i < curve.rows(); ++i) r.segment(3 * i, 3) = curve.row(i);
  return r;
}

/// An arc of a circle in the xy plane: p points, radius 2.
Eigen::MatrixXd arc(Eigen::Index p, double turn = 1.5) {
  Eigen::MatrixXd c(p, 3);
  for (Eigen::Index i = 0; i < p; ++i) {
    const double t = turn * static_cast<double>(i) / static_cast<double>(p - 1);
    c.row(i) << 2 * std::cos(t), 2 * std::sin(t), 0.1 * static_cast<double>(i);
  }
  return c;
}

TEST(DSlmAlign, SpecimenEqualToTheMeanComesBackUnchanged) {
  for (double opencode : {1.0, 2.0, 0.0}) {
    const Eigen::RowVectorXd mean = flat(arc(9));
    Eigen::MatrixXd data(1, mean.size());
    data.row(0) = mean;
    const SlidCurve r = d_slm_align(mean, data, opencode);
    EXPECT_EQ(r.y, data) << opencode;
    EXPECT_TRUE(r.unslid.empty());
  }
}

TEST(DSlmAlign, OpenCurveKeepsItsEndsAndSlidesItsInnerPoints) {
  const Eigen::RowVectorXd mean = flat(arc(8));
  Eigen::MatrixXd data(3, mean.size());
  for (Eigen::Index j = 0; j < 3; ++j) data.row(j) = flat(arc(8) + 0.05 * testing::random_shape(8, 60 + j));
  const SlidCurve r = d_slm_align(mean, data, 2);
  ASSERT_EQ(r.y.rows(), 3);
  ASSERT_EQ(r.y.cols(), 24);
  for (Eigen::Index j = 0; j < 3; ++j) {
    EXPECT_EQ(r.y.row(j).head(3), data.row(j).head(3));
    EXPECT_EQ(r.y.row(j).tail(3), data.row(j).tail(3));
    EXPECT_NE(r.y.row(j).segment(3, 18), data.row(j).segment(3, 18));
  }
}

TEST(DSlmAlign, ShiftsAlongAStraightMeanComeBackToTheMean) {
  // Mean: 6 points on a line; the specimen's inner points are moved along the
  // line by different amounts, keeping their order, and its ends are the mean's.
  Eigen::MatrixXd mean(6, 3), specimen(6, 3);
  const Eigen::RowVector3d direction = Eigen::RowVector3d(1, 2, 2) / 3.0;
  const double shifts[6] = {0, 0.2, -0.1, 0.3, -0.25, 0};
  for (Eigen::Index i = 0; i < 6; ++i) {
    mean.row(i) = static_cast<double>(i) * direction + Eigen::RowVector3d(1, 1, 1);
    specimen.row(i) = mean.row(i) + shifts[i] * direction;
  }
  Eigen::MatrixXd data(1, 18);
  data.row(0) = flat(specimen);
  const SlidCurve r = d_slm_align(flat(mean), data, 0);
  EXPECT_LT((r.y.row(0) - flat(mean)).cwiseAbs().maxCoeff(), 1e-14);
}

TEST(DSlmAlign, PerpendicularShiftIsUnchanged) {
  // Mean along x; the specimen is moved in y and z only: no deviation along
  // the mean curve, so nothing slides.
  Eigen::MatrixXd mean(7, 3), specimen(7, 3);
  for (Eigen::Index i = 0; i < 7; ++i) {
    mean.row(i) << static_cast<double>(i), 0, 0;
    specimen.row(i) << static_cast<double>(i), 0.3 * std::sin(static_cast<double>(i)), 0.2;
  }
  Eigen::MatrixXd data(1, 21);
  data.row(0) = flat(specimen);
  for (double opencode : {0.0, 2.0}) {
    const SlidCurve r = d_slm_align(flat(mean), data, opencode);
    EXPECT_LT((r.y - data).cwiseAbs().maxCoeff(), 1e-15);
  }
}

TEST(DSlmAlign, ClosedCurveSlidesItsEndsWithWrapAroundTangents) {
  // Mean: a square loop of 4 points, no repeat. The specimen's first point is
  // moved along the wrap-around tangent (M2 - M4), which runs along x here.
  Eigen::MatrixXd mean(4, 3);
  mean << 0, 0, 0, 1, -1, 0, 2, 0, 0, 1, 1, 0;
  Eigen::MatrixXd specimen = mean;
  specimen(0, 0) += 0.1;  // point 1 moved along x, across its tangent (M2 - M4) = (0, -2, 0)
  specimen(3, 1) += 0.1;  // point 4 moved along y, across its tangent (M3 - M1) = (2, 0, 0)
  Eigen::MatrixXd data(1, 12);
  data.row(0) = flat(specimen);
  const SlidCurve open = d_slm_align(flat(mean), data, 2);
  const SlidCurve closed = d_slm_align(flat(mean), data, 1);
  // Open: the ends never move.
  EXPECT_EQ(open.y.row(0).head(3), data.row(0).head(3));
  EXPECT_EQ(open.y.row(0).tail(3), data.row(0).tail(3));
  // Closed, point 1: mean tangent (M2 - M4)/2 = (0,-1,0); specimen tangent
  // S2 - S1 = (0.9,-1,0)/|.|; deviation (0.1,0,0) has no part along m: unmoved.
  EXPECT_LT((closed.y.row(0).head(3) - data.row(0).head(3)).cwiseAbs().maxCoeff(), 1e-15);
  // Point 4 moved along x instead, along its mean tangent (1,0,0): it slides.
  specimen = mean;
  specimen(3, 0) += 0.1;
  data.row(0) = flat(specimen);
  const SlidCurve moved = d_slm_align(flat(mean), data, 1);
  // Specimen tangent at point 4 (backward): S4 - S3 = (-0.9, 1, 0)/|.|.
  const Eigen::Vector3d rt = Eigen::Vector3d(-0.9, 1, 0).normalized();
  const double shift = 0.1 * rt(0);  // d = 0.1, m . rt = rt(0)
  const Eigen::Vector3d expected = Eigen::Vector3d(1.1, 1, 0) - shift * rt;
  EXPECT_LT((moved.y.row(0).tail(3).transpose() - expected).cwiseAbs().maxCoeff(), 1e-15);
  EXPECT_NE(moved.y.row(0).tail(3), data.row(0).tail(3));
}

TEST(DSlmAlign, RepeatPointOfAClosedCurveSlidesIndependently) {
  Eigen::MatrixXd loop = arc(9, 2 * M_PI);  // last point repeats the first (z aside)
  loop.col(2).setZero();
  Eigen::MatrixXd specimen = loop;
  specimen.row(0) += Eigen::RowVector3d(0.02, 0.05, 0);
  specimen.row(8) += Eigen::RowVector3d(0.02, 0.05, 0);
  Eigen::MatrixXd data(1, 27);
  data.row(0) = flat(specimen);
  const SlidCurve r = d_slm_align(flat(loop), data, 1);
  EXPECT_GT((r.y.row(0).head(3) - r.y.row(0).tail(3)).norm(), 1e-6);
}

TEST(DSlmAlign, SpecimenTangentsAreCentralOnlyFromPointThreeToPMinusTwo) {
  // Mean along x. Specimen: point 2 pulled along x by 0.2 and point 3 bent up
  // in y, so the forward difference at point 2 (S3 - S2) differs from the
  // central one (S3 - S1), and the slide of point 2 tells which was used.
  Eigen::MatrixXd mean(6, 3), specimen(6, 3);
  for (Eigen::Index i = 0; i < 6; ++i) mean.row(i) << static_cast<double>(i), 0, 0;
  specimen = mean;
  specimen(1, 0) += 0.2;
  specimen(2, 1) += 0.5;
  Eigen::MatrixXd data(1, 18);
  data.row(0) = flat(specimen);
  const SlidCurve r = d_slm_align(flat(mean), data, 0);
  const Eigen::Vector3d s2(1.2, 0, 0);
  const Eigen::Vector3d rt = (Eigen::Vector3d(2, 0.5, 0) - s2).normalized();  // forward
  const Eigen::Vector3d expected = s2 - 0.2 * rt(0) * rt;
  EXPECT_LT((r.y.row(0).segment(3, 3).transpose() - expected).cwiseAbs().maxCoeff(), 1e-15);
}

TEST(DSlmAlign, EveryTangentComesFromTheUnslidRow) {
  const Eigen::RowVectorXd mean = flat(arc(7));
  Eigen::MatrixXd data(2, 21);
  data.row(0) = flat(arc(7) + 0.1 * testing::random_shape(7, 3));
  data.row(1) = data.row(0);
  const SlidCurve both = d_slm_align(mean, data, 0);
  Eigen::MatrixXd one = data.topRows(1);
  const SlidCurve single = d_slm_align(mean, one, 0);  // md = 1 works
  EXPECT_EQ(single.y.row(0), both.y.row(0));
  EXPECT_EQ(both.y.row(1), both.y.row(0));
  // Point by point against a direct computation from the unslid row.
  const Eigen::RowVectorXd s = data.row(0);
  for (Eigen::Index i = 1; i < 6; ++i) {
    const Eigen::Vector3d m = (mean.segment(3 * i + 3, 3) - mean.segment(3 * i - 3, 3)).normalized().transpose();
    Eigen::RowVector3d t;
    if (i + 1 > 2 && i + 1 < 6)
      t = s.segment(3 * i + 3, 3) - s.segment(3 * i - 3, 3);
    else if (i + 1 > 2)
      t = s.segment(3 * i, 3) - s.segment(3 * i - 3, 3);
    else
      t = s.segment(3 * i + 3, 3) - s.segment(3 * i, 3);
    const Eigen::Vector3d rt = t.transpose().normalized();
    const double d = (s.segment(3 * i, 3) - mean.segment(3 * i, 3)).dot(m.transpose());
    const Eigen::Vector3d expected = s.segment(3 * i, 3).transpose() - d * m.dot(rt) * rt;
    EXPECT_LT((both.y.row(0).segment(3 * i, 3).transpose() - expected).cwiseAbs().maxCoeff(), 1e-14) << i;
  }
}

TEST(DSlmAlign, EqualConsecutivePointsLeaveThatPointAndAreListed) {
  const Eigen::RowVectorXd mean = flat(arc(6));
  Eigen::MatrixXd specimen = arc(6) + 0.05 * testing::random_shape(6, 12);
  specimen.row(4) = specimen.row(3);  // points 4 and 5 equal: point 5 uses S5 - S4
  Eigen::MatrixXd data(2, 18);
  data.row(0) = flat(arc(6) + 0.05 * testing::random_shape(6, 13));
  data.row(1) = flat(specimen);
  const SlidCurve r = d_slm_align(mean, data, 0);
  EXPECT_TRUE(r.y.allFinite());
  ASSERT_EQ(r.unslid.size(), 1u);
  EXPECT_EQ(r.unslid[0].specimen, 2);
  EXPECT_EQ(r.unslid[0].point, 5);
  EXPECT_EQ(r.y.row(1).segment(12, 3), data.row(1).segment(12, 3));
  // The other points of that specimen still slide.
  EXPECT_NE(r.y.row(1).segment(9, 3), data.row(1).segment(9, 3));
  // Equal points 1 and 2 of a closed curve: point 1 (forward S2 - S1) cannot slide.
  Eigen::MatrixXd closed = arc(6) + 0.05 * testing::random_shape(6, 14);
  closed.row(1) = closed.row(0);
  data.row(1) = flat(closed);
  const SlidCurve c = d_slm_align(mean, data, 1);
  ASSERT_EQ(c.unslid.size(), 1u);
  EXPECT_EQ(c.unslid[0].specimen, 2);
  EXPECT_EQ(c.unslid[0].point, 1);
  EXPECT_EQ(c.y.row(1).head(3), data.row(1).head(3));
  EXPECT_TRUE(c.y.allFinite());
}

TEST(DSlmAlign, FlatMeanTangentKeepsThePointForEverySpecimen) {
  Eigen::MatrixXd mean = arc(5);
  mean.row(3) = mean.row(1);  // the central difference at point 3 is zero
  Eigen::MatrixXd data(2, 15);
  data.row(0) = flat(arc(5) + 0.05 * testing::random_shape(5, 1));
  data.row(1) = flat(arc(5) + 0.05 * testing::random_shape(5, 2));
  const SlidCurve r = d_slm_align(flat(mean), data, 0);
  ASSERT_EQ(r.unslid.size(), 1u);
  EXPECT_EQ(r.unslid[0].specimen, 0);
  EXPECT_EQ(r.unslid[0].point, 3);
  EXPECT_EQ(r.y.col(6), data.col(6));
  EXPECT_TRUE(r.y.allFinite());
}

TEST(DSlmAlign, ShortCurvesAndMismatchedRowsAreRejected) {
  Eigen::MatrixXd two(1, 6);
  two << 0, 0, 0, 1, 0, 0;
  EXPECT_THROW(d_slm_align(two.row(0), two, 0), RuntimeError);
  Eigen::MatrixXd three(1, 9);
  three << 0, 0, 0, 1, 0, 0, 2, 0, 0;
  EXPECT_NO_THROW(d_slm_align(three.row(0), three, 0));
  EXPECT_THROW(d_slm_align(three.row(0), two, 0), RuntimeError);
}

}  // namespace
}  // namespace velmora
