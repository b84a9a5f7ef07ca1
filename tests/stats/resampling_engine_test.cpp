// The resampling engine against a step-by-step transcription built on
// getpproc3, getpprocon3 and getpdistance3; the draws; reproducibility.
#include "stats/resampling_engine.h"

#include <gtest/gtest.h>
#include <oneapi/tbb/global_control.h>

#include <Eigen/SVD>
#include <algorithm>
#include <cmath>
#include <random>
#include <set>

#include "geometry/getpdistance3.h"
#include "geometry/getpproc3.h"
#include "geometry/getpprocon3.h"
#include "geometry/vertxy3D.h"
#include "geometry/x1y1z1.h"
#include "runtime/error.h"
#include "stats/deviation_pool.h"
#include "stats/fit_kernels.h"
#include "stats/literal_sets.h"
#include "stats/polar3.h"
#include "stats/resampling_sets.h"
#include "support/sample_factory.h"

namespace velmora {
namespace {

using testing::expect_relative;
using testing::literal_fscore;
using testing::literal_variance;
using testing::make_study;
using testing::pick;
using testing::pooled;
using testing::Study;

TEST(Polar3, IsTheOrthogonalFactorOfTheSvd) {
  std::mt19937_64 rng(11);
  std::normal_distribution<double> normal;
  int newton = 0;
  for (int trial = 0; trial < 300; ++trial) {
    Eigen::Matrix3d a;
    for (int i = 0; i < 9; ++i) a(i) = normal(rng);
    if (trial % 3 == 1) a.col(2) *= 1e-4;                 // ill-conditioned
    if (trial % 10 == 7) a.col(2) = a.col(0) + a.col(1);  // singular
    Eigen::Matrix3d r;
    newton += detail::polar3(a.data(), r.data()) ? 1 : 0;
    const Eigen::JacobiSVD<Eigen::Matrix3d> svd(a, Eigen::ComputeFullU | Eigen::ComputeFullV);
    // Orthogonal, reflections kept, and the best fit: trace(R' A) is the sum
    // of the singular values.
    EXPECT_LT((r.transpose() * r - Eigen::Matrix3d::Identity()).norm(), 1e-14) << trial;
    EXPECT_NEAR((r.transpose() * a).trace(), svd.singularValues().sum(), 1e-13 * svd.singularValues().sum());
    if (svd.singularValues()(2) > 1e-6 * svd.singularValues()(0)) {
      const Eigen::Matrix3d uv = svd.matrixU() * svd.matrixV().transpose();
      EXPECT_LT((r - uv).norm(), 1e-12 * svd.singularValues()(0) / svd.singularValues()(2)) << trial;
      EXPECT_EQ(r.determinant() < 0, a.determinant() < 0);
    }
  }
  EXPECT_GT(newton, 250);  // the iteration, not the fallback, does the common case
  Eigen::Matrix3d nan = Eigen::Matrix3d::Constant(std::nan("")), r;
  detail::polar3(nan.data(), r.data());
  EXPECT_TRUE(r.array().isNaN().all());
}

// Four matrices at a time, in both builds: the same factors as polar3, and
// singular or non-finite lanes handed back for the fallback.
TEST(FitKernels, BatchedPolarFactorsAgreeWithPolar3) {
  std::mt19937_64 rng(12);
  std::normal_distribution<double> normal;
  for (const auto* kernels : {&detail::fit_kernels(), &detail::portable_fit_kernels()}) {
    for (int trial = 0; trial < 50; ++trial) {
      double a[36], r[36];
      unsigned char fallback[4];
      for (double& v : a) v = normal(rng);
      if (trial % 5 == 0) a[9 * 1 + 2] = a[9 * 1 + 5] = a[9 * 1 + 8] = 0;  // lane 1 singular
      if (trial % 7 == 0) a[9 * 3 + 4] = std::nan("");                     // lane 3 not finite
      kernels->polar4(a, r, fallback);
      for (int l = 0; l < 4; ++l) {
        const bool singular = trial % 5 == 0 && l == 1;
        const bool nan = trial % 7 == 0 && l == 3;
        EXPECT_EQ(fallback[l] != 0, singular || nan) << kernels->name << " " << trial << " " << l;
        if (singular || nan) continue;
        double expected[9];
        detail::polar3(a + 9 * l, expected);
        for (int e = 0; e < 9; ++e) EXPECT_NEAR(r[9 * l + e], expected[e], 1e-13) << kernels->name;
      }
    }
  }
}

TEST(FitKernels, ProcessorBuildAgreesWithPortableBuild) {
  std::mt19937_64 rng(5);
  std::normal_distribution<double> normal;
  for (int p : {1, 3, 8, 37, 300}) {
    const int n = 5;
    std::vector<double> values(3 * p * n), m(3 * p), t(9 * n);
    for (double& v : values) v = normal(rng);
    for (double& v : m) v = normal(rng);
    for (double& v : t) v = normal(rng);
    std::vector<const double*> x(n);
    for (int k = 0; k < n; ++k) x[k] = values.data() + 3 * p * k;
    const auto& a = detail::fit_kernels();
    const auto& b = detail::portable_fit_kernels();
    std::vector<double> ra(9 * n), rb(9 * n), sa(3 * p), sb(3 * p), da(n), db(n);
    a.cross(x.data(), n, m.data(), p, ra.data());
    b.cross(x.data(), n, m.data(), p, rb.data());
    a.sum_fitted(x.data(), t.data(), n, p, sa.data());
    b.sum_fitted(x.data(), t.data(), n, p, sb.data());
    a.squared_distances(x.data(), t.data(), n, m.data(), p, da.data());

    b.squared_distances(x.data(), t.data(), n, m.data(), p, db.data());
    // Against a plain product too, so that both cannot be wrong together.
    const Eigen::Map<const Eigen::MatrixXd> x0(values.data(), p, 3), mm(m.data(), p, 3), t0(t.data(), 3, 3);
    const Eigen::Matrix3d plain = x0.transpose() * mm;
    std::vector<double> sum_a(3 * p), sum_b(3 * p), w(n);
    for (double& v : w) v = 1 + 0.1 * normal(rng);
    a.weighted_sum(x.data(), w.data(), n, 3 * p, sum_a.data());
    b.weighted_sum(x.data(), w.data(), n, 3 * p, sum_b.data());
    for (int i = 0; i < 3 * p; ++i) {
      double in_order = 0;
      for (int k = 0; k < n; ++k) in_order += w[k] * x[k][i];
      EXPECT_NEAR(sum_a[i], in_order, 1e-13 * n);
      EXPECT_NEAR(sum_b[i], in_order, 1e-13 * n);
    }
    double means[3];
    a.column_means(x[0], p, means);
    EXPECT_NEAR(means[1], x0.col(1).mean(), 1e-14);
    EXPECT_NEAR(a.centroid_size(x[0], p), std::sqrt((x0.rowwise() - x0.colwise().mean()).squaredNorm()), 1e-13 * p);
    EXPECT_NEAR(a.centroid_size(x[0], p), b.centroid_size(x[0], p), 1e-13 * p);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(ra[i], plain(i), 1e-12 * p) << p;
    EXPECT_NEAR(da[0], (mm - x0 * t0).squaredNorm(), 1e-11 * p) << p;
    for (int i = 0; i < 9 * n; ++i) EXPECT_NEAR(ra[i], rb[i], 1e-12 * p);
    for (int i = 0; i < 3 * p; ++i) EXPECT_NEAR(sa[i], sb[i], 1e-12 * p);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(da[i], db[i], 1e-11 * p);
  }
}

// The engine's F set equals the step-by-step procedure to 1e-12 relative, for
// bootstrap groups (repeats), permutation groups, and groups of one.
TEST(ResamplingEngine, FSetAgreesWithStepByStepProcedure) {
  struct Case {
    int points, n1, n2;
    double spread;
    bool bootstrap;
    bool flat = false;  // 2D data: every cross product singular
  };
  const Case cases[] = {{30, 10, 12, 0.05, true},       {30, 10, 12, 0.05, false},     {17, 4, 3, 0.2, true},
                        {12, 1, 5, 0.1, false},         {12, 3, 1, 0.1, true},         {50, 20, 15, 0.01, false},
                        {30, 10, 12, 0.05, true, true}, {25, 7, 9, 0.05, false, true}, {12, 3, 1, 0.1, true, true}};
  for (const Case& c : cases) {
    const Study s = c.flat ? testing::make_flat_study(c.points, c.n1, c.n2, c.spread, 0.05, 17 + c.points)
                           : make_study(c.points, c.n1, c.n2, c.spread, 0.05, 17 + c.points);
    const Sample jumbo = pooled(s);
    const ResamplingPool pool = make_resampling_pool(jumbo);
    SetWorkspace work(c.points, std::max(c.n1, c.n2), c.n1 + c.n2);
    for (std::uint64_t set = 0; set < 8; ++set) {
      RandomStream random(99, set);
      std::vector<int> g1(c.n1), g2(c.n2), order;
      if (c.bootstrap)
        draw_bootstrap_groups(random, c.n1 + c.n2, g1, g2);
      else
        draw_permutation_groups(random, c.n1 + c.n2, order, g1, g2);
      const FSet fast = fscore_set(pool, g1, g2, c.n1, c.n2, work);
      const FSet slow = literal_fscore(jumbo, g1, g2, c.n1, c.n2);
      const std::string what =
          std::string(c.flat ? "2D " : "") + "p=" + std::to_string(c.points) + " set " + std::to_string(set);
      expect_relative(fast.bdb, slow.bdb, 1e-12, what + " bdb");
      expect_relative(fast.bdbc, slow.bdbc, 1e-12, what + " bdbc");
      expect_relative(fast.bdist1, slow.bdist1, 1e-12, what + " bdist1");
      expect_relative(fast.bdist2, slow.bdist2, 1e-12, what + " bdist2");
      expect_relative(fast.fscore, slow.fscore, 1e-12, what + " fscore");
      if (set == 0) {
        const Eigen::MatrixXd m1 = getpproc3(pick(jumbo, g1)).mean;
        EXPECT_LT((work.mean1 - m1).cwiseAbs().maxCoeff(), 1e-13) << what;
      }
    }
  }
}

TEST(ResamplingEngine, VarianceSetAgreesWithStepByStepProcedure) {
  struct Case {
    int n1, n2;
    bool flat;
  };
  for (auto [n1, n2, flat] :
       {Case{10, 12, false}, Case{3, 4, false}, Case{1, 4, false}, Case{10, 12, true}, Case{4, 1, true}}) {
    const Study s =
        flat ? testing::make_flat_study(25, n1, n2, 0.05, 0.1, 3 + n1) : make_study(25, n1, n2, 0.05, 0.1, 3 + n1);
    const TwoSamples two{s.data1, s.mean1, s.data1cs, s.data2, s.mean2, s.data2cs};
    const ResamplingPool pool = make_resampling_pool(deviation_pool(two));
    SetWorkspace work(25, std::max(n1, n2), n1 + n2);
    for (std::uint64_t set = 0; set < 6; ++set) {
      RandomStream random(4, set);
      std::vector<int> g1(n1), g2(n2), order;
      draw_permutation_groups(random, n1 + n2, order, g1, g2);
      for (int& g : g2) g += n1 + n2;
      const VarianceSet fast = variance_set(pool, g1, g2, work);
      const VarianceSet slow = literal_variance(s, order);
      const std::string what = std::string(flat ? "2D " : "") + std::to_string(n1) + "+" + std::to_string(n2) +
                               " set " + std::to_string(set);
      expect_relative(fast.bd1, slow.bd1, 1e-12, what + " bd1");
      expect_relative(fast.bd2, slow.bd2, 1e-12, what + " bd2");
      if (std::isnan(slow.bdifd))
        EXPECT_TRUE(std::isnan(fast.bdifd)) << what;  // a group of one: 0/0
      else
        EXPECT_LE(std::fabs(fast.bdifd - slow.bdifd), 1e-12 * std::max(slow.bd1, slow.bd2)) << what;
    }
  }
}

TEST(ResamplingEngine, DeviationsAreRebuiltAroundTheMeanOfTheirNewGroup) {
  const Study s = make_study(9, 3, 2, 0.1, 0.3, 8);
  const TwoSamples two{s.data1, s.mean1, s.data1cs, s.data2, s.mean2, s.data2cs};
  const Sample pool = deviation_pool(two);
  ASSERT_EQ(pool.count(), 10);
  for (int i = 0; i < 3; ++i) {
    // Around its own mean: the specimen itself; around the other: moved by
    // the difference of the means.
    EXPECT_LT((pool.specimen(i) - s.data1.specimen(i)).cwiseAbs().maxCoeff(), 1e-15);
    EXPECT_LT((pool.specimen(5 + i) - (s.data1.specimen(i) - s.mean1 + s.mean2)).cwiseAbs().maxCoeff(), 1e-15);
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_LT((pool.specimen(8 + i) - s.data2.specimen(i)).cwiseAbs().maxCoeff(), 1e-15);
    EXPECT_LT((pool.specimen(3 + i) - (s.data2.specimen(i) - s.mean2 + s.mean1)).cwiseAbs().maxCoeff(), 1e-15);
  }
}

TEST(ResamplingDraws, BootstrapDrawsWithReplacementPermutationSplitsThePool) {
  const int tcnt = 10, n1 = 6, n2 = 4;
  std::vector<int> g1(n1), g2(n2), order;
  int sets_with_repeats = 0;
  std::set<int> seen;
  for (std::uint64_t set = 0; set < 200; ++set) {
    RandomStream random(1, set), again(1, set);
    draw_bootstrap_groups(random, tcnt, g1, g2);
    // N1 draws for the first group, then N2 for the second: ceil(tcnt u) - 1.
    for (int k = 0; k < n1; ++k) EXPECT_EQ(g1[k], static_cast<int>(std::ceil(tcnt * again.uniform())) - 1);
    for (int k = 0; k < n2; ++k) EXPECT_EQ(g2[k], static_cast<int>(std::ceil(tcnt * again.uniform())) - 1);
    std::set<int> distinct(g1.begin(), g1.end());
    if (distinct.size() < g1.size()) ++sets_with_repeats;
    seen.insert(g1.begin(), g1.end());
    seen.insert(g2.begin(), g2.end());

    RandomStream shuffle(1, set);
    draw_permutation_groups(shuffle, tcnt, order, g1, g2);
    std::vector<int> all(g1);
    all.insert(all.end(), g2.begin(), g2.end());
    std::sort(all.begin(), all.end());
    for (int k = 0; k < tcnt; ++k) EXPECT_EQ(all[k], k);
  }
  EXPECT_GT(sets_with_repeats, 150);  // 6 draws from 10 repeat with probability 0.85
  EXPECT_EQ(seen.size(), 10u);
}

TEST(ResamplingSets, SameSeedSameSetsWhateverTheThreadCount) {
  const Study s = make_study(20, 8, 9, 0.05, 0.05, 21);
  const ResamplingPool pool = make_resampling_pool(pooled(s));
  const TwoSamples two{s.data1, s.mean1, s.data1cs, s.data2, s.mean2, s.data2cs};
  const ResamplingPool deviations = make_resampling_pool(deviation_pool(two));
  auto run = [&](int threads, std::uint64_t seed, GroupDraw draw) {
    tbb::global_control limit(tbb::global_control::max_allowed_parallelism, threads);
    return std::pair{run_fscore_sets(pool, 8, 9, draw, 300, seed),
                     run_variance_sets(deviations, 8, 9, 300, seed).bdifd};
  };
  for (GroupDraw draw : {GroupDraw::bootstrap, GroupDraw::permutation}) {
    const auto [one, v_one] = run(1, 42, draw);
    const auto [two_threads, v_two] = run(2, 42, draw);
    EXPECT_EQ(one.bfscore, two_threads.bfscore);
    EXPECT_EQ(one.bd1sum, two_threads.bd1sum);
    EXPECT_EQ(one.last_bmean1, two_threads.last_bmean1);
    EXPECT_EQ(v_one, v_two);
    const auto [other, v_other] = run(2, 43, draw);
    EXPECT_NE(one.bfscore, other.bfscore);
    EXPECT_NE(v_one, v_other);
  }
}

TEST(ResamplingSets, ProgressComesBetweenChunksAndCanCancel) {
  const Study s = make_study(10, 5, 5, 0.05, 0.05, 2);
  const ResamplingPool pool = make_resampling_pool(pooled(s));
  std::vector<std::int64_t> seen;
  FSets all = run_fscore_sets(pool, 5, 5, GroupDraw::permutation, 400, 1, [&](std::int64_t done, std::int64_t total) {
    EXPECT_EQ(total, 400);
    seen.push_back(done);
    return true;
  });
  EXPECT_FALSE(all.cancelled);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), 400);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  int calls = 0;
  FSets stopped = run_fscore_sets(pool, 5, 5, GroupDraw::permutation, 400, 1,
                                  [&](std::int64_t, std::int64_t) { return ++calls < 2; });
  EXPECT_TRUE(stopped.cancelled);
  EXPECT_EQ(calls, 2);
}

TEST(ResamplingPool, ZeroSizeSpecimenIsNamed) {
  Sample x(4, 2);
  x.specimen(0) << 0, 1, 0, 1, 0, 0, 1, 1, 0, 0, 0, 1;
  x.specimen(1).setConstant(2.0);
  try {
    make_resampling_pool(x, {"specimen 1 of the first sample", "specimen 1 of the second sample"});
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    EXPECT_STREQ(e.what(), "specimen 1 of the second sample has zero centroid size (all its points coincide).");
  }
}

}  // namespace
}  // namespace velmora
