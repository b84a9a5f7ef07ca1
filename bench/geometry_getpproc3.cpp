// Generalized Procrustes superimposition of 1,000 specimens of 500 points.
#include <benchmark/benchmark.h>

#include <random>

#include "geometry/getpproc3.h"

namespace {

velmora::Sample make_sample(Eigen::Index points, Eigen::Index count) {
  std::mt19937 gen(12345);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::normal_distribution<double> n;
  Eigen::MatrixXd base(points, 3);
  for (Eigen::Index i = 0; i < points; ++i) base.row(i) << u(gen), u(gen), u(gen);
  velmora::Sample s(points, count);
  for (Eigen::Index k = 0; k < count; ++k) {
    Eigen::Quaterniond q(n(gen), n(gen), n(gen), n(gen));
    q.normalize();
    Eigen::MatrixXd noisy = base;
    for (Eigen::Index i = 0; i < points; ++i) noisy.row(i) += 0.05 * Eigen::RowVector3d(u(gen), u(gen), u(gen));
    s.specimen(k) = ((2.0 + u(gen)) * noisy * q.toRotationMatrix()).rowwise() + Eigen::RowVector3d(u(gen), u(gen), 0);
  }
  return s;
}

void BM_getpproc3(benchmark::State& state) {
  const velmora::Sample data = make_sample(state.range(1), state.range(0));
  for (auto _ : state) {
    velmora::Superimposition s = velmora::getpproc3(data);
    benchmark::DoNotOptimize(s.mean.data());
  }
  state.SetLabel(std::to_string(state.range(0)) + " specimens x " + std::to_string(state.range(1)) + " points");
}

}  // namespace

BENCHMARK(BM_getpproc3)->Args({1000, 500})->Args({100, 50})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
