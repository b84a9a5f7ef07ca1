#include "geometry/getpproc3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "geometry/centsize3Da.h"
#include "geometry/getpdistance3.h"
#include "geometry/getpprocon3.h"
#include "geometry/partialprocrustes3a.h"
#include "runtime/console.h"
#include "runtime/error.h"
#include "support/shapes.h"

namespace velmora {
namespace {

using testing::random_rotation;
using testing::random_shape;
using testing::sample_of;
using testing::unit_centred;

void expect_unit_and_centred(const Eigen::MatrixXd& x, const char* what) {
  EXPECT_NEAR(centsize3Da(x), 1.0, 1e-13) << what;
  EXPECT_LT(x.colwise().sum().cwiseAbs().maxCoeff(), 1e-13) << what;
}

Sample noisy_sample(Eigen::Index points, int count, unsigned seed) {
  const Eigen::MatrixXd base = random_shape(points, seed);
  std::vector<Eigen::MatrixXd> specimens;
  for (int i = 0; i < count; ++i) {
    const Eigen::MatrixXd noise = 0.1 * random_shape(points, seed * 1000 + i);
    const Eigen::RowVector3d shift(i, -2.0 * i, 0.5);
    specimens.push_back(((1.0 + 0.3 * i) * (base + noise) * random_rotation(seed + i)).rowwise() + shift);
  }
  return sample_of(specimens);
}

TEST(Getpproc3, CopiesOfOneShapeAllAlignOntoTheMean) {
  const Eigen::MatrixXd shape = random_shape(12, 4);
  std::vector<Eigen::MatrixXd> specimens;
  for (int i = 0; i < 6; ++i) {
    Eigen::Matrix3d r = random_rotation(40 + i);
    if (i % 2 == 1) r.col(1) *= -1;  // every other copy mirrored
    specimens.push_back(((0.5 + i) * shape * r).rowwise() + Eigen::RowVector3d(i, 3, -i));
  }
  CaptureConsole console;
  const Superimposition s = getpproc3(sample_of(specimens), &console);
  expect_unit_and_centred(s.mean, "mean");
  for (Eigen::Index i = 0; i < 6; ++i) {
    EXPECT_LT((Eigen::MatrixXd(s.aligned.specimen(i)) - s.mean).cwiseAbs().maxCoeff(), 1e-12) << i;
  }
  EXPECT_LT(getpdistance3(s.mean, s.aligned).maxCoeff(), 1e-12);
  EXPECT_TRUE(console.text().empty());
}

TEST(Getpproc3, EveryAlignedSpecimenAndTheMeanHaveUnitSizeAndZeroMeans) {
  const Superimposition s = getpproc3(noisy_sample(30, 8, 3));
  expect_unit_and_centred(s.mean, "mean");
  for (Eigen::Index i = 0; i < s.aligned.count(); ++i) expect_unit_and_centred(s.aligned.specimen(i), "specimen");
}

TEST(Getpproc3, SpecimenOrderChangesTheMeanOnlyByRounding) {
  const Sample data = noisy_sample(20, 7, 5);
  std::vector<Eigen::Index> order = {4, 0, 6, 2, 1, 5, 3};
  Sample shuffled(data.points(), data.count());
  for (std::size_t i = 0; i < order.size(); ++i)
    shuffled.specimen(static_cast<Eigen::Index>(i)) = data.specimen(order[i]);
  const Superimposition a = getpproc3(data);
  const Superimposition b = getpproc3(shuffled);
  EXPECT_LT((a.mean - b.mean).cwiseAbs().maxCoeff(), 1e-13);
  // The aligned sample keeps the input order.
  for (std::size_t i = 0; i < order.size(); ++i)
    EXPECT_LT((a.aligned.specimen(order[i]) - b.aligned.specimen(static_cast<Eigen::Index>(i))).cwiseAbs().maxCoeff(),
              1e-13);
}

TEST(Getpproc3, OneSpecimenComesBackCentredAndScaledTwice) {
  const Eigen::MatrixXd x = 4.0 * random_shape(6, 9) + Eigen::MatrixXd::Constant(6, 3, 2.0);
  const Superimposition s = getpproc3(Sample(x));
  EXPECT_LT((s.mean - unit_centred(x)).cwiseAbs().maxCoeff(), 1e-14);
  ASSERT_EQ(s.aligned.count(), 1);
  EXPECT_EQ(s.aligned.values(), s.mean);
}

// The superimposition of a small planar sample, computed independently: each
// fit as the closed-form rotation about z (the best fits here are proper
// rotations), three iterations from the scaled sum.
TEST(Getpproc3, SmallPlanarStudyMatchesAnIndependentComputation) {
  std::vector<Eigen::MatrixXd> specimens;
  Eigen::MatrixXd a(4, 3), b(4, 3), c(4, 3);
  a << 0, 0, 0, 2, 0, 0, 2, 1, 0, 0, 1.2, 0;
  b << 1, 1, 0, 1, 3.1, 0, 0, 3, 0, 0.1, 1, 0;  // roughly a turned a quarter turn
  c << 5, 5, 0, 9, 5.2, 0, 9, 7, 0, 5, 7, 0;    // roughly a, twice as large
  specimens = {a, b, c};

  auto fit = [](const Eigen::MatrixXd& ref, const Eigen::MatrixXd& x) {
    const Eigen::MatrixXd s = unit_centred(x);
    double cross = 0, along = 0;
    for (Eigen::Index i = 0; i < s.rows(); ++i) {
      cross += s(i, 0) * ref(i, 1) - s(i, 1) * ref(i, 0);
      along += s(i, 0) * ref(i, 0) + s(i, 1) * ref(i, 1);
    }
    const double t = std::atan2(cross, along);
    Eigen::MatrixXd y = s;
    y.col(0) = std::cos(t) * s.col(0) - std::sin(t) * s.col(1);
    y.col(1) = std::sin(t) * s.col(0) + std::cos(t) * s.col(1);
    return y;
  };
  Eigen::MatrixXd ref = unit_centred(a + b + c);
  std::vector<Eigen::MatrixXd> aligned = specimens;
  for (int iteration = 0; iteration < 3; ++iteration) {
    Eigen::MatrixXd sum = Eigen::MatrixXd::Zero(4, 3);
    for (auto& x : aligned) {
      x = fit(ref, x);
      sum += x;
    }
    ref = sum / 3.0;
    ref /= std::sqrt((ref.rowwise() - ref.colwise().mean()).squaredNorm());
  }

  const Superimposition s = getpproc3(sample_of(specimens));
  EXPECT_LT((s.mean - ref).cwiseAbs().maxCoeff(), 1e-12);
  for (Eigen::Index i = 0; i < 3; ++i)
    EXPECT_LT((s.aligned.specimen(i) - aligned[static_cast<std::size_t>(i)]).cwiseAbs().maxCoeff(), 1e-12);
  EXPECT_TRUE(s.aligned.values().col(2).isZero(0.0));
}

// The superimposition step by step as described, from the public building
// blocks: the sum of the specimens centred and scaled as the start, three
// rounds in which every specimen is fitted onto the reference of the round
// before, each ending with the rescaled mean. The numbers agree bit for bit.
TEST(Getpproc3, FollowsTheDescribedStepsBitForBit) {
  const Sample data = noisy_sample(9, 5, 11);
  const Eigen::Index p = data.points();
  Eigen::MatrixXd reference = Eigen::MatrixXd::Zero(p, 3);
  for (Eigen::Index i = 0; i < data.count(); ++i) reference = reference + data.specimen(i);
  for (int j = 0; j < 3; ++j) {
    double sum = 0;
    for (Eigen::Index k = 0; k < p; ++k) sum += reference(k, j);
    const double mean = sum / static_cast<double>(p);
    for (Eigen::Index k = 0; k < p; ++k) reference(k, j) -= mean;
  }
  reference = reference / centsize3Da(reference);
  Sample sdata = data;
  for (int iteration = 0; iteration < 3; ++iteration) {
    Eigen::MatrixXd sum3 = Eigen::MatrixXd::Zero(p, 3);
    for (Eigen::Index i = 0; i < data.count(); ++i) {
      sdata.specimen(i) = partialprocrustes3a(reference, sdata.specimen(i));
      sum3 = sum3 + sdata.specimen(i);
    }
    reference = sum3 / static_cast<double>(data.count());
    reference = reference / centsize3Da(reference);
  }
  const Superimposition s = getpproc3(data);
  EXPECT_EQ(s.mean, reference);
  EXPECT_TRUE(s.aligned == sdata);
}

TEST(Getpproc3, ZeroSizeSpecimenIsNamed) {
  std::vector<Eigen::MatrixXd> specimens = {random_shape(5, 1), random_shape(5, 2), random_shape(5, 3),
                                            Eigen::MatrixXd::Constant(5, 3, 0.25)};
  try {
    getpproc3(sample_of(specimens));
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_STREQ(e.what(), "specimen 4 has zero centroid size (all its points coincide)");
  }
  EXPECT_THROW(getpproc3(Sample(Eigen::MatrixXd::Zero(3, 3))), RuntimeError);
  EXPECT_THROW(getpproc3(Sample()), RuntimeError);
}

TEST(Getpproc3, SpecimensThatCancelWhenSummedStillAlign) {
  // A configuration and its point reflection sum to zero; they are the same
  // shape once reflections are allowed.
  const Eigen::MatrixXd x = unit_centred(random_shape(6, 8));
  const Superimposition s = getpproc3(sample_of({x, Eigen::MatrixXd(-x)}));
  EXPECT_TRUE(s.mean.allFinite());
  expect_unit_and_centred(s.mean, "mean");
  EXPECT_LT(getpdistance3(s.mean, s.aligned).maxCoeff(), 1e-12);
}

TEST(Getpprocon3, FitsEverySpecimenOntoTheFixedReference) {
  const Eigen::MatrixXd reference = unit_centred(random_shape(10, 2));
  const Sample data = noisy_sample(10, 4, 6);
  const Sample fitted = getpprocon3(reference, data);
  ASSERT_EQ(fitted.count(), 4);
  for (Eigen::Index i = 0; i < 4; ++i) expect_unit_and_centred(fitted.specimen(i), "fitted");
  // A single configuration is a sample of one.
  const Eigen::MatrixXd copy = 3.0 * reference * random_rotation(77);
  const Sample one = getpprocon3(reference, Sample(copy));
  EXPECT_LT((one.values() - reference).cwiseAbs().maxCoeff(), 1e-12);
}

TEST(Getpprocon3, MismatchAndZeroSizeAreReported) {
  EXPECT_THROW(getpprocon3(random_shape(5, 1), Sample(random_shape(6, 1))), RuntimeError);
  try {
    getpprocon3(random_shape(3, 1), sample_of({random_shape(3, 2), Eigen::MatrixXd::Zero(3, 3)}));
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_STREQ(e.what(), "specimen 2 has zero centroid size (all its points coincide)");
  }
}

TEST(Getpdistance3, SumsEachColumnFirstThenTheColumnSums) {
  // Squares whose point-by-point total differs in its last bits.
  Eigen::MatrixXd x(4, 3);
  x << 2.9, -1.4, 9.5, -9.9, -8.8, 5.6, -1.8, -9.1, 1.0, 9.8, 0.4, -3.0;
  const Eigen::MatrixXd reference = Eigen::MatrixXd::Zero(4, 3);
  double columns[3] = {0, 0, 0};
  double by_points = 0;
  for (int j = 0; j < 3; ++j)
    for (int k = 0; k < 4; ++k) columns[j] += (reference(k, j) - x(k, j)) * (reference(k, j) - x(k, j));
  for (int k = 0; k < 4; ++k) by_points += x(k, 0) * x(k, 0) + x(k, 1) * x(k, 1) + x(k, 2) * x(k, 2);
  const double by_columns = std::pow(columns[0] + columns[1] + columns[2], 0.5);
  ASSERT_NE(std::sqrt(by_points), by_columns);
  EXPECT_EQ(getpdistance3(reference, Sample(x))(0), by_columns);
}

TEST(Getpdistance3, DistancesAreRootSummedSquaresInSpecimenOrder) {
  Eigen::MatrixXd reference = Eigen::MatrixXd::Zero(2, 3);
  Eigen::MatrixXd a(2, 3), b(2, 3);
  a << 1, 2, 2, 0, 0, 0;  // distance 3
  b << 0, 0, 0, 0, 3, 4;  // distance 5
  const Eigen::RowVectorXd y = getpdistance3(reference, sample_of({a, b}));
  ASSERT_EQ(y.size(), 2);
  EXPECT_DOUBLE_EQ(y(0), 3.0);
  EXPECT_DOUBLE_EQ(y(1), 5.0);
  const Eigen::RowVectorXd one = getpdistance3(reference, Sample(b));
  ASSERT_EQ(one.size(), 1);
  EXPECT_DOUBLE_EQ(one(0), 5.0);
  EXPECT_THROW(getpdistance3(reference, Sample(Eigen::MatrixXd::Zero(3, 3))), RuntimeError);
}

}  // namespace
}  // namespace velmora
