// ShapePCA on 1,000 + 1,000 specimens of 1,000 points (the pooled
// superimposition and the principal components of a 2,000 by 3,000 matrix),
// with 1 and 2 threads:
//   build/bench/stats_shapepca_bench
#include <benchmark/benchmark.h>
#include <oneapi/tbb/global_control.h>

#include <random>

#include "stats/shape_space_components.h"

namespace velmora {
namespace {

// n noisy copies of `base`, each turned, scaled and moved at random.
Sample copies(const Eigen::MatrixXd& base, int n, std::mt19937_64& rng) {
  std::normal_distribution<double> normal;
  Sample out(base.rows(), n);
  for (int i = 0; i < n; ++i) {
    Eigen::MatrixXd x = base;
    for (Eigen::Index k = 0; k < x.size(); ++k) x(k) += 0.02 * normal(rng);
    Eigen::Matrix3d a;
    for (int k = 0; k < 9; ++k) a(k) = normal(rng);
    const Eigen::Matrix3d q = Eigen::HouseholderQR<Eigen::Matrix3d>(a).householderQ();
    out.specimen(i) = ((1 + 0.1 * normal(rng)) * x * q).rowwise() + Eigen::RowVector3d(normal(rng), normal(rng), 0);
  }
  return out;
}

void BM_ShapePCA(benchmark::State& state) {
  const int points = 1000, count = 1000;
  std::mt19937_64 rng(1);
  std::normal_distribution<double> normal;
  Eigen::MatrixXd base(points, 3), other(points, 3);
  for (Eigen::Index k = 0; k < base.size(); ++k) base(k) = normal(rng);
  for (Eigen::Index k = 0; k < base.size(); ++k) other(k) = base(k) + 0.05 * normal(rng);
  const Sample data1 = copies(base, count, rng), data2 = copies(other, count, rng);
  tbb::global_control threads(tbb::global_control::max_allowed_parallelism, state.range(0));
  for (auto _ : state) {
    const ShapePca pca = shape_space_components(data1, data2, false);
    benchmark::DoNotOptimize(pca.scores.data());
  }
  state.SetLabel("1000 + 1000 specimens x 1000 points, " + std::to_string(state.range(0)) + " thread(s)");
}

}  // namespace
}  // namespace velmora

BENCHMARK(velmora::BM_ShapePCA)->Arg(1)->Arg(2)->Unit(benchmark::kSecond)->Iterations(3)->UseRealTime();

BENCHMARK_MAIN();
