#include "geometry/partialprocrustes3a.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/centsize3Da.h"
#include "geometry/procrustes_kernels.h"
#include "geometry/svdrot2.h"
#include "runtime/console.h"
#include "runtime/error.h"
#include "support/shapes.h"

namespace velmora {
namespace {

using testing::random_rotation;
using testing::random_shape;
using testing::unit_centred;

struct Transform {
  const char* name;
  bool mirror;
  double scale;
  Eigen::RowVector3d shift;
};

class PartialProcrustesTransforms : public ::testing::TestWithParam<Transform> {};

TEST_P(PartialProcrustesTransforms, TransformedCopyComesBackAsTheReference) {
  const Transform& t = GetParam();
  for (unsigned seed = 1; seed <= 5; ++seed) {
    const Eigen::MatrixXd reference = unit_centred(random_shape(15, seed));
    Eigen::Matrix3d r = random_rotation(100 + seed);
    if (t.mirror) r.col(0) *= -1;
    const Eigen::MatrixXd subject = ((t.scale * reference * r).rowwise() + t.shift).eval();
    CaptureConsole console;
    const Eigen::MatrixXd y = partialprocrustes3a(reference, subject, &console);
    EXPECT_LT((y - reference).cwiseAbs().maxCoeff(), 1e-12) << t.name << " seed " << seed;
    EXPECT_TRUE(console.text().empty()) << console.text();
  }
}

INSTANTIATE_TEST_SUITE_P(Copies, PartialProcrustesTransforms,
                         ::testing::Values(Transform{"rotated", false, 1.0, {0, 0, 0}},
                                           Transform{"scaled", false, 7.25, {0, 0, 0}},
                                           Transform{"translated", false, 1.0, {4, -2, 9}},
                                           Transform{"mirrored", true, 1.0, {0, 0, 0}},
                                           Transform{"all together", true, 0.003, {-1, 0.5, 2}}),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           for (char& c : n)
                             if (c == ' ') c = '_';
                           return n;
                         });

TEST(PartialProcrustes, ResultHasUnitSizeAndZeroMeansWhateverTheReferenceSize) {
  const Eigen::MatrixXd subject = random_shape(20, 21);
  for (double factor : {1e-3, 1.0, 250.0}) {
    const Eigen::MatrixXd reference = factor * random_shape(20, 22);
    const Eigen::MatrixXd y = partialprocrustes3a(reference, subject);
    EXPECT_NEAR(centsize3Da(y), 1.0, 1e-14);
    EXPECT_LT(y.colwise().sum().cwiseAbs().maxCoeff(), 1e-14);
    // Multiplying the reference by a positive factor changes nothing.
    EXPECT_LT((y - partialprocrustes3a(random_shape(20, 22), subject)).cwiseAbs().maxCoeff(), 1e-13);
  }
}

TEST(PartialProcrustes, MirrorImageIsAbsorbedByAnImproperMatrix) {
  const Eigen::MatrixXd reference = unit_centred(random_shape(8, 5));
  Eigen::MatrixXd subject = reference;
  subject.col(0) *= -1;
  const Eigen::Matrix3d roto = svdrot2(reference, subject);
  EXPECT_NEAR(roto.determinant(), -1.0, 1e-12);
  EXPECT_TRUE((roto.transpose() * roto).isIdentity(1e-12));
  EXPECT_LT((partialprocrustes3a(reference, subject) - reference).cwiseAbs().maxCoeff(), 1e-12);
}

// A planar fit computed independently: for configurations in the xy plane the
// best rotation about z has angle atan2(sum(xs*yr - ys*xr), sum(xs*xr + ys*yr)).
TEST(PartialProcrustes, PlanarFitMatchesTheClosedFormRotation) {
  const Eigen::MatrixXd reference = random_shape(7, 31, true);
  // A noisy copy turned by 0.7 radians about z: still in the xy plane.
  const Eigen::MatrixXd noisy = reference + 0.05 * random_shape(7, 32, true);
  const Eigen::Matrix3d turn = Eigen::AngleAxisd(0.7, Eigen::Vector3d::UnitZ()).toRotationMatrix();
  const Eigen::MatrixXd subject = noisy * turn;
  const Eigen::MatrixXd y = partialprocrustes3a(reference, subject);

  const Eigen::MatrixXd s = unit_centred(subject);
  double cross = 0, along = 0;
  for (Eigen::Index i = 0; i < s.rows(); ++i) {
    cross += s(i, 0) * reference(i, 1) - s(i, 1) * reference(i, 0);
    along += s(i, 0) * reference(i, 0) + s(i, 1) * reference(i, 1);
  }
  const double angle = std::atan2(cross, along);
  Eigen::MatrixXd expected = s;
  for (Eigen::Index i = 0; i < s.rows(); ++i) {
    expected(i, 0) = std::cos(angle) * s(i, 0) - std::sin(angle) * s(i, 1);
    expected(i, 1) = std::sin(angle) * s(i, 0) + std::cos(angle) * s(i, 1);
  }
  EXPECT_LT((y - expected).cwiseAbs().maxCoeff(), 1e-12);
  EXPECT_TRUE(y.col(2).isZero(0.0));
}

TEST(PartialProcrustes, HandCheckedQuarterTurnOfASquare) {
  // Reference: square of side 2 about the origin; subject: the same square
  // turned a quarter turn, three times larger and moved. Unit size divides the
  // corners (+-1, +-1) by 2 sqrt(2).
  Eigen::MatrixXd reference(4, 3), subject(4, 3);
  reference << 1, 1, 0, -1, 1, 0, -1, -1, 0, 1, -1, 0;
  // Corner k of the reference turned to (-y, x), times 1.5, moved by (5.5, 1.5, 2).
  subject << 4, 3, 2, 4, 0, 2, 7, 0, 2, 7, 3, 2;
  const Eigen::MatrixXd y = partialprocrustes3a(reference, subject);
  const double c = 1.0 / std::sqrt(8.0);
  EXPECT_LT((y - c * reference).cwiseAbs().maxCoeff(), 1e-14);
}

TEST(PartialProcrustes, ZeroSizeSubjectIsRejected) {
  const Eigen::MatrixXd reference = random_shape(4, 1);
  try {
    partialprocrustes3a(reference, Eigen::MatrixXd::Ones(4, 3));
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("zero centroid size"), std::string::npos);
  }
}

TEST(PartialProcrustes, MismatchedConfigurationsAreRejectedClearly) {
  EXPECT_THROW(partialprocrustes3a(random_shape(4, 1), random_shape(5, 2)), RuntimeError);
  EXPECT_THROW(partialprocrustes3a(random_shape(4, 1), Eigen::MatrixXd::Ones(4, 2)), RuntimeError);
  EXPECT_THROW(svdrot2(random_shape(4, 1), random_shape(3, 1)), RuntimeError);
}

TEST(PartialProcrustes, NonOrthogonalRotationIsEchoedAndTheFitGoesOn) {
  // A coordinate that is not a number leaves no orthogonal fit: the check
  // reports stemp, roto and temp in that order, and a result still comes back.
  const Eigen::MatrixXd reference = random_shape(5, 3);
  Eigen::MatrixXd subject = random_shape(5, 4);
  subject(2, 1) = std::numeric_limits<double>::quiet_NaN();
  CaptureConsole console;
  const Eigen::MatrixXd y = partialprocrustes3a(reference, subject, &console);
  EXPECT_EQ(y.rows(), 5);
  ASSERT_EQ(console.echoes().size(), 3u);
  EXPECT_EQ(console.echoes()[0].first, "stemp");
  EXPECT_EQ(std::get<std::string>(console.echoes()[0].second), "Error in rotation");
  EXPECT_EQ(console.echoes()[1].first, "roto");
  EXPECT_EQ(console.echoes()[2].first, "temp");
}

TEST(RotationCheck, FirstDiagonalEntryRoundedToFiveDecimalsHalvesAwayFromZero) {
  struct Case {
    double t11;  // the first diagonal entry of roto' * roto
    bool passes;
  };
  // 1.000005 * 100000 is 100000.5: away from zero it rounds up and the check
  // fails (rounding half to even would let it pass). Just below the half it
  // passes; 99999.49999999999 rounds down to 99999 and fails. (Each entry is
  // the exact square of its square root, so the diagonal entry is the value.)
  const Case cases[] = {
      {1.0, true}, {1.000005, false}, {1.0000049999999996, true}, {0.9999949999999999, false}, {1.00002, false}};
  for (const Case& c : cases) {
    Eigen::Matrix3d roto = Eigen::Matrix3d::Identity();
    roto(0, 0) = std::sqrt(c.t11);
    ASSERT_EQ(roto(0, 0) * roto(0, 0), c.t11) << c.t11;
    CaptureConsole console;
    EXPECT_EQ(detail::check_rotation(roto, &console), c.passes) << c.t11;
    if (c.passes) {
      EXPECT_TRUE(console.echoes().empty()) << c.t11;
    } else {
      ASSERT_EQ(console.echoes().size(), 3u) << c.t11;
      EXPECT_EQ(console.echoes()[0].first, "stemp");
      EXPECT_EQ(console.echoes()[1].first, "roto");
      EXPECT_EQ(console.echoes()[2].first, "temp");
      const Eigen::MatrixXd& temp = std::get<Eigen::MatrixXd>(console.echoes()[2].second);
      EXPECT_EQ(temp(0, 0), c.t11);
      EXPECT_EQ(temp(1, 1), 1.0);
    }
  }
}

}  // namespace
}  // namespace velmora
