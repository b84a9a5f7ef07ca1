// Sliding the specimens of long curves together by conjugate gradients gives
// the direct solution to rounding, in the plane and in space, with a
// semilandmark that has no tangent and with a preconditioner made on another
// consensus; the factored bending energy is the formed one; whole samples
// slide the same on one and two threads.
#include "geometry/slide_together.h"

#include <gtest/gtest.h>
#include <oneapi/tbb/global_control.h>

#include <cmath>
#include <random>

#include "geometry/getpproc3.h"
#include "geometry/slide_samples.h"

namespace velmora {
namespace {

struct Outline {
  Sample data;
  SemilandmarkLayout layout;
};

/// n specimens of 3 landmarks inside a closed curve of `count` semilandmarks
/// (and its closing repeat), each bent its own way and spaced unevenly; in
/// space the curve also rises and falls.
Outline outline(Eigen::Index n, int count, bool space, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-1, 1);
  const Eigen::Index points = 3 + count + 1;
  Outline out{Sample(points, n), {}};
  for (Eigen::Index i = 0; i < n; ++i) {
    const double a = 0.1 * u(gen), b = 0.1 * u(gen), c = u(gen);
    Eigen::MatrixXd x = Eigen::MatrixXd::Zero(points, 3);
    x.topRows(3) << 0.5 + 0.02 * u(gen), 0.1, 0.1, -0.4, 0.3, -0.1, 0.1, -0.5 + 0.02 * u(gen), 0;
    if (!space) x.col(2).head(3).setZero();
    for (int k = 0; k < count; ++k) {
      const double t = 2 * M_PI * (k + (k > 0 ? 0.3 * u(gen) : 0.0)) / count;
      x.row(3 + k) << (2 + a * std::cos(3 * t)) * std::cos(t), (1.2 + b * std::sin(2 * t)) * std::sin(t),
          space ? 0.3 * std::sin(2 * t + c) : 0.0;
    }
    x.row(points - 1) = x.row(3);
    out.data.specimen(i) = x;
  }
  Eigen::MatrixXd proto(8, 1);
  proto << 0, 0, 0, 0, 1, -999, 1, count;
  Eigen::RowVectorXd rbreak(2);
  rbreak << 9, 3 * static_cast<double>(points);
  out.layout = semilandmark_layout(proto, rbreak, points);
  return out;
}

double size_of(const Eigen::MatrixXd& x) { return (x.rowwise() - x.colwise().mean()).norm(); }

class SlideTogetherTest : public ::testing::TestWithParam<bool> {};

TEST_P(SlideTogetherTest, GivesTheDirectSolutionToRounding) {
  const bool space = GetParam();
  Outline o = outline(6, 300, space, space ? 11 : 5);
  Superimposition sup = getpproc3(o.data);
  // Specimen 3's semilandmark 40 has no tangent: its two neighbours coincide.
  auto pinned = sup.aligned.specimen(3);
  pinned.row(o.layout.sliding[40].after) = pinned.row(o.layout.sliding[40].before);

  const ConsensusBendingEnergy energy(sup.mean, o.layout);
  const Eigen::MatrixXd lp = energy.matrix();
  Eigen::MatrixXd x = Eigen::MatrixXd::Random(lp.rows(), 4), bent = x;
  energy.apply(bent);
  EXPECT_LE((bent - lp * x).norm(), 1e-9 * (lp * x).norm());

  const detail::SlideSystem system = detail::slide_system(SlideCriterion::bending, lp, o.layout);
  Sample direct = sup.aligned;
  std::vector<std::vector<std::size_t>> direct_unslid(6);
  detail::SlideWorkspace work(direct.points(), static_cast<Eigen::Index>(o.layout.sliding.size()));
  for (Eigen::Index i = 0; i < 6; ++i)
    detail::slide_in_place(direct.specimen(i), sup.mean, system, o.layout, work, direct_unslid[i]);
  EXPECT_EQ(direct_unslid[3], std::vector<std::size_t>{40});

  // The preconditioner of this consensus, and one made on a specimen's shape.
  for (const Eigen::MatrixXd& basis : {sup.mean, Eigen::MatrixXd(sup.aligned.specimen(0))}) {
    detail::SlidePreconditioner pre;
    detail::prepare_preconditioner(pre, system, basis, o.layout);
    ASSERT_GT(pre.factor.size(), 0);
    Sample together = sup.aligned;
    std::vector<std::vector<std::size_t>> unslid(6);
    const std::vector<char> settled = detail::slide_together(together, sup.mean, energy, pre, o.layout, unslid);
    EXPECT_EQ(settled, std::vector<char>(6, 1));
    EXPECT_EQ(unslid, direct_unslid);
    EXPECT_GT(pre.most_steps, 0);
    EXPECT_LE((together.values() - direct.values()).cwiseAbs().maxCoeff(), 1e-10 * size_of(sup.mean));
    // The specimens did slide: the comparison is not of two unchanged samples.
    EXPECT_GT((together.values() - sup.aligned.values()).cwiseAbs().maxCoeff(), 1e-4 * size_of(sup.mean));
  }
}

INSTANTIATE_TEST_SUITE_P(PlaneAndSpace, SlideTogetherTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "space" : "plane"; });

TEST(SlideTogether, LongCurvesSlideTheSameOnOneAndTwoThreads) {
  const Outline o = outline(5, static_cast<int>(detail::kTogetherFrom), false, 7);
  SlideOptions options;
  options.project = false;
  options.most_iterations = 3;
  const auto run = [&](int threads) {
    tbb::global_control limit(tbb::global_control::max_allowed_parallelism, threads);
    return slide_samples(o.data, {}, Sample(), {}, o.layout, options);
  };
  const SlidSamples one = run(1), two = run(2);
  EXPECT_TRUE(one.first.aligned == two.first.aligned);
  EXPECT_EQ(one.procrustes_ss, two.procrustes_ss);
  ASSERT_EQ(one.bending_energy.size(), 2u);
  EXPECT_LT(one.bending_energy[1], one.bending_energy[0]);
}

}  // namespace
}  // namespace velmora
