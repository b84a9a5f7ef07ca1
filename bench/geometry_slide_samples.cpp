// Sliding the semilandmarks of 200 specimens of 500 points, 450 of them
// semilandmarks on 6 curves (2 closed, 4 open), projected back onto curves of
// 150 clicks each: the whole iterated sliding, by each criterion.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "geometry/pick3points.h"
#include "geometry/slide_samples.h"

namespace {

using velmora::CurvePolylines;
using velmora::Sample;

constexpr int kLandmarks = 40, kCurves = 6, kClicks = 150;
constexpr int kTypes[kCurves] = {1, 1, 3, 3, 3, 3};
constexpr int kCounts[kCurves] = {75, 75, 77, 77, 77, 77};  // closed: 76 rows kept, open: 77

struct Study {
  Sample data;
  CurvePolylines curves;
  velmora::SemilandmarkLayout layout;
};

Study make_study(Eigen::Index count) {
  std::mt19937 gen(2026);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::normal_distribution<double> n;
  Eigen::MatrixXd landmarks(kLandmarks, 3);
  for (Eigen::Index i = 0; i < kLandmarks; ++i) landmarks.row(i) << 3 * u(gen), 3 * u(gen), 3 * u(gen);
  // Curve j's course at t in [0, 1]: loops and arcs in their own places and planes.
  const auto course = [](int j, double t) -> Eigen::RowVector3d {
    const double a = 2 * M_PI * t, s = static_cast<double>(j);
    if (kTypes[j] == 1) return {4 + 1.5 * std::cos(a) + s, 1.2 * std::sin(a), 0.3 * std::sin(3 * a) - s};
    return {-4 + 3 * t, s - 2 + 0.8 * std::sin(a / 2 + s), 0.5 * std::cos(a + s) + 0.2 * s};
  };
  Eigen::Index points = kLandmarks;
  for (int j = 0; j < kCurves; ++j) points += kTypes[j] == 1 ? kCounts[j] + 1 : kCounts[j];

  Study out;
  out.data = Sample(points, count);
  for (Eigen::Index i = 0; i < count; ++i) {
    const double bend = 0.1 * u(gen), twist = 0.1 * u(gen);
    const auto deform = [&](Eigen::RowVector3d x) {
      x(0) += bend * std::sin(x(1));
      x(2) += twist * x(0) * x(1) / 4;
      return x;
    };
    Eigen::MatrixXd x(points, 3);
    for (Eigen::Index k = 0; k < kLandmarks; ++k)
      x.row(k) = deform(landmarks.row(k)) + 0.02 * Eigen::RowVector3d(n(gen), n(gen), n(gen));
    std::vector<Eigen::MatrixXd> curves;
    Eigen::Index row = kLandmarks;
    for (int j = 0; j < kCurves; ++j) {
      const bool closed = kTypes[j] == 1;
      Eigen::MatrixXd clicks(kClicks, 3);
      for (int k = 0; k < kClicks; ++k) {
        double t = static_cast<double>(k) / (closed ? kClicks : kClicks - 1);
        if (k > 0 && (closed || k < kClicks - 1)) t += 0.3 * u(gen) / kClicks;
        clicks.row(k) = deform(course(j, t)) + 0.005 * Eigen::RowVector3d(n(gen), n(gen), n(gen));
      }
      const Eigen::RowVectorXd flat = clicks.transpose().reshaped().transpose();
      const Eigen::RowVectorXd resampled = velmora::pick3points(flat, kTypes[j], kCounts[j]);
      const Eigen::Index kept = resampled.size() / 3;
      x.middleRows(row, kept) = resampled.reshaped(3, kept).transpose();
      row += kept;
      if (closed) {
        clicks.conservativeResize(kClicks + 1, 3);
        clicks.row(kClicks) = clicks.row(0);
      }
      curves.push_back(std::move(clicks));
    }
    out.data.specimen(i) = x;
    out.curves.push_back(std::move(curves));
  }

  Eigen::MatrixXd proto(6 + 2 * kCurves, 1);
  proto.topRows(6) << 0, 0, 0, 0, kCurves, -999;
  Eigen::RowVectorXd rbreak(kCurves + 1);
  Eigen::Index values = 3 * kLandmarks;
  for (int j = 0; j < kCurves; ++j) {
    proto(6 + 2 * j) = kTypes[j];
    proto(7 + 2 * j) = kCounts[j];
    rbreak(j) = static_cast<double>(values);
    values += 3 * (kTypes[j] == 1 ? kCounts[j] + 1 : kCounts[j]);
  }
  rbreak(kCurves) = static_cast<double>(values);
  out.layout = velmora::semilandmark_layout(proto, rbreak, points);
  return out;
}

void BM_slide_samples(benchmark::State& state) {
  static const Study study = make_study(200);
  velmora::SlideOptions options;
  options.criterion = state.range(0) == 0 ? velmora::SlideCriterion::bending : velmora::SlideCriterion::procrustes;
  int iterations = 0;
  for (auto _ : state) {
    const velmora::SlidSamples slid =
        velmora::slide_samples(study.data, study.curves, Sample(), {}, study.layout, options);
    iterations = slid.iterations;
    benchmark::DoNotOptimize(slid.first.mean.data());
  }
  state.counters["slide_iterations"] = iterations;
  state.SetLabel(std::string(state.range(0) == 0 ? "bending" : "procrustes") + ", 200 specimens x " +
                 std::to_string(study.data.points()) + " points, " + std::to_string(study.layout.sliding.size()) +
                 " semilandmarks");
}

}  // namespace

BENCHMARK(BM_slide_samples)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
