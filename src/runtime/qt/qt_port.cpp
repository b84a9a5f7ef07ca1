// The Qt port's main window from its layout file, the handles of its objects, and the plot windows.
#include "runtime/qt/qt_port.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QThread>
#include <QUiLoader>

#include "runtime/error.h"
#include "runtime/qt/msgboxd_dialog.h"
#include "runtime/qt/plot_window.h"
#include "runtime/qt/qt_port_thread.h"

namespace velmora {
QtPort::QtPort() : console_(make_pane_console()) {
  working_folder_ = std::filesystem::current_path();
  graphics_.set_listener([this](Handle h, FigureEvent e) {
    // Called with the model locked, from whichever thread changed it: only post.
    // Whether a view of the desktop shows the figure is settled here, as the
    // event happens: a handle closed and opened again is another figure.
    bool claimed = false;
    {
      std::lock_guard lock(claim_mutex_);
      if (e == FigureEvent::opened && policy_.figure_claim && policy_.figure_claim(h)) claimed_.insert(h);
      claimed = claimed_.count(h) != 0;
      if (e == FigureEvent::closed) claimed_.erase(h);
    }
    QMetaObject::invokeMethod(
        this, [this, h, e, claimed] { on_figure_event(h, static_cast<int>(e), claimed); }, Qt::QueuedConnection);
  });
}

QtPort::~QtPort() {
  graphics_.set_listener(nullptr);
  if (worker_ && worker_->joinable()) {
    // The worker may be waiting on the GUI thread: keep serving it until it ends.
    cancel_ = true;
    while (!worker_done_) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      QThread::msleep(5);
    }
    worker_->join();
  }
  // Deleting a window runs handlers that edit these maps: work on copies.
  auto plots = std::move(plots_);
  auto boxes = std::move(boxes_);
  plots_.clear();
  boxes_.clear();
  for (auto& [h, w] : plots)
    if (w) delete w.data();
  for (auto& [h, b] : boxes) {
    if (b) b->disconnect(this);
    if (b) delete b.data();
  }
  delete main_;
}

Handle QtPort::load_layout(const std::filesystem::path& file) {
  QFile f(QString::fromStdString(file.string()));
  if (!f.open(QIODevice::ReadOnly)) throw RuntimeError("Cannot open the window layout file " + file.string() + ".");
  QUiLoader loader;
  QWidget* root = loader.load(&f);
  if (root == nullptr)
    throw RuntimeError("Cannot read the window layout file " + file.string() + ": " +
                       loader.errorString().toStdString());
  auto* window = qobject_cast<QMainWindow*>(root);
  if (window == nullptr) {
    delete root;
    throw RuntimeError("The window layout file " + file.string() + " does not hold a main window.");
  }
  window->setAttribute(Qt::WA_QuitOnClose, true);

  const QRect g = window->geometry();
  const Handle h = graphics_.add_main_window(
      {static_cast<double>(g.x()), 0, static_cast<double>(g.width()), static_cast<double>(g.height())}, "pixels");
  objects_[h] = window;
  window_of_[h] = h;
  main_ = window;
  main_handle_ = h;
  tags_.clear();

  // Every named widget and menu item gets a handle; its name is its tag.
  QList<QObject*> named;
  for (QObject* o : window->findChildren<QObject*>())
    if (!o->objectName().isEmpty() && (o->isWidgetType() || qobject_cast<QAction*>(o) != nullptr)) named.push_back(o);
  for (QObject* o : named) {
    const Handle c = graphics_.reserve_handle();
    objects_[c] = o;
    window_of_[c] = h;
    tags_.emplace(o->objectName().toStdString(), c);
    o->setProperty("velmoraHandle", c);
    const QString callback = o->property("callback").toString();
    if (callback.isEmpty()) continue;
    if (auto* action = qobject_cast<QAction*>(o)) {
      connect(action, &QAction::triggered, this, [this, action, callback, c](bool checked) {
        // A check mark changes only through the action it calls.
        if (action->isCheckable()) {
          QSignalBlocker block(action);
          action->setChecked(!checked);
        }
        if (graphics_.is_handle(main_handle_)) graphics_.figure(main_handle_);
        emit this->callback(callback, c);
      });
    } else if (auto* button = qobject_cast<QAbstractButton*>(o)) {
      connect(button, &QAbstractButton::clicked, this, [this, callback, c] {
        if (graphics_.is_handle(main_handle_)) graphics_.figure(main_handle_);
        emit this->callback(callback, c);
      });
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(o)) {
      // A text box's own callback runs when it is double-clicked.
      box->viewport()->setProperty("callback", callback);
      box->viewport()->setProperty("velmoraHandle", c);
      box->viewport()->installEventFilter(this);
    }
  }
  attach_pane(window->findChild<QPlainTextEdit*>("ConsolePane"));
  if (auto* big = window->findChild<QPlainTextEdit*>("BigBox")) {
    QFont mono("Monospace");
    mono.setStyleHint(QFont::TypeWriter);
    big->setFont(mono);
  }
  window->installEventFilter(this);
  window->show();  // a layout's window opens visible
  sync_main_position();
  return h;
}

bool QtPort::eventFilter(QObject* watched, QEvent* event) {
  if (watched == main_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
    sync_main_position();
  } else if (watched == main_ && event->type() == QEvent::WindowActivate) {
    if (graphics_.is_handle(main_handle_)) graphics_.figure(main_handle_);
  } else if (event->type() == QEvent::MouseButtonDblClick && watched->property("callback").isValid()) {
    emit callback(watched->property("callback").toString(), watched->property("velmoraHandle").toInt());
  }
  return QObject::eventFilter(watched, event);
}

void QtPort::sync_main_position() {
  // The model keeps the main window's outer position from the bottom left of the screen.
  if (main_ == nullptr || !graphics_.is_handle(main_handle_)) return;
  const ScreenRect r = outer_position(main_handle_);
  Eigen::VectorXd p(4);
  p << r.left, r.bottom, r.width, r.height;
  graphics_.set(main_handle_, "Position", p);
}

bool QtPort::is_handle(Handle h) const {
  if (h == 0) return true;
  auto it = objects_.find(h);
  if (it != objects_.end()) return !it->second.isNull();
  return graphics_.is_handle(h);
}

Handle QtPort::window_of(Handle h) const {
  auto it = window_of_.find(h);
  if (it != window_of_.end()) return objects_.count(it->second) && objects_.at(it->second) ? it->second : 0;
  if (!graphics_.is_handle(h) || h == 0) return 0;
  auto lock = graphics_.lock();
  while (h != 0) {
    const GraphicsObject& o = graphics_.object(h);
    if (o.type == ObjectType::figure) return h;
    h = o.parent;
  }
  return 0;
}

Handle QtPort::current_window() const { return graphics_.current_figure(); }

std::vector<std::pair<Handle, std::string>> QtPort::find_all(Handle window) const {
  std::vector<std::pair<Handle, std::string>> out;
  if (window == main_handle_) {
    out.emplace_back(window, "");
    for (const auto& [h, w] : window_of_)
      if (w == window && h != window && objects_.count(h) && objects_.at(h))
        out.emplace_back(h, objects_.at(h)->objectName().toStdString());
    return out;
  }
  auto lock = graphics_.lock();
  std::function<void(Handle)> walk = [&](Handle h) {
    const GraphicsObject& o = graphics_.object(h);
    out.emplace_back(h, o.tag);
    for (Handle c : o.children) walk(c);
  };
  if (graphics_.is_handle(window)) walk(window);
  return out;
}

std::any QtPort::app_data(Handle h, const std::string& key) const {
  auto it = app_data_.find({h, key});
  return it == app_data_.end() ? std::any() : it->second;
}

void QtPort::set_app_data(Handle h, const std::string& key, std::any value) { app_data_[{h, key}] = std::move(value); }

static QWidget* window_widget(const std::map<Handle, QPointer<QObject>>& objects,
                              const std::map<Handle, QPointer<PlotWindow>>& plots, Handle h) {
  if (auto it = plots.find(h); it != plots.end() && it->second) return it->second.data();
  if (auto it = objects.find(h); it != objects.end() && it->second && it->second->isWidgetType())
    return static_cast<QWidget*>(it->second.data());
  return nullptr;
}

ScreenRect QtPort::outer_position(Handle window) const {
  QWidget* w = window_widget(objects_, plots_, window);
  if (w == nullptr) return {};
  const double screen_h = screen_size()[1];
  const QRect g = w->frameGeometry();
  return {static_cast<double>(g.x()), screen_h - g.y() - g.height(), static_cast<double>(g.width()),
          static_cast<double>(g.height())};
}

ScreenRect QtPort::inner_position(Handle window) const {
  QWidget* w = window_widget(objects_, plots_, window);
  if (w == nullptr) return {};
  const double screen_h = screen_size()[1];
  const QRect g = w->geometry();
  return {static_cast<double>(g.x()), screen_h - g.y() - g.height(), static_cast<double>(g.width()),
          static_cast<double>(g.height())};
}

std::array<double, 2> QtPort::screen_size() const {
  const QScreen* s = QGuiApplication::primaryScreen();
  if (s == nullptr) return {1024, 768};
  return {static_cast<double>(s->geometry().width()), static_cast<double>(s->geometry().height())};
}

void QtPort::set_outer_position(Handle window, const ScreenRect& p) {
  QWidget* w = window_widget(objects_, plots_, window);
  if (w == nullptr) return;
  const double screen_h = screen_size()[1];
  // The frame stays around the inner area: move by the outer corner, size the inner area.
  const QRect outer = w->frameGeometry(), inner = w->geometry();
  const int frame_w = outer.width() - inner.width(), frame_h = outer.height() - inner.height();
  w->move(qRound(p.left), qRound(screen_h - p.bottom - p.height));
  w->resize(std::max(1, qRound(p.width) - frame_w), std::max(1, qRound(p.height) - frame_h));
}

bool QtPort::visible(Handle window) const {
  QWidget* w = window_widget(objects_, plots_, window);
  return w != nullptr && w->isVisible();
}

void QtPort::raise(Handle window) {
  QWidget* w = window_widget(objects_, plots_, window);
  if (w == nullptr) return;
  w->show();
  w->raise();
  w->activateWindow();
  if (graphics_.is_handle(window)) graphics_.figure(window);
}

QObject* QtPort::object(Handle h) const {
  auto it = objects_.find(h);
  return it == objects_.end() ? nullptr : it->second.data();
}

PlotWindow* QtPort::plot_window(Handle figure) const {
  auto it = plots_.find(figure);
  return it == plots_.end() ? nullptr : it->second.data();
}

std::vector<MsgboxdDialog*> QtPort::message_boxes() const {
  std::vector<MsgboxdDialog*> out;
  for (const auto& [h, b] : boxes_)
    if (b) out.push_back(b.data());
  return out;
}

void QtPort::set_desktop_policy(DesktopPolicy policy) {
  std::lock_guard lock(claim_mutex_);
  policy_ = std::move(policy);
  for (auto& [h, w] : plots_)
    if (w) w->view()->set_decorator(policy_.plot_decorator);
}

void QtPort::close_windows() {
  auto plots = plots_;
  for (auto& [h, w] : plots)
    if (w) w->close();
  auto boxes = boxes_;
  for (auto& [h, b] : boxes)
    if (b) b->close();
}

void QtPort::queue_answers(std::vector<std::filesystem::path> paths) {
  answers_.clear();
  for (const std::filesystem::path& p : paths) answers_.push_back(FileChoice{p.filename().string(), p.parent_path()});
}

void QtPort::on_figure_event(Handle h, int event, bool claimed) {
  const auto e = static_cast<FigureEvent>(event);
  if (h == main_handle_) return;
  if (!claimed) show_plot_window(h, e);
  emit figure_event(h, event, claimed);
}

void QtPort::show_plot_window(Handle h, FigureEvent e) {
  PlotWindow* w = plot_window(h);
  if (e == FigureEvent::closed) {
    plots_.erase(h);
    if (w != nullptr) w->close_from_model();
    return;
  }
  if (!graphics_.is_handle(h)) return;  // closed again before this event arrived
  if (w == nullptr) {
    w = new PlotWindow(graphics_, h, [this](Handle f) {
      plots_.erase(f);
      graphics_.close(f);
    });
    w->view()->set_decorator(policy_.plot_decorator);
    w->set_note([this](const std::string& note) { console().write(note + "\n"); });
    plots_[h] = w;
    w->installEventFilter(this);
    // The model's position (from the bottom left of the screen) places the window.
    std::array<double, 4> pos;
    {
      auto lock = graphics_.lock();
      pos = graphics_.object(h).position;
    }
    const double screen_h = screen_size()[1];
    if (pos[2] > 50 && pos[3] > 50) {
      w->resize(static_cast<int>(pos[2]), static_cast<int>(pos[3]));
      // A window never placed (at the corner) is left where the desktop puts it.
      if (pos[0] != 0 || pos[1] != 0) w->move(static_cast<int>(pos[0]), static_cast<int>(screen_h - pos[1] - pos[3]));
    }
    w->show();
  }
  w->refresh();
}

}  // namespace velmora
