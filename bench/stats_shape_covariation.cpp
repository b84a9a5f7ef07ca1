// Allometry (logsize * a 4-level factor), canonical variates of that factor
// and a two-block PLS (the first 500 points against the other 500) on 1,000 3D
// specimens of 1,000 points, 999 permutations plus the observed arrangement,
// the pooled superimposition included, on 2 threads:
//   build/bench/stats_shape_covariation_bench
#include <benchmark/benchmark.h>
#include <oneapi/tbb/global_control.h>

#include <random>

#include "stats/shape_covariation.h"
#include "stats/shape_space_components.h"

namespace velmora {
namespace {

struct Study {
  Sample sample;
  Variable size{"logsize", false, {}, {}}, group{"group", true, {}, {}};
};

const Study& study() {
  static const Study s = [] {
    const int points = 1000, count = 1000;
    std::mt19937_64 rng(1);
    std::normal_distribution<double> normal;
    Eigen::MatrixXd base(points, 3), change(points, 3), shared(points, 3);
    for (Eigen::Index k = 0; k < base.size(); ++k)
      base(k) = normal(rng), change(k) = normal(rng), shared(k) = normal(rng);
    Study out;
    out.sample = Sample(points, count);
    out.size.values.resize(count);
    for (int i = 0; i < count; ++i) {
      const int level = i % 4;
      out.size.values(i) = normal(rng);
      out.group.levels.push_back(std::string(1, static_cast<char>('a' + level)));
      Eigen::MatrixXd x = base + (0.01 * level + 0.005 * out.size.values(i)) * change + 0.01 * normal(rng) * shared;
      for (Eigen::Index k = 0; k < x.size(); ++k) x(k) += 0.02 * normal(rng);
      out.sample.specimen(i) = x;
    }
    return out;
  }();
  return s;
}

template <class Run>
void measure(benchmark::State& state, const char* what, Run run) {
  const Study& s = study();
  tbb::global_control threads(tbb::global_control::max_allowed_parallelism, 2);
  for (auto _ : state) {
    const PooledShapes shapes = pooled_shapes(s.sample, false);
    run(s, shapes.coordinates);
  }
  state.SetLabel(std::string(what) + ": 1000 specimens x 1000 points, 999 permutations, 2 threads");
}

void BM_Allometry(benchmark::State& state) {
  measure(state, "allometry", [](const Study& s, const Eigen::MatrixXd& y) {
    const AllometryFit fit = allometry(y, s.size, &s.group, 1000, 1);
    benchmark::DoNotOptimize(fit.anova.p.data());
  });
}

void BM_CanonicalVariates(benchmark::State& state) {
  measure(state, "CVA", [](const Study& s, const Eigen::MatrixXd& y) {
    const CanonicalVariates cv = canonical_variates(y, s.group, 1000, 1);
    benchmark::DoNotOptimize(cv.mahalanobis_p.data());
  });
}

void BM_TwoBlockPls(benchmark::State& state) {
  measure(state, "two-block PLS", [](const Study&, const Eigen::MatrixXd& y) {
    const TwoBlockPls pls = two_block_pls(y.leftCols(1500), y.rightCols(1500), 1000, 1);
    benchmark::DoNotOptimize(pls.p);
  });
}

}  // namespace
}  // namespace velmora

BENCHMARK(velmora::BM_Allometry)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(velmora::BM_CanonicalVariates)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(velmora::BM_TwoBlockPls)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK_MAIN();
