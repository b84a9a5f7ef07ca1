// The plot view: painting (full pictures, in the background when large, and the
// quick picture while dragging) and the mouse and keys that turn, pan and zoom.
// One file because both work on the same view state and picture cache.
#include "runtime/qt/plot_view.h"

#include <cairo.h>

#include <QBuffer>
#include <QPainter>
#include <QThreadPool>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <mutex>

#include "runtime/error.h"
#include "runtime/file_write.h"
#include "runtime/flat_layout.h"
#include "runtime/render_flat.h"
#include "runtime/render_layout.h"

namespace velmora {
namespace {

// Above this many points a full picture takes longer than a frame: it is drawn
// in the background, and drags show the quick picture.
constexpr std::size_t kLargePlot = 3000;

// Renders the figure into an image of `size` device pixels (drawn at `scale`).
QImage render_image(const Graphics& graphics, Handle figure, QSize size, double scale,
                    const std::optional<RenderView>& view, const PlotExtras* extras) {
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
        render_figure(cr, graphics, figure, size.width() / scale, size.height() / scale, view, extras);
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

std::size_t point_count(const Graphics& graphics, Handle figure) {
  std::size_t n = 0;
  if (!graphics.is_handle(figure)) return 0;
  for (Handle a : graphics.object(figure).children)
    for (Handle c : graphics.object(a).children) n += static_cast<std::size_t>(graphics.object(c).x.size());
  return n;
}

}  // namespace

// Carries a finished background picture back to its view, if the view still exists.
struct PlotView::Channel {
  std::mutex mutex;
  PlotView* view = nullptr;
};

PlotView::PlotView(const Graphics& graphics, Handle figure, QWidget* parent)
    : QWidget(parent), graphics_(graphics), figure_(figure), channel_(std::make_shared<Channel>()) {
  channel_->view = this;
  setMinimumSize(200, 150);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setToolTip(kViewTip);
  setMouseTracking(true);  // hover names the points of a shape space plot
  settle_ = new QTimer(this);
  settle_->setSingleShot(true);
  settle_->setInterval(200);
  connect(settle_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
  refresh_decor();
}

PlotView::~PlotView() {
  std::lock_guard lock(channel_->mutex);
  channel_->view = nullptr;
}

void PlotView::set_figure(Handle figure) {
  figure_ = figure;
  view_.reset();
  full_ = QImage();
  refresh_decor();
  update();
  emit view_changed();
}

void PlotView::set_placeholder(const QString& text) {
  placeholder_ = text;
  update();
}

void PlotView::set_view(const std::optional<RenderView>& view) {
  view_ = view;
  update();
  emit view_changed();
}

std::optional<RenderView> PlotView::shown_view() const {
  if (!decor_.flat) return view_;
  RenderView v = view_ ? *view_ : RenderView{0, 90, 1};
  v.azimuth = 0;
  v.elevation = 90;
  return v;
}

void PlotView::set_decorator(Decorator decorator) {
  decorator_ = std::move(decorator);
  refresh_decor();
  update();
}

void PlotView::set_highlight(std::vector<PointOverlay> highlight) {
  highlight_ = std::move(highlight);
  ++decor_version_;
  update();
}

PlotDecor PlotView::decor() const {
  PlotDecor d = decor_;
  d.extras.highlight.insert(d.extras.highlight.end(), highlight_.begin(), highlight_.end());
  // The specimens picked, in their colour, at the end of the legend.
  for (const PointOverlay& h : highlight_) {
    const bool listed = std::any_of(d.extras.legend.begin(), d.extras.legend.end(),
                                    [&](const LegendEntry& e) { return e.label == h.label; });
    if (!listed && h.points.rows() > 0 && !d.extras.legend.empty())
      d.extras.legend.push_back(LegendEntry{h.label, h.color, "o", "none", true});
  }
  // Rows turned off: greyed, and what they stand for left out.
  for (LegendEntry& e : d.extras.legend)
    if (hidden_rows_.count(e.label) != 0) {
      e.shown = false;
      d.extras.hidden.insert(d.extras.hidden.end(), e.lines.begin(), e.lines.end());
    }
  std::erase_if(d.extras.highlight, [&](const PointOverlay& h) { return hidden_rows_.count(h.label) != 0; });
  d.extras.hidden_names.assign(hidden_rows_.begin(), hidden_rows_.end());
  return d;
}

std::optional<std::string> PlotView::legend_label_at(QPoint at) const {
  if (figure_ == 0) return std::nullopt;
  const PlotDecor d = decor();
  if (flat_axes())
    return flat_legend_label_at(graphics_, figure_, width(), height(), d.extras.hidden_names,
                                Eigen::Vector2d(at.x(), at.y()));
  const auto row = legend_row_at(graphics_, figure_, width(), height(), d.extras, Eigen::Vector2d(at.x(), at.y()));
  if (!row || *row >= d.extras.legend.size()) return std::nullopt;
  return d.extras.legend[*row].label;
}

void PlotView::toggle_legend_row(const std::string& label) {
  if (!hidden_rows_.erase(label)) hidden_rows_.insert(label);
  ++decor_version_;
  update();
}

void PlotView::refresh_decor() {
  auto lock = graphics_.lock();
  const bool open = figure_ != 0 && graphics_.is_handle(figure_);
  decor_ = decorator_ && open ? decorator_(graphics_, figure_) : PlotDecor{};
  points_ = open ? point_count(graphics_, figure_) : 0;
  ++decor_version_;
}

void PlotView::model_changed() {
  // A restyle changes every line in turn: one look at the model for the lot.
  if (decor_pending_) return;
  decor_pending_ = true;
  QTimer::singleShot(0, this, [this] {
    decor_pending_ = false;
    refresh_decor();
    update();
  });
}

bool PlotView::large() const { return points_ > kLargePlot && !flat_axes(); }

bool PlotView::flat_axes() const { return figure_ != 0 && is_flat_figure(graphics_, figure_); }

std::optional<std::string> PlotView::name_at(QPoint at) const {
  if (figure_ == 0) return std::nullopt;
  return point_name_at(graphics_, figure_, width(), height(), Eigen::Vector2d(at.x(), at.y()), 6);
}

QImage PlotView::picture(QSize size) const {
  const PlotDecor d = decor();
  return render_image(graphics_, figure_, size, 1.0, shown_view(), &d.extras);
}

void PlotView::export_to(const std::filesystem::path& path, QSize pixels, double dpi,
                         const std::function<void(const std::string&)>& note) {
  const auto format = format_for_path(path);
  if (!format)
    throw RuntimeError("Cannot tell the picture format of " + path.string() + ": use .png, .svg, .pdf or .eps.");
  if (figure_ == 0 || !graphics_.is_handle(figure_)) throw RuntimeError("There is no plot to export.");
  PlotDecor d = decor();
  std::string bytes;
  if (*format == ImageFormat::png) {
    if (pixels.isEmpty()) pixels = size();
    if (!(dpi >= 1)) dpi = 96;
    QImage image = render_image(graphics_, figure_, pixels, dpi / 96, shown_view(), &d.extras);
    const int per_metre = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(per_metre);
    image.setDotsPerMeterY(per_metre);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
      throw RuntimeError("The picture could not be made as PNG for " + path.string() + ".");
    bytes.assign(data.constData(), static_cast<std::size_t>(data.size()));
  } else {
    d.extras.svg_text_elements = true;
    auto lock = graphics_.lock();
    bytes = render_figure_bytes(graphics_, figure_, *format, width(), height(), shown_view(), &d.extras);
  }
  write_file_atomically(path, bytes, note);
}

PlotView::Key PlotView::key() const { return Key{shown_view(), size() * devicePixelRatioF(), decor_version_, figure_}; }

void PlotView::request_full(const Key& k) {
  if (job_running_) {
    pending_ = k;
    return;
  }
  std::shared_ptr<const Graphics> copy;
  try {
    copy = graphics_.copy_figure(figure_);
  } catch (const std::exception&) {
    return;  // closed meanwhile
  }
  const PlotDecor d = decor();
  const double scale = devicePixelRatioF();
  job_running_ = true;
  QThreadPool::globalInstance()->start([copy, d, k, scale, channel = channel_] {
    const QImage image = render_image(*copy, k.figure, k.size, scale, k.view, &d.extras);
    std::lock_guard lock(channel->mutex);
    if (channel->view != nullptr)
      QMetaObject::invokeMethod(
          channel->view, [view = channel->view, k, image] { view->full_done(k, image); }, Qt::QueuedConnection);
  });
}

void PlotView::full_done(const Key& k, const QImage& image) {
  job_running_ = false;
  pending_.reset();
  if (k == key()) {
    full_ = image;
    full_key_ = k;
    emit picture_ready();
  }
  update();
}

void PlotView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (figure_ == 0 || !graphics_.is_handle(figure_)) {
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QColor(110, 110, 110));
    painter.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap, placeholder_);
    return;
  }
  const Key k = key();
  const double dpr = devicePixelRatioF();
  if (!full_.isNull() && full_key_ == k) {
    painter.drawImage(rect(), full_);
    return;
  }
  const PlotDecor d = decor();
  if (!large()) {
    full_ = render_image(graphics_, figure_, k.size, dpr, k.view, &d.extras);
    full_key_ = k;
    painter.drawImage(rect(), full_);
    return;
  }
  // A large plot: the quick picture now, the full one from the background
  // once the view holds still.
  if (!dragging_ && !settle_->isActive()) request_full(k);
  QImage quick(k.size, QImage::Format_ARGB32_Premultiplied);
  render_preview(quick.bits(), quick.width(), quick.height(), static_cast<int>(quick.bytesPerLine()), dpr, graphics_,
                 figure_, k.view, &d.extras);
  painter.drawImage(rect(), quick);
  if (job_running_) {
    painter.setPen(QColor(90, 90, 90));
    painter.drawText(rect().adjusted(8, 4, -8, -4), Qt::AlignRight | Qt::AlignBottom, "drawing…");
  }
}

RenderView PlotView::start_view() const {
  // Rotation starts from the figure's camera when it has one, else the default view.
  RenderView v;
  if (decor_.flat) return RenderView{0, 90, 1};
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

void PlotView::change_view(const RenderView& v, bool settle) {
  view_ = v;
  if (settle && large()) settle_->start();
  update();
  emit view_changed();
}

void PlotView::pan_by(QPointF delta) {
  RenderView v = current_view();
  v.pan_x += delta.x();
  v.pan_y += delta.y();
  change_view(v, true);
}

void PlotView::zoom_at(QPointF at, double factor) {
  RenderView v = current_view();
  const double zoom = std::clamp(v.zoom * factor, 0.05, 50.0);
  const double k = zoom / v.zoom;
  Eigen::Vector2d centre;
  {
    auto lock = graphics_.lock();
    if (!graphics_.is_handle(figure_)) return;
    centre =
        layout_axes(graphics_, figure_, width(), height(), decor_.flat ? shown_view() : std::optional(v)).zoom_centre;
  }
  // The point under the pointer stays where it is.
  v.pan_x += (1 - k) * (at.x() - centre.x());
  v.pan_y += (1 - k) * (at.y() - centre.y());
  v.zoom = zoom;
  change_view(v, true);
}

void PlotView::mousePressEvent(QMouseEvent* event) {
  last_ = event->position().toPoint();
  pressed_at_ = last_;
  // A click on a named point names it too (and keeps the name up a while).
  if (const auto name = name_at(last_))
    QToolTip::showText(event->globalPosition().toPoint(), QString::fromStdString(*name), this, QRect(), 10000);
  button_ = event->button();
  dragging_ = event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton;
  setFocus(Qt::MouseFocusReason);
}

void PlotView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (!(event->buttons() & (Qt::LeftButton | Qt::MiddleButton))) {
    if (const auto name = name_at(p))
      QToolTip::showText(event->globalPosition().toPoint(), QString::fromStdString(*name), this);
    else if (flat_axes())
      QToolTip::hideText();
    return;
  }
  if (flat_axes()) return;  // a flat plot is drawn as it is
  const QPoint delta = p - last_;
  last_ = p;
  const bool pan = (event->buttons() & Qt::MiddleButton) || (event->modifiers() & Qt::ShiftModifier) || decor_.flat;
  if (pan) {
    pan_by(delta);
    return;
  }
  RenderView v = current_view();
  v.azimuth -= 0.5 * delta.x();
  v.elevation = std::clamp(v.elevation + 0.5 * delta.y(), -90.0, 90.0);
  change_view(v, false);
}

void PlotView::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton && (at - pressed_at_).manhattanLength() <= 3) {
    // A click on a legend row hides what it stands for, or shows it again.
    if (const auto label = legend_label_at(at)) {
      toggle_legend_row(*label);
    } else if (const auto name = name_at(at); name && !name->empty()) {
      emit point_clicked(QString::fromStdString(*name));
    }
  }
  dragging_ = false;
  button_ = Qt::NoButton;
  update();
}

void PlotView::wheelEvent(QWheelEvent* event) {
  if (flat_axes()) return;
  const double steps = event->angleDelta().y() / 120.0;
  if (steps == 0) return;
  zoom_at(event->position(), std::pow(1.15, steps));
}

void PlotView::keyPressEvent(QKeyEvent* event) {
  if (flat_axes()) return QWidget::keyPressEvent(event);
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const bool pan = shift || decor_.flat;
  const QPointF centre(width() / 2.0, height() / 2.0);
  RenderView v = current_view();
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
      const double sign = event->key() == Qt::Key_Left ? -1 : 1;
      if (pan) return pan_by(QPointF(20 * sign, 0));
      v.azimuth -= 5 * sign;
      return change_view(v, true);
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
      const double sign = event->key() == Qt::Key_Up ? -1 : 1;
      if (pan) return pan_by(QPointF(0, 20 * sign));
      v.elevation = std::clamp(v.elevation - 5 * sign, -90.0, 90.0);
      return change_view(v, true);
    }
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      return zoom_at(centre, 1.15);
    case Qt::Key_Minus:
      return zoom_at(centre, 1 / 1.15);
    case Qt::Key_Home:
    case Qt::Key_0:
      return set_view(std::nullopt);
    default:
      QWidget::keyPressEvent(event);
  }
}

}  // namespace velmora
