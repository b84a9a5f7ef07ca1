#include "runtime/qt/plot_window.h"

#include <cairo.h>

#include <QCloseEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

#include "runtime/error.h"
#include "runtime/file_write.h"
#include "runtime/flat_layout.h"

namespace velmora {
namespace {

// Renders the figure into an image of `size` device pixels (drawn at `scale`).
QImage render_image(const Graphics& graphics, Handle figure, QSize size, double scale,
                    const std::optional<RenderView>& view) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(image.bits(), CAIRO_FORMAT_ARGB32, image.width(),
                                                                 image.height(), image.bytesPerLine());
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  std::string failure;
  {
    auto lock = graphics.lock();
    try {
      if (graphics.is_handle(figure))
        render_figure(cr, graphics, figure, size.width() / scale, size.height() / scale, view);
    } catch (const std::exception& e) {
      failure = e.what();
    }
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
  if (!failure.empty()) {
    QPainter p(&image);
    p.setPen(Qt::darkRed);
    p.drawText(image.rect().adjusted(10, 10, -10, -10), Qt::AlignCenter | Qt::TextWordWrap,
               QString::fromStdString(failure));
  }
  return image;
}

}  // namespace

PlotView::PlotView(const Graphics& graphics, Handle figure, QWidget* parent)
    : QWidget(parent), graphics_(graphics), figure_(figure) {
  setMinimumSize(200, 150);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setToolTip("Drag to rotate, use the wheel to zoom");
  setMouseTracking(true);  // hover names the points of a shape space plot
}

std::optional<std::string> PlotView::name_at(QPoint at) const {
  return point_name_at(graphics_, figure_, width(), height(), Eigen::Vector2d(at.x(), at.y()), 6);
}

void PlotView::set_view(const std::optional<RenderView>& view) {
  view_ = view;
  update();
}

QImage PlotView::picture(QSize size) const { return render_image(graphics_, figure_, size, 1.0, view_); }

void PlotView::paintEvent(QPaintEvent*) {
  const double dpr = devicePixelRatioF();
  const QImage image = render_image(graphics_, figure_, size() * dpr, dpr, view_);
  QPainter painter(this);
  painter.drawImage(rect(), image);
}

RenderView PlotView::start_view() const {
  // Rotation starts from the figure's camera when it has one, else the default view.
  RenderView v;
  auto lock = graphics_.lock();
  if (!graphics_.is_handle(figure_)) return v;
  for (Handle c : graphics_.object(figure_).children) {
    const GraphicsObject& axes = graphics_.object(c);
    if (axes.type != ObjectType::axes || !axes.camera_position) continue;
    const Eigen::Vector3d& p = *axes.camera_position;
    const double pi = std::acos(-1.0);
    // Straight above (or below) the data the azimuth is 0, so x runs right and
    // y up as in the picture before the first drag (atan2(0, -0) would be 180).
    v.azimuth = (p.x() == 0 && p.y() == 0) ? 0.0 : std::atan2(p.x(), -p.y()) * 180 / pi;
    v.elevation = std::atan2(p.z(), std::hypot(p.x(), p.y())) * 180 / pi;
    break;
  }
  return v;
}

void PlotView::mousePressEvent(QMouseEvent* event) {
  last_ = event->position().toPoint();
  // A click on a named point names it too (and keeps the name up a while).
  if (const auto name = name_at(last_))
    QToolTip::showText(event->globalPosition().toPoint(), QString::fromStdString(*name), this, QRect(), 10000);
}

void PlotView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (!(event->buttons() & Qt::LeftButton)) {
    if (const auto name = name_at(p))
      QToolTip::showText(event->globalPosition().toPoint(), QString::fromStdString(*name), this);
    else if (is_flat_figure(graphics_, figure_))
      QToolTip::hideText();
    return;
  }
  if (is_flat_figure(graphics_, figure_)) return;  // a flat plot is not turned
  RenderView v = view_ ? *view_ : start_view();
  v.azimuth -= 0.5 * (p.x() - last_.x());
  v.elevation = std::clamp(v.elevation + 0.5 * (p.y() - last_.y()), -90.0, 90.0);
  last_ = p;
  set_view(v);
}

void PlotView::wheelEvent(QWheelEvent* event) {
  if (is_flat_figure(graphics_, figure_)) return;
  RenderView v = view_ ? *view_ : start_view();
  const double steps = event->angleDelta().y() / 120.0;
  v.zoom = std::clamp(v.zoom * std::pow(1.15, steps), 0.05, 50.0);
  set_view(v);
}

PlotWindow::PlotWindow(const Graphics& graphics, Handle figure, std::function<void(Handle)> on_close, QWidget* parent)
    : QMainWindow(parent), graphics_(graphics), figure_(figure), on_close_(std::move(on_close)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName(QString("Figure%1").arg(figure));
  view_ = new PlotView(graphics, figure, this);
  setCentralWidget(view_);
  QToolBar* tools = addToolBar("Plot");
  tools->setObjectName("PlotToolBar");
  QAction* reset = tools->addAction("Reset view", [this] { view_->set_view(std::nullopt); });
  reset->setObjectName("ResetView");
  reset->setShortcut(QKeySequence("Ctrl+0"));
  reset->setToolTip("Back to the plot's own view (Ctrl+0)");
  tools->addSeparator();
  const std::pair<const char*, ImageFormat> formats[] = {
      {"PNG", ImageFormat::png}, {"SVG", ImageFormat::svg}, {"PDF", ImageFormat::pdf}, {"EPS", ImageFormat::eps}};
  for (const auto& [name, format] : formats) {
    QAction* a = tools->addAction(QString("Export %1…").arg(name), [this, f = format] { export_as(f); });
    a->setObjectName(QString("Export%1").arg(name));
    a->setToolTip(QString("Save the plot as it is shown as a %1 file").arg(name));
  }
  statusBar()->showMessage("Drag to rotate, wheel to zoom, Reset view to go back.");
  resize(560, 420);
  refresh();
}

void PlotWindow::refresh() {
  {
    auto lock = graphics_.lock();
    if (graphics_.is_handle(figure_)) {
      const std::string name = graphics_.object(figure_).name;
      setWindowTitle(QString::fromStdString(name.empty() ? "Figure " + std::to_string(figure_) : name));
    }
  }
  // A flat plot stays as drawn; its points tell what they are on hover.
  const bool flat = is_flat_figure(graphics_, figure_);
  if (flat != flat_) {
    flat_ = flat;
    view_->setToolTip(flat ? "" : "Drag to rotate, use the wheel to zoom");
    statusBar()->showMessage(flat ? "Hover over a point to see which specimen it is."
                                  : "Drag to rotate, wheel to zoom, Reset view to go back.");
  }
  view_->update();
}

void PlotWindow::close_from_model() {
  closing_from_model_ = true;
  close();
}

void PlotWindow::closeEvent(QCloseEvent* event) {
  if (!closing_from_model_ && on_close_) on_close_(figure_);
  event->accept();
}

void PlotWindow::export_to(const std::filesystem::path& path) {
  const auto format = format_for_path(path);
  if (!format)
    throw RuntimeError("Cannot tell the picture format of " + path.string() + ": use .png, .svg, .pdf or .eps.");
  std::string bytes;
  {
    auto lock = graphics_.lock();
    bytes = render_figure_bytes(graphics_, figure_, *format, view_->width(), view_->height(), view_->view());
  }
  write_file_atomically(path, bytes);
}

void PlotWindow::export_as(ImageFormat format) {
  static const char* ext[] = {"png", "svg", "pdf", "eps"};
  const char* e = ext[static_cast<int>(format)];
  const QString file = QFileDialog::getSaveFileName(this, QString("Export the plot as %1").arg(QString(e).toUpper()),
                                                    windowTitle() + "." + e, QString("*.%1").arg(e));
  if (file.isEmpty()) return;
  std::filesystem::path path = file.toStdString();
  if (path.extension().empty()) path += std::string(".") + e;
  try {
    export_to(path);
    statusBar()->showMessage(QString("Saved %1").arg(QString::fromStdString(path.string())), 5000);
  } catch (const std::exception& ex) {
    QMessageBox::warning(this, "Export failed", QString::fromStdString(ex.what()));
  }
}

}  // namespace velmora
