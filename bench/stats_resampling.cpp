// Sets per second of the resampling tests on generated samples of 100 + 100
// specimens of 300 points, 2,000 sets, with 1 and 2 threads:
//   build-stats/bench/stats_bench --benchmark_filter=Sets
// items_per_second is sets per second.
#include <benchmark/benchmark.h>
#include <oneapi/tbb/global_control.h>
#include <sys/resource.h>

#include <random>

#include "geometry/centsize3Da.h"
#include "geometry/getpdistance3.h"
#include "geometry/getpproc3.h"
#include "geometry/getpprocon3.h"
#include "runtime/random.h"
#include "stats/comparison_input.h"
#include "stats/deviation_pool.h"
#include "stats/resampling_engine.h"
#include "stats/resampling_sets.h"

namespace velmora {
namespace {

constexpr int kPoints = 300;
constexpr int kCount = 100;
constexpr std::int64_t kSets = 2000;

struct Study {
  Sample data1, data2;
  Eigen::MatrixXd mean1, mean2;
  Eigen::RowVectorXd data1cs, data2cs;
};

Sample noisy_copies(const Eigen::MatrixXd& base, std::mt19937_64& rng, Eigen::RowVectorXd& sizes) {
  std::normal_distribution<double> normal;
  Sample out(base.rows(), kCount);
  sizes.resize(kCount);
  for (int i = 0; i < kCount; ++i) {
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

const Study& study() {
  static const Study s = [] {
    std::mt19937_64 rng(2026);
    std::normal_distribution<double> normal;
    Eigen::MatrixXd base(kPoints, 3), other(kPoints, 3);
    for (Eigen::Index k = 0; k < base.size(); ++k) base(k) = normal(rng);
    for (Eigen::Index k = 0; k < base.size(); ++k) other(k) = base(k) + 0.02 * normal(rng);
    Study out;
    const Superimposition first = getpproc3(noisy_copies(base, rng, out.data1cs));
    out.data1 = first.aligned;
    out.mean1 = first.mean;
    const Superimposition second = getpproc3(noisy_copies(other, rng, out.data2cs));
    out.mean2 = getpprocon3(out.mean1, Sample(second.mean)).values();
    out.data2 = getpprocon3(out.mean2, second.aligned);
    return out;
  }();
  return s;
}

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
template <typename Run>
void run_sets(benchmark::State& state, Run run) {
  tbb::global_control threads(tbb::global_control::max_allowed_parallelism, state.range(0));
  std::uint64_t seed = 1;
  const double cpu_start = process_cpu_seconds();
  for (auto _ : state) run(seed++);
  const double cpu = process_cpu_seconds() - cpu_start;
  state.SetItemsProcessed(state.iterations() * kSets);
  state.counters["sets_per_cpu_second"] = static_cast<double>(state.iterations() * kSets) / cpu;
}

const ResamplingPool& f_pool() {
  static const ResamplingPool pool = [] {
    Sample jumbo(kPoints, 2 * kCount);
    jumbo.values() << study().data1.values(), study().data2.values();
    return make_resampling_pool(jumbo);
  }();
  return pool;
}

const ResamplingPool& variance_pool() {
  static const ResamplingPool pool = [] {
    const Study& s = study();
    return make_resampling_pool(deviation_pool({s.data1, s.mean1, s.data1cs, s.data2, s.mean2, s.data2cs}));
  }();
  return pool;
}

void BM_PermuteFSets(benchmark::State& state) {
  const ResamplingPool& pool = f_pool();
  run_sets(state, [&](std::uint64_t seed) {
    FSets sets = run_fscore_sets(pool, kCount, kCount, GroupDraw::permutation, kSets, seed);
    benchmark::DoNotOptimize(sets.bfscore.data());
  });
}
BENCHMARK(BM_PermuteFSets)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_BootFSets(benchmark::State& state) {
  const ResamplingPool& pool = f_pool();
  run_sets(state, [&](std::uint64_t seed) {
    FSets sets = run_fscore_sets(pool, kCount, kCount, GroupDraw::bootstrap, kSets, seed);
    benchmark::DoNotOptimize(sets.bfscore.data());
  });
}
BENCHMARK(BM_BootFSets)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_PermuteVarianceSets(benchmark::State& state) {
  const ResamplingPool& pool = variance_pool();
  run_sets(state, [&](std::uint64_t seed) {
    VarianceSets sets = run_variance_sets(pool, kCount, kCount, kSets, seed);
    benchmark::DoNotOptimize(sets.bdifd.data());
  });
}
BENCHMARK(BM_PermuteVarianceSets)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// For comparison: one permutation F set the step-by-step way (getpproc3,
// getpprocon3, getpdistance3 on copied groups), one thread.
void BM_StepByStepPermuteFSet(benchmark::State& state) {
  const Study& s = study();
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
