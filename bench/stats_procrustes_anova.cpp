// Procrustes ANOVA with residual randomization on 1,000 3D specimens: a
// covariate and a 4-level factor, 999 permutations plus the observed
// arrangement, the pooled superimposition included; at 100, 1,000 and 10,000
// points, on 2 threads:
//   build/bench/stats_procrustes_anova_bench
// The permutations work on the 1,000 by 1,000 cross product, so only the
// superimposition and the cross product grow with the points.
#include <benchmark/benchmark.h>
#include <oneapi/tbb/global_control.h>

#include <random>

#include "stats/procrustes_anova.h"
#include "stats/shape_space_components.h"

namespace velmora {
namespace {

void BM_ProcrustesAnova(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0)), count = 1000;
  std::mt19937_64 rng(1);
  std::normal_distribution<double> normal;
  Eigen::MatrixXd base(points, 3), change(points, 3);
  for (Eigen::Index k = 0; k < base.size(); ++k) base(k) = normal(rng), change(k) = normal(rng);
  Variable size{"size", false, {}, Eigen::VectorXd(count)}, group{"group", true, {}, {}};
  Sample sample(points, count);
  for (int i = 0; i < count; ++i) {
    const int level = i % 4;
    size.values(i) = normal(rng);
    group.levels.push_back(std::string(1, static_cast<char>('a' + level)));
    Eigen::MatrixXd x = base + (0.01 * level + 0.005 * size.values(i)) * change;
    for (Eigen::Index k = 0; k < x.size(); ++k) x(k) += 0.02 * normal(rng);
    Eigen::Matrix3d a;
    for (int k = 0; k < 9; ++k) a(k) = normal(rng);
    const Eigen::Matrix3d q = Eigen::HouseholderQR<Eigen::Matrix3d>(a).householderQ();
    sample.specimen(i) = ((1 + 0.1 * normal(rng)) * x * q).rowwise() + Eigen::RowVector3d(normal(rng), normal(rng), 0);
  }
  tbb::global_control threads(tbb::global_control::max_allowed_parallelism, 2);
  for (auto _ : state) {
    const PooledShapes shapes = pooled_shapes(sample, false);
    const ModelDesign design = model_design(parse_model_formula("size + group"), {size, group});
    const ProcrustesAnova a = procrustes_anova(centred_cross_product(shapes.coordinates), design, 1000, 1);
    benchmark::DoNotOptimize(a.p.data());
  }
  state.SetLabel("1000 specimens x " + std::to_string(points) + " points, 999 permutations, 2 threads");
}

}  // namespace
}  // namespace velmora

BENCHMARK(velmora::BM_ProcrustesAnova)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kSecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK_MAIN();
