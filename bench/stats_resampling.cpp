// Sets per second of the resampling tests on generated samples of 100 + 100
// specimens of 100 to 10,000 points, 2,000 sets, with 1 and 2 threads, on the
// points and on the blocks (arguments: threads, points, path 1 = points,
// 2 = blocks; the block runs include their precomputation):
//   build/bench/stats_bench --benchmark_filter=Sets
// items_per_second is sets per second. GramBlocks times the precomputation
// alone; Choice runs the automatic choice at other pool sizes for the
// crossover between the paths.
#include <benchmark/benchmark.h>
#include <oneapi/tbb/global_control.h>
#include <sys/resource.h>

#include <map>
#include <random>

#include "geometry/centsize3Da.h"
#include "geometry/getpdistance3.h"
#include "geometry/getpproc3.h"
#include "geometry/getpprocon3.h"
#include "runtime/random.h"
#include "stats/comparison_input.h"
#include "stats/deviation_pool.h"
#include "stats/resampling_blocks.h"
#include "stats/resampling_engine.h"
#include "stats/resampling_sets.h"

namespace velmora {
namespace {

constexpr int kCount = 100;
constexpr std::int64_t kSets = 2000;

struct Study {
  Sample data1, data2;
  Eigen::MatrixXd mean1, mean2;
  Eigen::RowVectorXd data1cs, data2cs;
};

Sample noisy_copies(const Eigen::MatrixXd& base, int count, std::mt19937_64& rng, Eigen::RowVectorXd& sizes) {
  std::normal_distribution<double> normal;
  Sample out(base.rows(), count);
  sizes.resize(count);
  for (int i = 0; i < count; ++i) {
    Eigen::MatrixXd x = base;
    for (Eigen::Index k = 0; k < x.size(); ++k) x(k) += 0.05 * normal(rng);
    Eigen::Matrix3d a;
    for (int k = 0; k < 9; ++k) a(k) = normal(rng);
    const Eigen::Matrix3d q = Eigen::HouseholderQR<Eigen::Matrix3d>(a).householderQ();
    x = (1 + 0.1 * normal(rng)) * x * q;
    out.specimen(i) = x;
    sizes(i) = centsize3Da(x);
  }
  return out;
}

Study make_study(int points, int count) {
  std::mt19937_64 rng(2026);
  std::normal_distribution<double> normal;
  Eigen::MatrixXd base(points, 3), other(points, 3);
  for (Eigen::Index k = 0; k < base.size(); ++k) base(k) = normal(rng);
  for (Eigen::Index k = 0; k < base.size(); ++k) other(k) = base(k) + 0.02 * normal(rng);
  Study out;
  const Superimposition first = getpproc3(noisy_copies(base, count, rng, out.data1cs));
  out.data1 = first.aligned;
  out.mean1 = first.mean;
  const Superimposition second = getpproc3(noisy_copies(other, count, rng, out.data2cs));
  out.mean2 = getpprocon3(out.mean1, Sample(second.mean)).values();
  out.data2 = getpprocon3(out.mean2, second.aligned);
  return out;
}

// The generated study of `points` points and its two pools, made once.
struct Pools {
  Study study;
  ResamplingPool f, variance;
};

const Pools& pools(int points, int count = kCount) {
  static std::map<std::pair<int, int>, Pools> made;
  auto found = made.find({points, count});
  if (found != made.end()) return found->second;
  Pools p;
  p.study = make_study(points, count);
  Sample jumbo(points, 2 * count);
  jumbo.values() << p.study.data1.values(), p.study.data2.values();
  p.f = make_resampling_pool(jumbo);
  const Study& s = p.study;
  p.variance = make_resampling_pool(deviation_pool({s.data1, s.mean1, s.data1cs, s.data2, s.mean2, s.data2cs}));
  return made.emplace(std::pair{points, count}, std::move(p)).first->second;
}

ResamplingPath path_argument(std::int64_t a) { return a == 1 ? ResamplingPath::points : ResamplingPath::blocks; }

// Processor time of the whole process (every thread), in seconds.
double process_cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         1e-6 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// items_per_second is sets per second of wall time; sets_per_cpu_second
// divides by the processor time of all threads, which shows the speed of one
// core when other work shares the machine (on a free machine with both cores
// busy, sets per second approach 2 x sets_per_cpu_second).
// on_points counts the sets the blocks handed back to the points.
template <typename Run>
void run_sets(benchmark::State& state, Run run) {
  tbb::global_control threads(tbb::global_control::max_allowed_parallelism, state.range(0));
  std::uint64_t seed = 1;
  std::int64_t on_points = 0;
  const double cpu_start = process_cpu_seconds();
  for (auto _ : state) on_points += run(seed++);
  const double cpu = process_cpu_seconds() - cpu_start;
  state.SetItemsProcessed(state.iterations() * kSets);
  state.counters["sets_per_cpu_second"] = static_cast<double>(state.iterations() * kSets) / cpu;
  state.counters["on_points"] = static_cast<double>(on_points);
}

// Threads, points, path.
void set_arguments(benchmark::internal::Benchmark* b) {
  for (int threads : {1, 2})
    for (int points : {100, 300, 1000, 3000, 10000})
      for (int path : {1, 2}) b->Args({threads, points, path});
}

void BM_PermuteFSets(benchmark::State& state) {
  const ResamplingPool& pool = pools(static_cast<int>(state.range(1))).f;
  run_sets(state, [&](std::uint64_t seed) {
    FSets sets =
        run_fscore_sets(pool, kCount, kCount, GroupDraw::permutation, kSets, seed, {}, path_argument(state.range(2)));
    benchmark::DoNotOptimize(sets.bfscore.data());
    return sets.on_points;
  });
}
BENCHMARK(BM_PermuteFSets)->Apply(set_arguments)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

void BM_BootFSets(benchmark::State& state) {
  const ResamplingPool& pool = pools(static_cast<int>(state.range(1))).f;
  run_sets(state, [&](std::uint64_t seed) {
    FSets sets =
        run_fscore_sets(pool, kCount, kCount, GroupDraw::bootstrap, kSets, seed, {}, path_argument(state.range(2)));
    benchmark::DoNotOptimize(sets.bfscore.data());
    return sets.on_points;
  });
}
BENCHMARK(BM_BootFSets)->Apply(set_arguments)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

void BM_PermuteVarianceSets(benchmark::State& state) {
  const ResamplingPool& pool = pools(static_cast<int>(state.range(1))).variance;
  run_sets(state, [&](std::uint64_t seed) {
    VarianceSets sets = run_variance_sets(pool, kCount, kCount, kSets, seed, {}, path_argument(state.range(2)));
    benchmark::DoNotOptimize(sets.bdifd.data());
    return sets.on_points;
  });
}
BENCHMARK(BM_PermuteVarianceSets)->Apply(set_arguments)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// The blocks of the 200 pooled specimens alone (threads, points).
void BM_GramBlocks(benchmark::State& state) {
  tbb::global_control threads(tbb::global_control::max_allowed_parallelism, state.range(0));
  const ResamplingPool& pool = pools(static_cast<int>(state.range(1))).f;
  for (auto _ : state) benchmark::DoNotOptimize(make_gram_blocks(pool, 0, 2 * kCount).k.data());
}
BENCHMARK(BM_GramBlocks)
    ->ArgsProduct({{1, 2}, {100, 1000, 10000}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);

// The crossover: PermuteF on both paths for other pool sizes (specimens per
// sample, points, path), one thread, 400 sets (the block runs include their
// precomputation), and the path the automatic choice takes.
void BM_Choice(benchmark::State& state) {
  tbb::global_control threads(tbb::global_control::max_allowed_parallelism, 1);
  const int count = static_cast<int>(state.range(0));
  const int points = static_cast<int>(state.range(1));
  const ResamplingPool& pool = pools(points, count).f;
  std::uint64_t seed = 1;
  const double cpu_start = process_cpu_seconds();
  for (auto _ : state) {
    FSets sets =
        run_fscore_sets(pool, count, count, GroupDraw::permutation, 400, seed++, {}, path_argument(state.range(2)));
    benchmark::DoNotOptimize(sets.bfscore.data());
  }
  const double cpu = process_cpu_seconds() - cpu_start;
  state.SetItemsProcessed(state.iterations() * 400);
  state.counters["sets_per_cpu_second"] = static_cast<double>(state.iterations() * 400) / cpu;
  state.counters["automatic_is_blocks"] =
      choose_resampling_path(ResampledTest::permutation_f, points, count, count, 400) == ResamplingPath::blocks;
}
BENCHMARK(BM_Choice)
    ->ArgsProduct({{10, 30, 100, 300}, {10, 30, 100, 300, 1000}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(0.5);

// For comparison: one permutation F set the step-by-step way (getpproc3,
// getpprocon3, getpdistance3 on copied groups), one thread.
void BM_StepByStepPermuteFSet(benchmark::State& state) {
  constexpr int kPoints = 300;
  const Study& s = pools(kPoints).study;
  Sample jumbo(kPoints, 2 * kCount);
  jumbo.values() << s.data1.values(), s.data2.values();
  std::uint64_t set = 0;
  std::vector<int> order;
  for (auto _ : state) {
    RandomStream random(1, set++);
    random.permutation(2 * kCount, order);
    Sample g1(kPoints, kCount), g2(kPoints, kCount);
    for (int k = 0; k < kCount; ++k) {
      g1.specimen(k) = jumbo.specimen(order[k]);
      g2.specimen(k) = jumbo.specimen(order[kCount + k]);
    }
    const Superimposition a = getpproc3(g1);
    const Superimposition b = getpproc3(g2);
    const Eigen::MatrixXd m2 = getpprocon3(a.mean, Sample(b.mean)).values();
    const Sample b2 = getpprocon3(m2, b.aligned);
    const double bdb = getpdistance3(a.mean, Sample(m2))(0);
    const double d = getpdistance3(a.mean, a.aligned).squaredNorm() + getpdistance3(m2, b2).squaredNorm();
    benchmark::DoNotOptimize(bdb / d);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StepByStepPermuteFSet)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace velmora

BENCHMARK_MAIN();
