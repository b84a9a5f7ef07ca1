// The OpenGL surface view turning a 1,000,000-triangle surface with 100
// landmarks on it (target: at least 30 frames a second, as under Xvfb's Mesa).
// One iteration is one frame: the view turns by 2 degrees and the benchmark
// waits until the frame is on the screen (frameSwapped); the fps counter is
// frames over real time. Two cases: the whole surface each frame, and a drag
// with the mouse, which draws the coarser copy. Needs a display: bench/surface_view_fps runs it under
// Xvfb. Without OpenGL the benchmark says so and measures nothing.
#include "runtime/qt/surface_view.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWidget>
#include <cmath>
#include <memory>

#include "runtime/graphics.h"
#include "runtime/qt/plot_view.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A bumpy sphere of rows by columns quads: 2 rows columns triangles.
std::shared_ptr<velmora::SurfaceShape> bumpy_sphere(int rows, int columns) {
  auto s = std::make_shared<velmora::SurfaceShape>();
  s->vertices.resize(static_cast<Eigen::Index>(rows + 1) * columns, 3);
  for (int i = 0; i <= rows; ++i)
    for (int j = 0; j < columns; ++j) {
      const double theta = kPi * i / rows, phi = 2 * kPi * j / columns;
      const double r = 1 + 0.05 * std::sin(7 * theta) * std::cos(5 * phi);
      s->vertices.row(i * columns + j) << r * std::sin(theta) * std::cos(phi),
          0.8 * r * std::sin(theta) * std::sin(phi), 1.2 * r * std::cos(theta);
    }
  s->triangles.resize(2 * static_cast<Eigen::Index>(rows) * columns, 3);
  Eigen::Index t = 0;
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < columns; ++j) {
      const int a = i * columns + j, b = i * columns + (j + 1) % columns;
      s->triangles.row(t++) << a, a + columns, b;
      s->triangles.row(t++) << b, a + columns, b + columns;
    }
  s->values = s->vertices.col(2);
  return s;
}

// Runs the event loop until `done` or `ms` milliseconds have passed.
template <class Done>
bool wait_for(Done done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  return done();
}

// A 900 by 620 window showing the surface with 100 landmarks on it.
struct Scene {
  velmora::Graphics g;
  velmora::Handle figure = g.new_figure();
  std::shared_ptr<velmora::SurfaceShape> shape;
  QWidget window;
  velmora::PlotView* plot = nullptr;
  velmora::SurfaceView* view = nullptr;
  int frames = 0;
  double first_frame_ms = 0;

  // A surface of 4 rows² triangles.
  explicit Scene(int rows) : shape(bumpy_sphere(rows, 2 * rows)) {
    g.surface(shape, {0.88, 0.84, 0.74});
    const velmora::Handle axes = g.gca();
    g.modify(axes, [](velmora::GraphicsObject& a) { a.colour_limits = std::array<double, 2>{-1.3, 1.3}; });
    g.hold(axes, true);
    g.axis(axes, "equal");
    g.axis(axes, "off");
    Eigen::VectorXd x(100), y(100), z(100);
    for (int i = 0; i < 100; ++i) {
      const Eigen::RowVector3d p = shape->vertices.row((i * 9973) % shape->vertices.rows());
      x(i) = p.x();
      y(i) = p.y();
      z(i) = p.z();
    }
    g.plot3(x, y, z, "ko");
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    plot = new velmora::PlotView(g, figure, &window);
    plot->hide();
    view = new velmora::SurfaceView(g, plot, &window);
    layout->addWidget(view);
    QObject::connect(view, &QOpenGLWidget::frameSwapped, [this] { ++frames; });
    window.resize(900, 620);
    window.show();
    QElapsedTimer first;
    first.start();
    wait_for([&] { return frames > 0 || view->failed(); }, 60000);
    first_frame_ms = static_cast<double>(first.elapsed());
  }
  bool started() const { return frames > 0 && !view->failed(); }
  // Waits for the frame after `before`.
  void next_frame(int before) {
    wait_for([&] { return frames > before; }, 10000);
  }
};

void report(benchmark::State& state, const Scene& scene) {
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["first_frame_ms"] = scene.first_frame_ms;  // the upload of the buffers included
  state.counters["triangles"] = static_cast<double>(scene.shape->triangles.rows());
}

// The whole surface each frame: the view turned by 2 degrees from outside (as
// the arrow keys do).
void BM_turn_whole_surface(benchmark::State& state) {
  if (!velmora::opengl_available()) return state.SkipWithError("no OpenGL context can be made on this display");
  Scene scene(static_cast<int>(state.range(0)));
  if (!scene.started()) return state.SkipWithError("the OpenGL view did not start");
  double azimuth = -37.5;
  for (auto _ : state) {
    const int before = scene.frames;
    azimuth += 2;
    scene.plot->set_view(velmora::RenderView{azimuth, 30, 1});
    scene.next_frame(before);
  }
  report(state, scene);
}
BENCHMARK(BM_turn_whole_surface)
    ->Arg(500)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->MinTime(3);

// A drag with the mouse: 4 pixels a frame (2 degrees), the coarser copy drawn.
void BM_drag_surface(benchmark::State& state) {
  if (!velmora::opengl_available()) return state.SkipWithError("no OpenGL context can be made on this display");
  Scene scene(static_cast<int>(state.range(0)));
  if (!scene.started()) return state.SkipWithError("the OpenGL view did not start");
  QPointF at(100, 300);
  QMouseEvent press(QEvent::MouseButtonPress, at, scene.view->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
  QCoreApplication::sendEvent(scene.view, &press);
  for (auto _ : state) {
    const int before = scene.frames;
    at.rx() += 4;
    if (at.x() > 800) at.setX(100);
    QMouseEvent move(QEvent::MouseMove, at, scene.view->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(scene.view, &move);
    scene.next_frame(before);
  }
  QMouseEvent release(QEvent::MouseButtonRelease, at, scene.view->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, {});
  QCoreApplication::sendEvent(scene.view, &release);
  report(state, scene);
}
BENCHMARK(BM_drag_surface)
    ->Arg(500)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->MinTime(3);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
