// Surfaces at the size of a CT scan: warping a 1,000,000-vertex mesh by the
// thin-plate spline of 100 landmarks (target: under 0.5 s on 2 cores), and a
// PNG at 300 dpi of a 1,000,000-triangle surface (target: under 2 s, the PNG
// encoding included), and one frame of the quick picture drawn while such a
// surface is turned. On a shared machine the CPU column (every thread of the
// process) over the number of cores tells the time on idle cores.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "geometry/mesh.h"
#include "geometry/warp_mesh.h"
#include "runtime/render.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A bumpy sphere of rows by columns quads: 2 rows columns triangles.
velmora::Mesh bumpy_sphere(int rows, int columns) {
  velmora::Mesh m;
  m.vertices.resize(static_cast<Eigen::Index>(rows + 1) * columns, 3);
  for (int i = 0; i <= rows; ++i)
    for (int j = 0; j < columns; ++j) {
      const double theta = kPi * i / rows, phi = 2 * kPi * j / columns;
      const double r = 1 + 0.05 * std::sin(7 * theta) * std::cos(5 * phi);
      m.vertices.row(i * columns + j) << r * std::sin(theta) * std::cos(phi), 0.8 * r * std::sin(theta) * std::sin(phi),
          1.2 * r * std::cos(theta);
    }
  m.triangles.resize(2 * static_cast<Eigen::Index>(rows) * columns, 3);
  Eigen::Index t = 0;
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < columns; ++j) {
      const int a = i * columns + j, b = i * columns + (j + 1) % columns;
      m.triangles.row(t++) << a, a + columns, b;
      m.triangles.row(t++) << b, a + columns, b + columns;
    }
  return m;
}

void BM_warp_mesh(benchmark::State& state) {
  const velmora::Mesh mesh = bumpy_sphere(999, 1000);  // 1,000,000 vertices
  std::mt19937 gen(3);
  std::normal_distribution<double> n;
  Eigen::MatrixXd from(state.range(0), 3);
  for (Eigen::Index i = 0; i < from.rows(); ++i) from.row(i) = mesh.vertices.row((i * 9973) % mesh.vertices.rows());
  Eigen::MatrixXd to = from;
  for (Eigen::Index k = 0; k < to.size(); ++k) to(k) += 0.03 * n(gen);
  for (auto _ : state) benchmark::DoNotOptimize(velmora::warp_mesh(mesh, from, to).vertices.data());
  state.counters["vertices"] = static_cast<double>(mesh.vertices.rows());
}
BENCHMARK(BM_warp_mesh)->Arg(100)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_png_300dpi(benchmark::State& state) {
  const velmora::Mesh mesh = bumpy_sphere(500, 1000);  // 1,000,000 triangles
  velmora::Graphics g;
  const velmora::Handle figure = g.new_figure();
  auto shape = std::make_shared<velmora::SurfaceShape>();
  shape->vertices = mesh.vertices;
  shape->triangles = mesh.triangles;
  shape->values = mesh.vertices.col(2);
  g.surface(shape, {0.88, 0.84, 0.74});
  g.modify(g.gca(), [](velmora::GraphicsObject& a) { a.colour_limits = std::array<double, 2>{-1.3, 1.3}; });
  g.axis(g.gca(), "equal");
  // A 560 by 420 window (the default plot) at 300 dpi instead of 96.
  const double scale = 300.0 / 96;
  const int width = static_cast<int>(560 * scale), height = static_cast<int>(420 * scale);
  std::size_t bytes = 0;
  for (auto _ : state) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    velmora::render_figure(cr, g, figure, 560, 420);
    cairo_destroy(cr);
    std::string png;
    cairo_surface_write_to_png_stream(
        surface,
        [](void* closure, const unsigned char* data, unsigned int length) {
          static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
          return CAIRO_STATUS_SUCCESS;
        },
        &png);
    cairo_surface_destroy(surface);
    bytes = png.size();
  }
  state.counters["triangles"] = static_cast<double>(mesh.triangles.rows());
  state.counters["png_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_png_300dpi)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_drag_frame(benchmark::State& state) {
  // One frame of the quick picture a plot window draws while the surface is
  // turned: 900 by 620 pixels, one sample a pixel.
  const velmora::Mesh mesh = bumpy_sphere(500, 1000);  // 1,000,000 triangles
  velmora::Graphics g;
  const velmora::Handle figure = g.new_figure();
  auto shape = std::make_shared<velmora::SurfaceShape>();
  shape->vertices = mesh.vertices;
  shape->triangles = mesh.triangles;
  g.surface(shape, {0.88, 0.84, 0.74});
  g.axis(g.gca(), "equal");
  const int width = 900, height = 620, stride = 4 * width;
  std::vector<unsigned char> pixels(static_cast<std::size_t>(stride) * height);
  double azimuth = -37.5;
  for (auto _ : state) {
    velmora::render_preview(pixels.data(), width, height, stride, 1.0, g, figure, velmora::RenderView{azimuth, 30, 1});
    azimuth += 2;
  }
  state.counters["triangles"] = static_cast<double>(mesh.triangles.rows());
}
BENCHMARK(BM_drag_frame)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
