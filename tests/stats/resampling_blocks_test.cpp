// The resampled sets on the blocks against the step-by-step transcription and
// the pass over the points: 2D and 3D, groups of one, repeated bootstrap
// members, point reflections, nearly identical specimens; the kernels, the
// precomputation, the choice of path and the printed texts.
#include "stats/resampling_blocks.h"

#include <gtest/gtest.h>
#include <oneapi/tbb/global_control.h>

#include <random>

#include "stats/deviation_pool.h"
#include "stats/fit_kernels.h"
#include "stats/literal_sets.h"
#include "stats/printed_texts.h"
#include "stats/resampling_sets.h"
#include "support/sample_factory.h"

namespace velmora {
namespace {

using testing::literal_fscore;
using testing::literal_variance;
using testing::make_flat_study;
using testing::make_study;
using testing::pooled;
using testing::Study;

constexpr double kAgreement = 1e-9;  // what the paths must keep to, relative

double relative(double a, double b) { return std::fabs(a - b) / std::fabs(b); }

Study study_of(bool flat, int points, int n1, int n2, double spread, unsigned seed) {
  return flat ? make_flat_study(points, n1, n2, spread, spread, seed)
              : make_study(points, n1, n2, spread, spread, seed);
}

TwoSamples two(const Study& s) { return {s.data1, s.mean1, s.data1cs, s.data2, s.mean2, s.data2cs}; }

void draw(bool bootstrap, std::uint64_t set, int n1, int n2, std::vector<int>& g1, std::vector<int>& g2) {
  RandomStream random(7, set);
  std::vector<int> order;
  g1.resize(n1);
  g2.resize(n2);
  if (bootstrap)
    draw_bootstrap_groups(random, n1 + n2, g1, g2);
  else
    draw_permutation_groups(random, n1 + n2, order, g1, g2);
}

struct Counted {
  int sets = 0, on_points = 0;
};

// Every set the blocks keep agrees with the transcription to 1e-9 on each of
// its numbers; a set they hand back is the points' set.
Counted check_f_sets(const Study& s, bool bootstrap, int sets, const std::string& what) {
  const int n1 = static_cast<int>(s.data1.count()), n2 = static_cast<int>(s.data2.count());
  const Sample jumbo = pooled(s);
  const ResamplingPool pool = make_resampling_pool(jumbo);
  const GramBlocks blocks = make_gram_blocks(pool, 0, n1 + n2);
  BlockWorkspace work(std::max(n1, n2));
  Counted counted;
  for (int set = 0; set < sets; ++set) {
    std::vector<int> g1, g2;
    draw(bootstrap, static_cast<std::uint64_t>(set), n1, n2, g1, g2);
    FSet fast;
    ++counted.sets;
    if (!fscore_set_blocks(pool, blocks, g1, g2, n1, n2, work, fast)) {
      ++counted.on_points;
      continue;
    }
    const FSet slow = literal_fscore(jumbo, g1, g2, n1, n2);
    const std::string at = what + " set " + std::to_string(set);
    EXPECT_LE(relative(fast.fscore, slow.fscore), kAgreement) << at << " F";
    EXPECT_LE(relative(fast.bdbc, slow.bdbc), kAgreement) << at << " bdbc";
    EXPECT_LE(relative(fast.bdb, slow.bdb), kAgreement) << at << " bdb";
    // Each group's share of the sum (a group of one: rounding, or 0 for the first).
    const double spread = slow.bdist1 + slow.bdist2;
    EXPECT_LE(std::fabs(fast.bdist1 - slow.bdist1), kAgreement * spread) << at << " bdist1";
    EXPECT_LE(std::fabs(fast.bdist2 - slow.bdist2), kAgreement * spread) << at << " bdist2";
    if (n1 == 1) {
      EXPECT_EQ(fast.bdist1, 0) << at;
    }
  }
  return counted;
}

Counted check_variance_sets(const Study& s, int sets, const std::string& what) {
  const int n1 = static_cast<int>(s.data1.count()), n2 = static_cast<int>(s.data2.count()), tcnt = n1 + n2;
  const ResamplingPool pool = make_resampling_pool(deviation_pool(two(s)));
  const GramBlocks first = make_gram_blocks(pool, 0, tcnt), second = make_gram_blocks(pool, tcnt, tcnt);
  BlockWorkspace work(std::max(n1, n2));
  Counted counted;
  for (int set = 0; set < sets; ++set) {
    RandomStream random(8, static_cast<std::uint64_t>(set));
    std::vector<int> g1(n1), g2(n2), order;
    draw_permutation_groups(random, tcnt, order, g1, g2);
    for (int& g : g2) g += tcnt;
    VarianceSet fast;
    ++counted.sets;
    if (!variance_set_blocks(pool, first, second, g1, g2, work, fast)) {
      ++counted.on_points;
      continue;
    }
    const VarianceSet slow = literal_variance(s, order);
    const std::string at = what + " set " + std::to_string(set);
    for (auto [a, b] : {std::pair{fast.bd1, slow.bd1}, std::pair{fast.bd2, slow.bd2}}) {
      if (std::isnan(b))
        EXPECT_TRUE(std::isnan(a)) << at;  // a group of one: 0/0
      else
        EXPECT_LE(relative(a, b), kAgreement) << at;
    }
  }
  return counted;
}

// Ordinary spreads, 3D and flat (2D) pools, bootstrap (repeats) and
// permutation draws, groups of one: every set stays on the blocks and agrees.
TEST(BlockSets, AgreeWithTheStepByStepTranscription) {
  struct Case {
    bool flat;
    int points, n1, n2;
    double spread;
  };
  const Case cases[] = {{false, 30, 10, 12, 0.05}, {true, 30, 10, 12, 0.05}, {false, 8, 4, 3, 0.2},
                        {false, 12, 1, 5, 0.1},    {true, 12, 3, 1, 0.1},    {false, 200, 15, 9, 0.01},
                        {true, 9, 3, 3, 0.02},     {false, 40, 6, 6, 0.003}};
  for (const Case& c : cases) {
    const Study s = study_of(c.flat, c.points, c.n1, c.n2, c.spread, 40 + c.points);
    const std::string what = std::string(c.flat ? "2D " : "3D ") + std::to_string(c.points) + " points, " +
                             std::to_string(c.n1) + "+" + std::to_string(c.n2);
    for (bool bootstrap : {true, false}) {
      const Counted f = check_f_sets(s, bootstrap, 12, what + (bootstrap ? " bootstrap" : " permutation"));
      EXPECT_EQ(f.on_points, 0) << what;
    }
    EXPECT_EQ(check_variance_sets(s, 8, what + " variance").on_points, 0) << what;
  }
}

// A group holding a configuration and its point reflection sums to nothing
// at the start: the points decide (exactly zero: the first specimen starts),
// and the runner's set is the points' set.
TEST(BlockSets, PointReflectionsGoToThePoints) {
  Study s = make_study(20, 4, 5, 0.05, 0.05, 51);
  s.data1.specimen(1) = -s.data1.specimen(0);
  const Sample jumbo = pooled(s);
  const ResamplingPool pool = make_resampling_pool(jumbo);
  const GramBlocks blocks = make_gram_blocks(pool, 0, 9);
  BlockWorkspace work(5);
  SetWorkspace points(20, 5, 9);
  const std::vector<int> g1 = {0, 1}, g2 = {2, 3, 4, 5, 6};
  FSet fast;
  EXPECT_FALSE(fscore_set_blocks(pool, blocks, g1, g2, 2, 5, work, fast));
  const FSet on_points = fscore_set(pool, g1, g2, 2, 5, points);
  const FSet slow = literal_fscore(jumbo, g1, g2, 2, 5);
  EXPECT_LE(relative(on_points.fscore, slow.fscore), kAgreement);
  // With a third specimen the sum no longer cancels and the blocks keep it.
  const std::vector<int> g3 = {0, 1, 2}, g4 = {3, 4, 5, 6};
  ASSERT_TRUE(fscore_set_blocks(pool, blocks, g3, g4, 3, 4, work, fast));
  EXPECT_LE(relative(fast.fscore, literal_fscore(jumbo, g3, g4, 3, 4).fscore), kAgreement);
}

// As the specimens approach each other the expanded distances lose digits:
// every set the blocks keep still agrees to 1e-9, the rest go to the points;
// at distances near 1e-8 none is kept.
TEST(BlockSets, NearlyIdenticalSpecimensStayWithinTheAgreementOrGoToThePoints) {
  for (bool flat : {false, true}) {
    for (double spread : {1e-4, 1e-5, 1e-6, 1e-8}) {
      const Study s = study_of(flat, 60, 8, 9, spread, 61);
      const std::string what = std::string(flat ? "2D" : "3D") + " spread " + std::to_string(spread);
      const Counted boot = check_f_sets(s, true, 10, what);
      const Counted perm = check_f_sets(s, false, 10, what);
      const Counted variance = check_variance_sets(s, 10, what);
      if (spread == 1e-8) {
        EXPECT_EQ(boot.on_points + perm.on_points + variance.on_points, 30) << what;
      }
    }
  }
  // The runner then gives the points' numbers for those sets.
  const Study s = make_study(60, 8, 9, 1e-8, 1e-8, 61);
  const ResamplingPool pool = make_resampling_pool(pooled(s));
  const FSets blocks = run_fscore_sets(pool, 8, 9, GroupDraw::permutation, 100, 3, {}, ResamplingPath::blocks);
  const FSets points = run_fscore_sets(pool, 8, 9, GroupDraw::permutation, 100, 3, {}, ResamplingPath::points);
  EXPECT_EQ(blocks.on_points, 100);
  EXPECT_EQ(blocks.bfscore, points.bfscore);
  EXPECT_EQ(blocks.last_bmean1, points.last_bmean1);
}

// The precomputed blocks are those of the specimens about their mean, the
// same whatever the number of threads, over several chunks of points.
TEST(GramBlocks, AreTheCrossProductsAboutTheMean) {
  const Study s = make_study(2500, 3, 4, 0.05, 0.05, 71);
  const ResamplingPool pool = make_resampling_pool(pooled(s));
  auto blocks_on = [&](int threads, int first, int count) {
    tbb::global_control limit(tbb::global_control::max_allowed_parallelism, threads);
    return make_gram_blocks(pool, first, count);
  };
  const GramBlocks b = blocks_on(2, 2, 5);
  EXPECT_EQ(b.k, blocks_on(1, 2, 5).k);
  // Asked between its three chunks of points whether to go on.
  int asked = 0;
  EXPECT_EQ(make_gram_blocks(pool, 2, 5, [&] { return ++asked < 2; }).count, 0);
  EXPECT_EQ(asked, 2);
  Eigen::MatrixXd z = Eigen::MatrixXd::Zero(2500, 3);
  for (int i = 2; i < 7; ++i) z += pool.unit.middleCols(3 * i, 3) / 5.0;
  EXPECT_LT((b.zz - z.transpose() * z).cwiseAbs().maxCoeff(), 1e-13);
  for (int a = 0; a < 5; ++a) {
    const Eigen::MatrixXd va = pool.unit.middleCols(3 * (2 + a), 3) - z;
    const Eigen::Matrix3d f = z.transpose() * va;
    const Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>> fa(b.f.data() + 9 * a);
    EXPECT_LT((fa - f).cwiseAbs().maxCoeff(), 1e-13) << a;
    EXPECT_NEAR(b.spread[a], va.norm(), 1e-13);
    for (int c = a; c < 5; ++c) {
      const Eigen::Matrix3d k = va.transpose() * (pool.unit.middleCols(3 * (2 + c), 3) - z);
      const Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>> kac(b.k.data() + b.row_start[a] + 9 * c);
      EXPECT_LT((kac - k).cwiseAbs().maxCoeff(), 1e-13) << a << " " << c;
    }
  }
}

// Both builds of the block kernels against plain products, with rows and
// columns on both sides of the diagonal (blocks read transposed).
TEST(FitKernels, BlockProductsAreThePlainProducts) {
  std::mt19937_64 rng(13);
  std::normal_distribution<double> normal;
  const int m = 11;
  std::vector<Eigen::Matrix3d> full(m * m);
  std::vector<long> row_start(m);
  std::vector<double> k;
  for (int a = 0; a < m; ++a) {
    row_start[a] = static_cast<long>(k.size()) - 9L * a;
    for (int c = a; c < m; ++c) {
      Eigen::Matrix3d block;
      for (int e = 0; e < 9; ++e) block(e) = normal(rng);
      if (c == a) block += block.transpose().eval();  // diagonal blocks V_a'V_a are symmetric
      full[a * m + c] = block;
      full[c * m + a] = block.transpose();
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) k.push_back(block(i, j));
    }
  }
  k.resize(k.size() + 4);
  const std::vector<int> rows = {0, 2, 3, 5, 6, 9, 10}, cols = {1, 2, 4, 5, 8, 10};
  std::vector<double> a(9 * cols.size() + 4), w(rows.size()), q(9 * rows.size() + 4), sums(9 * rows.size() + 4);
  for (double& v : a) v = normal(rng);
  for (double& v : w) v = normal(rng);
  for (const auto* kernels : {&detail::fit_kernels(), &detail::portable_fit_kernels()}) {
    kernels->block_products(k.data(), row_start.data(), rows.data(), static_cast<int>(rows.size()), cols.data(),
                            static_cast<int>(cols.size()), a.data(), q.data());
    kernels->block_sums(k.data(), row_start.data(), rows.data(), static_cast<int>(rows.size()), w.data(), sums.data());
    for (size_t r = 0; r < rows.size(); ++r) {
      Eigen::Matrix3d product = Eigen::Matrix3d::Zero(), sum = Eigen::Matrix3d::Zero();
      for (size_t c = 0; c < cols.size(); ++c) {
        const Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>> ac(a.data() + 9 * c);
        product += full[rows[r] * m + cols[c]] * ac;
      }
      for (size_t c = 0; c < rows.size(); ++c) sum += w[c] * full[rows[r] * m + rows[c]];  // within the rows
      const Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>> got(q.data() + 9 * r),
          got_sum(sums.data() + 9 * r);
      EXPECT_LT((got - product).cwiseAbs().maxCoeff(), 1e-13) << kernels->name << " row " << rows[r];
      EXPECT_LT((got_sum - sum).cwiseAbs().maxCoeff(), 1e-13) << kernels->name << " row " << rows[r];
    }
  }
}

// The choice: the points where the blocks would not fit in a quarter of the
// memory or the points are few for the pool, the blocks where they are many.
TEST(ResamplingPath, ChoiceFollowsTheOperationCountsAndTheMemory) {
  struct Case {
    ResampledTest test;
    Eigen::Index points;
    int n;
    double memory;
    ResamplingPath expected;
  };
  const double gigabyte = 1e9;
  const Case cases[] = {
      {ResampledTest::permutation_f, 10000, 100, 16 * gigabyte, ResamplingPath::blocks},
      {ResampledTest::bootstrap_f, 3000, 100, 16 * gigabyte, ResamplingPath::blocks},
      {ResampledTest::variance, 3000, 100, 16 * gigabyte, ResamplingPath::blocks},
      {ResampledTest::permutation_f, 20, 100, 16 * gigabyte, ResamplingPath::points},
      {ResampledTest::variance, 50, 1000, 16 * gigabyte, ResamplingPath::points},
      // 2 x 5,000 specimens: 0.9 GB of blocks, more than a quarter of 2 GB.
      {ResampledTest::permutation_f, 100000, 5000, 2 * gigabyte, ResamplingPath::points},
      {ResampledTest::permutation_f, 100000, 5000, 16 * gigabyte, ResamplingPath::blocks},
  };
  for (const Case& c : cases)
    EXPECT_EQ(choose_resampling_path(c.test, c.points, c.n, c.n, 2000, c.memory), c.expected)
        << c.points << " points, " << c.n << " + " << c.n;
}

// The runner on the blocks: the same numbers whatever the thread count, the
// same texts as on the points for generated studies of 100 to 3,000 points.
TEST(ResamplingSets, BlocksPrintWhatThePointsPrint) {
  for (int points : {100, 300, 1000, 3000}) {
    const Study s = make_study(points, 25, 30, 0.05, 0.01, 81);
    const auto on_points = testing::printed_texts(two(s), ResamplingPath::points, 200, 9);
    const auto on_blocks = testing::printed_texts(two(s), ResamplingPath::blocks, 200, 9);
    EXPECT_EQ(on_blocks.text, on_points.text) << points;
    EXPECT_EQ(on_blocks.on_points, (std::vector<std::int64_t>{0, 0, 0})) << points;
    for (size_t i = 0; i < on_points.cutoffs.size(); ++i)
      EXPECT_LE(relative(on_blocks.cutoffs[i], on_points.cutoffs[i]), kAgreement) << points << " cut-off " << i;
  }
  const Study s = make_flat_study(40, 9, 11, 0.05, 0.02, 82);
  const ResamplingPool pool = make_resampling_pool(pooled(s));
  auto run = [&](int threads) {
    tbb::global_control limit(tbb::global_control::max_allowed_parallelism, threads);
    return run_fscore_sets(pool, 9, 11, GroupDraw::bootstrap, 300, 4, {}, ResamplingPath::blocks);
  };
  const FSets one = run(1), both = run(2);
  // A cancel while the blocks are computed: no set is done.
  const Study wide = make_study(2500, 4, 5, 0.05, 0.05, 83);
  const FSets stopped = run_fscore_sets(
      make_resampling_pool(pooled(wide)), 4, 5, GroupDraw::permutation, 100, 1,
      [](std::int64_t done, std::int64_t) { return done > 0; }, ResamplingPath::blocks);
  EXPECT_TRUE(stopped.cancelled);
  EXPECT_EQ(one.path, ResamplingPath::blocks);
  EXPECT_EQ(one.bfscore, both.bfscore);
  EXPECT_EQ(one.last_bmean1, both.last_bmean1);
}

}  // namespace
}  // namespace velmora
