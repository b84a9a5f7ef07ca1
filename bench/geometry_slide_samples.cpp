// Sliding the semilandmarks of 200 specimens of 500 points, 450 of them
// semilandmarks on 6 curves (2 closed, 4 open), projected back onto curves of
// 150 clicks each: the whole iterated sliding, by each criterion. And one long
// outline in the plane: 20 specimens of 3 landmarks and a closed curve of
// 2,000 semilandmarks, slid by bending energy (a dense system of 2,000
// unknowns a specimen and iteration, solved for all specimens together by
// preconditioned conjugate gradients), on 2 threads; and the same outline
// rising and falling in space:
//   build/bench/bench_geometry_slide_samples --benchmark_filter=long
#include <benchmark/benchmark.h>
#include <oneapi/tbb/global_control.h>

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

// Slides `study` once a timed iteration; the iterations of sliding counted.
void slide_timed(benchmark::State& state, const Study& study, const velmora::SlideOptions& options) {
  int iterations = 0;
  for (auto _ : state) {
    const velmora::SlidSamples slid =
        velmora::slide_samples(study.data, study.curves, Sample(), {}, study.layout, options);
    iterations = slid.iterations;
    benchmark::DoNotOptimize(slid.first.mean.data());
  }
  state.counters["slide_iterations"] = iterations;
}

void BM_slide_samples(benchmark::State& state) {
  static const Study study = make_study(200);
  velmora::SlideOptions options;
  options.criterion = state.range(0) == 0 ? velmora::SlideCriterion::bending : velmora::SlideCriterion::procrustes;
  slide_timed(state, study, options);
  state.SetLabel(std::string(state.range(0) == 0 ? "bending" : "procrustes") + ", 200 specimens x " +
                 std::to_string(study.data.points()) + " points, " + std::to_string(study.layout.sliding.size()) +
                 " semilandmarks");
}

// 3 landmarks inside a closed outline of `count` semilandmarks in the plane
// (in space: rising and falling), each specimen bent its own way and clicked
// unevenly at 400 places.
Study make_outline(Eigen::Index specimens, int count, bool space = false) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  constexpr int kInside = 3, kOutlineClicks = 400;
  const Eigen::Index points = kInside + count + 1;
  Study out;
  out.data = Sample(points, specimens);
  for (Eigen::Index i = 0; i < specimens; ++i) {
    const double a = 0.1 * u(gen), b = 0.1 * u(gen), c = 0.05 * u(gen);
    Eigen::MatrixXd x = Eigen::MatrixXd::Zero(points, 3);
    x.topRows(kInside) << 0.5 + 0.02 * u(gen), 0.1, 0, -0.4, 0.3 + 0.02 * u(gen), 0, 0.1, -0.5, 0;
    Eigen::MatrixXd clicks = Eigen::MatrixXd::Zero(kOutlineClicks + 1, 3);
    for (int k = 0; k < kOutlineClicks; ++k) {
      const double t = 2 * M_PI * (k + (k > 0 ? 0.3 * u(gen) : 0.0)) / kOutlineClicks;
      clicks.row(k) << (2 + a * std::cos(3 * t)) * std::cos(t),
          (1.2 + b * std::sin(2 * t) + c * std::cos(5 * t)) * std::sin(t), space ? 0.3 * std::sin(2 * t + 10 * c) : 0;
    }
    clicks.row(kOutlineClicks) = clicks.row(0);
    const Eigen::RowVectorXd flat = clicks.topRows(kOutlineClicks).transpose().reshaped().transpose();
    const Eigen::RowVectorXd resampled = velmora::pick3points(flat, 1, count);
    x.bottomRows(count + 1) = resampled.reshaped(3, count + 1).transpose();
    out.data.specimen(i) = x;
    out.curves.push_back({clicks});
  }
  Eigen::MatrixXd proto(8, 1);
  proto << 0, 0, 0, 0, 1, -999, 1, count;
  Eigen::RowVectorXd rbreak(2);
  rbreak << 3 * kInside, 3 * static_cast<double>(points);
  out.layout = velmora::semilandmark_layout(proto, rbreak, points);
  return out;
}

void BM_slide_long_outline(benchmark::State& state) {
  const bool space = state.range(0) == 1;
  static const Study plane = make_outline(20, 2000), curved = make_outline(20, 2000, true);
  const Study& study = space ? curved : plane;
  tbb::global_control threads(tbb::global_control::max_allowed_parallelism, 2);
  velmora::SlideOptions options;
  slide_timed(state, study, options);
  state.SetLabel("bending, 20 specimens x " + std::to_string(study.data.points()) + " points, " +
                 std::to_string(study.layout.sliding.size()) + " semilandmarks on one outline " +
                 (space ? "in space" : "in the plane") + ", 2 threads");
}

}  // namespace

BENCHMARK(BM_slide_samples)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_slide_long_outline)->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime()->MeasureProcessCPUTime();

BENCHMARK_MAIN();
