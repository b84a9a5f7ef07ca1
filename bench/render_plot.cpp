// The plot of a loaded sample (the mean over every specimen's markers, as
// LoadFile1 draws it) at 1,000 and 5,000 specimens of 45 points: one full
// redraw with Cairo, and one frame of the quick picture drawn while the view is
// dragged (target: under 30 ms at 5,000 specimens).
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <random>

#include "display/showshape3D.h"
#include "runtime/render.h"

namespace {

constexpr int kWidth = 900, kHeight = 620;  // about the docked plot of a 1280 by 720 screen

struct Plot {
  velmora::Graphics graphics;
  velmora::Handle figure = 0;
  velmora::PlotExtras extras;
};

std::unique_ptr<Plot> make_plot(Eigen::Index count, Eigen::Index points) {
  auto plot = std::make_unique<Plot>();
  std::mt19937 gen(7);
  std::normal_distribution<double> n;
  Eigen::MatrixXd mean(points, 3);
  for (Eigen::Index i = 0; i < points; ++i) mean.row(i) << n(gen), n(gen), n(gen);
  mean /= std::sqrt(mean.squaredNorm());
  velmora::Sample data(points, count);
  for (Eigen::Index k = 0; k < count; ++k)
    for (Eigen::Index i = 0; i < points; ++i)
      data.specimen(k).row(i) = mean.row(i) + 0.01 * Eigen::RowVector3d(n(gen), n(gen), n(gen));
  plot->figure = plot->graphics.new_figure();
  velmora::showshape3D(plot->graphics, velmora::Sample(mean), "r*");
  const velmora::Handle mean_line = plot->graphics.object(plot->graphics.gca()).children.front();
  velmora::showshape3D(plot->graphics, data, "bo");
  plot->extras.on_top = {mean_line};
  plot->extras.axis_names = true;
  plot->extras.legend = {{"Sample 1", {0, 0, 1}, "o"}, {"Mean 1", {1, 0, 0}, "*"}};
  return plot;
}

void BM_full_redraw(benchmark::State& state) {
  const auto plot = make_plot(state.range(0), 45);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  const velmora::RenderView view{-20, 25, 1.2};
  for (auto _ : state) {
    cairo_t* cr = cairo_create(surface);
    velmora::render_figure(cr, plot->graphics, plot->figure, kWidth, kHeight, view, &plot->extras);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
  }
  cairo_surface_destroy(surface);
  state.SetLabel(std::to_string(state.range(0)) + " specimens x 45 points, " + std::to_string(kWidth) + " x " +
                 std::to_string(kHeight));
}

void BM_drag_frame(benchmark::State& state) {
  const auto plot = make_plot(state.range(0), 45);
  std::vector<unsigned char> pixels(4 * kWidth * kHeight);
  double azimuth = -20;
  for (auto _ : state) {
    azimuth += 1;  // every frame a new view, as a drag makes them
    velmora::render_preview(pixels.data(), kWidth, kHeight, 4 * kWidth, 1.0, plot->graphics, plot->figure,
                            velmora::RenderView{azimuth, 25, 1.2}, &plot->extras);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetLabel(std::to_string(state.range(0)) + " specimens x 45 points, " + std::to_string(kWidth) + " x " +
                 std::to_string(kHeight));
}

// What the view copies on the window's thread before a full redraw goes to the background.
void BM_copy_for_background(benchmark::State& state) {
  const auto plot = make_plot(state.range(0), 45);
  for (auto _ : state) benchmark::DoNotOptimize(plot->graphics.copy_figure(plot->figure).get());
}

}  // namespace

BENCHMARK(BM_full_redraw)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_drag_frame)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_copy_for_background)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
