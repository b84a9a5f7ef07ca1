#include "runtime/qt/qt_port.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QUiLoader>
#include <cmath>
#include <exception>
#include <future>
#include <iostream>
#include <thread>

#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/qt/msgboxd_dialog.h"
#include "runtime/qt/plot_window.h"
#include "runtime/random.h"

namespace velmora {
namespace {

QString qt_filter(std::string_view filter) {
  // "*.txt" or "*.txt;*.dat" become "Files (*.txt *.dat);;All files (*)".
  QString patterns = QString::fromUtf8(filter.data(), static_cast<int>(filter.size()));
  patterns.replace(';', ' ');
  if (patterns.trimmed().isEmpty() || patterns.trimmed() == "*") return "All files (*)";
  return QString("Files (%1);;All files (*)").arg(patterns.trimmed());
}

bool on_gui_thread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

// Drops the first `count` bytes (1 or more) of `text` and the rest of the line
// the last of them is on, when another line starts after it; else up to the
// start of a UTF-8 character.
void drop_front(std::string& text, std::size_t count) {
  std::size_t cut = std::min(count, text.size());
  const std::size_t line = text.find('\n', cut - 1);
  if (line != std::string::npos && line + 1 < text.size())
    cut = line + 1;
  else
    while (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) ++cut;
  text.erase(0, cut);
}

// Appends `text` to `kept`, which then holds at most 2 × `limit` bytes: past
// that the oldest lines go, down to about `limit` (so the cost per byte stays
// small). True when anything was dropped.
bool append_bounded(std::string& kept, std::string_view text, std::size_t limit) {
  if (text.size() > limit) {
    kept.assign(text.substr(text.size() - limit - 1));
    drop_front(kept, 1);
    return true;
  }
  kept += text;
  if (kept.size() <= 2 * limit) return false;
  drop_front(kept, kept.size() - limit);
  return true;
}

QString dropped_note() {
  return QString("[Older lines were dropped: this pane keeps the last %1 lines and %2 characters.]")
      .arg(QtPort::kPaneLines)
      .arg(QtPort::kPaneCharacters);
}

}  // namespace

// Console text goes to the pane on the GUI thread, in the order written, from any thread.
// Echoes and messages are told apart for the desktop's two console levels.
class QtPort::PaneConsole : public Console {
 public:
  explicit PaneConsole(QtPort& port) : port_(port) {}
  void write(std::string_view text) override { send(text, false); }
  void echo(std::string_view name, const EchoValue& value) override { send(format_echo(name, value), true); }

 private:
  void send(std::string_view text, bool echo) {
    // The pane's text waits in one bounded buffer, moved in by one queued call
    // at a time: an action that echoes gigabytes (the report of a protocol of
    // many curves, echoed whole after each curve) keeps a few megabytes.
    bool post = false;
    {
      std::lock_guard lock(port_.console_mutex_);
      append_bounded(port_.console_text_, text, kConsoleKept);
      if (append_bounded(port_.console_pending_, text, static_cast<std::size_t>(kPaneCharacters)))
        port_.console_dropped_ = true;
      post = !port_.console_flush_posted_;
      port_.console_flush_posted_ = true;
    }
    std::cerr << text;
    std::cerr.flush();
    if (post)
      QMetaObject::invokeMethod(
          &port_, [p = &port_] { p->flush_console(); }, Qt::QueuedConnection);
    if (!echo)
      QMetaObject::invokeMethod(
          &port_,
          [p = &port_, t = QString::fromUtf8(text.data(), static_cast<int>(text.size()))] {
            p->flush_console();  // the pane first, so it holds what a message refers to
            emit p->console_message(t);
          },
          Qt::QueuedConnection);
  }

  QtPort& port_;
};

template <typename F>
auto QtPort::on_gui(F&& f) -> decltype(f()) {
  using R = decltype(f());
  if (on_gui_thread()) return f();
  // From a worker: run on the GUI thread and wait, carrying any failure back.
  std::exception_ptr failure;
  if constexpr (std::is_void_v<R>) {
    QMetaObject::invokeMethod(
        this,
        [&] {
          try {
            f();
          } catch (...) {
            failure = std::current_exception();
          }
        },
        Qt::BlockingQueuedConnection);
    if (failure) std::rethrow_exception(failure);
  } else {
    std::optional<R> result;
    QMetaObject::invokeMethod(
        this,
        [&] {
          try {
            result.emplace(f());
          } catch (...) {
            failure = std::current_exception();
          }
        },
        Qt::BlockingQueuedConnection);
    if (failure) std::rethrow_exception(failure);
    return std::move(*result);
  }
}

Console& QtPort::console() { return *console_; }

QtPort::QtPort() : console_(std::make_unique<PaneConsole>(*this)) {
  working_folder_ = std::filesystem::current_path();
  graphics_.set_listener([this](Handle h, FigureEvent e) {
    // Called with the model locked, from whichever thread changed it: only post.
    // Whether a view of the desktop shows the figure is settled here, as the
    // event happens: a handle closed and opened again is another figure.
    bool claimed = false;
    {
      std::lock_guard lock(claim_mutex_);
      if (e == FigureEvent::opened && figure_claim_ && figure_claim_(h)) claimed_.insert(h);
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
  pane_ = window->findChild<QPlainTextEdit*>("ConsolePane");
  if (pane_ != nullptr) {
    QFont mono("Monospace");
    mono.setStyleHint(QFont::TypeWriter);
    pane_->setFont(mono);
    pane_->setWordWrapMode(QTextOption::WordWrap);
    {
      // What was written before the window, at most what the pane keeps.
      std::lock_guard lock(console_mutex_);
      console_pending_.clear();
      console_dropped_ = append_bounded(console_pending_, console_text_, static_cast<std::size_t>(kPaneCharacters));
    }
    pane_->clear();
    flush_console();
  }
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

std::string QtPort::console_text() const {
  std::lock_guard lock(console_mutex_);
  return console_text_;
}

void QtPort::flush_console() {
  std::string text;
  bool dropped = false;
  {
    std::lock_guard lock(console_mutex_);
    text.swap(console_pending_);
    std::swap(dropped, console_dropped_);
    console_flush_posted_ = false;
  }
  if (pane_ == nullptr || text.empty()) return;
  QTextCursor cursor(pane_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(QString::fromStdString(text));
  trim_pane(dropped);
  pane_->verticalScrollBar()->setValue(pane_->verticalScrollBar()->maximum());
}

void QtPort::trim_pane(bool dropped) {
  QTextDocument* doc = pane_->document();
  if (!dropped && doc->blockCount() <= kPaneLines && doc->characterCount() <= kPaneCharacters) return;
  // Down to three quarters of each bound, so that trimming is rare; the newest
  // lines stay, and a line longer than the pane keeps loses its start.
  const int keep_lines = kPaneLines * 3 / 4, keep_characters = kPaneCharacters * 3 / 4;
  const int end = doc->characterCount() - 1;
  QTextBlock block = doc->lastBlock();
  int cut = block.position(), lines = 1;
  while (lines < keep_lines && block.previous().isValid() && end - block.previous().position() <= keep_characters) {
    block = block.previous();
    cut = block.position();
    ++lines;
  }
  if (end - cut > keep_characters) cut = end - keep_characters;
  const QString note = dropped_note();
  const bool noted = doc->firstBlock().text() == note;
  const int from = noted ? doc->firstBlock().next().position() : 0;
  QTextCursor cursor(doc);
  if (cut > from) {
    cursor.setPosition(from);
    cursor.setPosition(cut, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
  }
  if (!noted) {
    cursor.setPosition(0);
    cursor.insertText(note + "\n");
  }
}

void QtPort::set_figure_claim(std::function<bool(Handle)> claim) {
  std::lock_guard lock(claim_mutex_);
  figure_claim_ = std::move(claim);
}

void QtPort::set_plot_decorator(PlotView::Decorator decorator) {
  plot_decorator_ = std::move(decorator);
  for (auto& [h, w] : plots_)
    if (w) w->view()->set_decorator(plot_decorator_);
}

void QtPort::close_windows() {
  auto plots = plots_;
  for (auto& [h, w] : plots)
    if (w) w->close();
  auto boxes = boxes_;
  for (auto& [h, b] : boxes)
    if (b) b->close();
}

void QtPort::queue_answers(std::vector<std::filesystem::path> paths) { answers_ = std::move(paths); }

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
    w->view()->set_decorator(plot_decorator_);
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

bool QtPort::has_control(std::string_view tag) const { return tags_.find(tag) != tags_.end(); }

QObject* QtPort::control(std::string_view tag) const {
  auto it = tags_.find(tag);
  QObject* o = it == tags_.end() ? nullptr : object(it->second);
  if (o == nullptr) throw RuntimeError("The main window has no control tagged " + std::string(tag) + ".");
  return o;
}

Handle QtPort::control_handle(std::string_view tag) {
  control(tag);
  return tags_.find(tag)->second;
}

std::string QtPort::control_string(std::string_view tag) {
  return on_gui([&]() -> std::string {
    QObject* o = control(tag);
    if (auto* w = qobject_cast<QPlainTextEdit*>(o)) return w->toPlainText().toStdString();
    if (auto* w = qobject_cast<QTextEdit*>(o)) return w->toPlainText().toStdString();
    if (auto* w = qobject_cast<QLineEdit*>(o)) return w->text().toStdString();
    if (auto* w = qobject_cast<QLabel*>(o)) return w->text().toStdString();
    if (auto* w = qobject_cast<QComboBox*>(o)) return w->currentText().toStdString();
    if (auto* w = qobject_cast<QAbstractButton*>(o)) return w->text().toStdString();
    if (auto* w = qobject_cast<QAction*>(o)) return w->text().toStdString();
    return "";
  });
}

void QtPort::set_control_string(std::string_view tag, const std::string& text) {
  on_gui([&] {
    QObject* o = control(tag);
    const QString t = QString::fromStdString(text);
    if (auto* w = qobject_cast<QPlainTextEdit*>(o))
      w->setPlainText(t);
    else if (auto* w = qobject_cast<QTextEdit*>(o))
      w->setPlainText(t);
    else if (auto* w = qobject_cast<QLineEdit*>(o))
      w->setText(t);
    else if (auto* w = qobject_cast<QLabel*>(o))
      w->setText(t);
    else if (auto* w = qobject_cast<QAbstractButton*>(o))
      w->setText(t);
    else if (auto* w = qobject_cast<QAction*>(o))
      w->setText(t);
    else
      throw RuntimeError("The control tagged " + std::string(tag) + " has no String property.");
  });
}

double QtPort::control_value(std::string_view tag) {
  return on_gui([&]() -> double {
    QObject* o = control(tag);
    if (auto* w = qobject_cast<QComboBox*>(o)) {
      // A list of numbers to pick from or type (DiffScale) holds its number;
      // any other list the place of its choice, counted from 1.
      if (w->property("valueIsNumber").toBool()) {
        bool ok = false;
        const double v = w->currentText().trimmed().toDouble(&ok);
        return ok ? v : std::nan("");
      }
      return w->currentIndex() + 1;
    }
    if (auto* w = qobject_cast<QSpinBox*>(o)) return w->value();
    if (auto* w = qobject_cast<QAbstractButton*>(o)) return w->isChecked() ? 1 : 0;
    if (auto* w = qobject_cast<QAction*>(o)) return w->isChecked() ? 1 : 0;
    return 0;
  });
}

void QtPort::set_control_value(std::string_view tag, double value) {
  on_gui([&] {
    QObject* o = control(tag);
    if (auto* w = qobject_cast<QComboBox*>(o); w != nullptr && w->property("valueIsNumber").toBool()) {
      const QString text = QString::number(value, 'g', 12);
      const int index = w->findText(text);
      if (index >= 0)
        w->setCurrentIndex(index);
      else if (w->isEditable())
        w->setEditText(text);
      else
        throw RuntimeError("The control tagged " + std::string(tag) + " offers no " + text.toStdString() + ".");
    } else if (auto* w = qobject_cast<QComboBox*>(o)) {
      const int index = static_cast<int>(std::lround(value)) - 1;
      if (index < 0 || index >= w->count())
        throw RuntimeError("The control tagged " + std::string(tag) + " takes a Value from 1 to " +
                           std::to_string(w->count()) + ".");
      w->setCurrentIndex(index);
    } else if (auto* w = qobject_cast<QSpinBox*>(o)) {
      w->setValue(static_cast<int>(std::lround(value)));
    } else if (auto* w = qobject_cast<QAbstractButton*>(o)) {
      w->setChecked(value != 0);
    } else if (auto* w = qobject_cast<QAction*>(o)) {
      w->setChecked(value != 0);
    } else {
      throw RuntimeError("The control tagged " + std::string(tag) + " has no Value property.");
    }
  });
}

std::string QtPort::control_checked(std::string_view tag) {
  return on_gui([&]() -> std::string {
    QObject* o = control(tag);
    bool on = false;
    if (auto* w = qobject_cast<QAction*>(o))
      on = w->isChecked();
    else if (auto* w = qobject_cast<QAbstractButton*>(o))
      on = w->isChecked();
    return on ? "on" : "off";
  });
}

void QtPort::set_control_checked(std::string_view tag, const std::string& state) {
  on_gui([&] {
    QObject* o = control(tag);
    const bool on = lower_case(state) == "on";
    if (auto* w = qobject_cast<QAction*>(o)) {
      w->setCheckable(true);
      QSignalBlocker block(w);
      w->setChecked(on);
    } else if (auto* w = qobject_cast<QAbstractButton*>(o)) {
      w->setCheckable(true);
      QSignalBlocker block(w);
      w->setChecked(on);
    } else {
      throw RuntimeError("The control tagged " + std::string(tag) + " has no Checked property.");
    }
  });
}

std::optional<FileChoice> QtPort::file_dialog(bool save, std::string_view filter, std::string_view title) {
  auto choice = on_gui([&]() -> std::optional<FileChoice> {
    if (!answers_.empty()) {
      const std::filesystem::path p = answers_.front();
      answers_.erase(answers_.begin());
      return FileChoice{p.filename().string(), p.parent_path()};
    }
    if (file_dialog_hook_) return file_dialog_hook_(save, filter, title);
    const QString folder = QString::fromStdString(working_folder_.string());
    const std::optional<DialogLook> look = dialog_looks_ ? dialog_looks_(save, filter, title) : std::nullopt;
    const QString t = look ? look->title : QString::fromUtf8(title.data(), static_cast<int>(title.size()));
    const QString filters = look ? look->filters : qt_filter(filter);
    if (!save && look && look->several) {
      const QStringList files = QFileDialog::getOpenFileNames(main_, t, folder, filters);
      if (files.isEmpty()) return std::nullopt;
      const std::filesystem::path p = files.front().toStdString();
      FileChoice choice{p.filename().string(), p.parent_path()};
      for (qsizetype i = 1; i < files.size(); ++i)
        choice.more.push_back(std::filesystem::path(files[i].toStdString()).filename().string());
      return choice;
    }
    const QString file = save ? QFileDialog::getSaveFileName(main_, t, folder, filters)
                              : QFileDialog::getOpenFileName(main_, t, folder, filters);
    if (file.isEmpty()) return std::nullopt;
    const std::filesystem::path p = file.toStdString();
    return FileChoice{p.filename().string(), p.parent_path()};
  });
  if (!choice) ++dialogs_cancelled_;
  return choice;
}

std::optional<FileChoice> QtPort::open_file(std::string_view filter, std::string_view title) {
  return file_dialog(false, filter, title);
}

std::optional<FileChoice> QtPort::save_file(std::string_view filter, std::string_view title) {
  return file_dialog(true, filter, title);
}

Handle QtPort::message_box(const std::string& text, const std::string& title, MessageMode mode) {
  return message_box_with_icon(text, title, mode, "none");
}

Handle QtPort::message_box_with_icon(const std::string& text, const std::string& title, MessageMode mode,
                                     const std::string& icon) {
  return on_gui([&]() -> Handle {
    MsgboxdDialog* box = nullptr;
    Handle handle = 0;
    if (mode != MessageMode::non_modal) {
      // Reuse the first open box of this title and close the others.
      for (auto it = boxes_.begin(); it != boxes_.end();) {
        MsgboxdDialog* b = it->second.data();
        if (b != nullptr && b->title() == title) {
          if (box == nullptr) {
            box = b;
            handle = it->first;
            ++it;
            continue;
          }
          b->close();
          it = boxes_.erase(it);
        } else {
          ++it;
        }
      }
    }
    if (box != nullptr) {
      box->set_text(text, icon);
    } else {
      box = new MsgboxdDialog(text, title, icon, main_);
      box->setWindowFlag(Qt::Window);
      handle = graphics_.reserve_handle();
      boxes_[handle] = box;
      connect(box, &QObject::destroyed, this, [this, handle] { boxes_.erase(handle); });
    }
    box->setWindowModality(mode == MessageMode::modal ? Qt::ApplicationModal : Qt::NonModal);
    box->show();
    box->raise();
    return handle;
  });
}

void QtPort::wait_message_box(Handle box) {
  if (on_gui_thread()) {
    auto it = boxes_.find(box);
    if (it == boxes_.end() || !it->second) return;
    QEventLoop loop;
    connect(it->second.data(), &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec();
    return;
  }
  // From a worker: wait for the GUI thread to see the box go.
  auto closed = std::make_shared<std::promise<void>>();
  std::future<void> done = closed->get_future();
  QMetaObject::invokeMethod(
      this,
      [this, box, closed] {
        auto it = boxes_.find(box);
        if (it == boxes_.end() || !it->second) {
          closed->set_value();
          return;
        }
        connect(it->second.data(), &QObject::destroyed, this, [closed] { closed->set_value(); });
      },
      Qt::QueuedConnection);
  done.wait();
}

void QtPort::set_pointer(std::string_view pointer) {
  const bool watch = pointer == "watch";
  on_gui([&] {
    if (watch && !watch_) QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!watch && watch_) QApplication::restoreOverrideCursor();
    watch_ = watch;
    const Handle current = graphics_.current_figure();
    if (current != 0) graphics_.set(current, "Pointer", std::string(pointer));
  });
}

void QtPort::set_clipboard(const std::vector<ClipboardItem>& items) {
  on_gui([&] {
    auto* data = new QMimeData;
    for (const auto& item : items) {
      const QByteArray bytes(item.bytes.data(), static_cast<qsizetype>(item.bytes.size()));
      data->setData(QString::fromStdString(item.format), bytes);
      if (item.format == "image/png") data->setImageData(QImage::fromData(bytes, "PNG"));
    }
    QGuiApplication::clipboard()->setMimeData(data);
  });
}

std::filesystem::path QtPort::working_folder() const { return working_folder_; }

void QtPort::set_working_folder(const std::filesystem::path& folder) { working_folder_ = folder; }

bool QtPort::progress(std::string_view what, std::int64_t done, std::int64_t total) {
  // Called from the test's threads: only counters, the dialog polls them.
  done_ = done;
  total_ = total;
  return !cancel_;
}

void QtPort::report_error(const std::string& message) {
  // One error box: a new failure replaces the text of the last one.
  const std::string text = wording_ ? wording_(message) : message;
  message_box_with_icon(text, "Velmora3d: the action failed", MessageMode::replace, "error");
  on_gui([&] {
    if (main_ != nullptr) main_->statusBar()->showMessage(QString::fromStdString(text), 10000);
    emit error_reported(QString::fromStdString(message));
  });
}

void QtPort::result(const TestResult& result) {
  // Queued even on the GUI thread, so results arrive in order with the console text.
  QMetaObject::invokeMethod(
      this, [this, result] { emit result_reported(result); }, Qt::QueuedConnection);
}

void QtPort::file_written(const std::filesystem::path& path, std::uintmax_t bytes) {
  QMetaObject::invokeMethod(
      this, [this, p = QString::fromStdString(path.string()), bytes] { emit file_saved(p, bytes); },
      Qt::QueuedConnection);
}

std::uint64_t QtPort::seed() { return fixed_seed_ ? *fixed_seed_ : entropy_seed(); }

void QtPort::run_in_background(const std::string& what, std::function<void()> work, std::function<void()> done) {
  busy_ = true;
  cancel_ = false;
  done_ = 0;
  total_ = 0;
  after_background_ = std::move(done);
  if (main_ != nullptr) main_->statusBar()->showMessage(QString::fromStdString(what + " is running…"));
  QApplication::setOverrideCursor(Qt::WaitCursor);

  progress_ = new QProgressDialog(QString::fromStdString(what + " is running…"), "Cancel", 0, 0, main_);
  progress_->setObjectName("ProgressDialog");
  progress_->setWindowTitle(QString::fromStdString(what));
  // Not modal: the plots can still be turned while the test runs.
  progress_->setWindowModality(Qt::NonModal);
  progress_clock_.start();
  progress_->setMinimumDuration(0);
  progress_->setAutoClose(false);
  progress_->setAutoReset(false);
  connect(progress_, &QProgressDialog::canceled, this, [this] {
    cancel_ = true;
    if (progress_ != nullptr) progress_->setLabelText("Cancelling…");
  });
  progress_->show();
  progress_timer_ = new QTimer(this);
  connect(progress_timer_, &QTimer::timeout, this, [this] {
    if (progress_ == nullptr || cancel_) return;
    if (progress_->wasCanceled()) {
      cancel_ = true;
      progress_->setLabelText("Cancelling…");
      return;
    }
    const std::int64_t total = total_, done = done_;
    const double elapsed = progress_clock_.elapsed() / 1000.0;
    auto clock = [](double seconds) {
      const auto s = static_cast<long long>(std::lround(seconds));
      return QString("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QChar('0'));
    };
    if (total > 0) {
      progress_->setMaximum(1000);
      progress_->setValue(static_cast<int>(1000 * std::min(done, total) / total));
      QString text = QString("%1 of %2 sets\n%3 elapsed").arg(done).arg(total).arg(clock(elapsed));
      if (done > 0 && done < total && elapsed > 0.5)
        text += QString(", about %1 left").arg(clock(elapsed * double(total - done) / double(done)));
      progress_->setLabelText(text);
    }
  });
  progress_timer_->start(100);

  worker_done_ = false;
  worker_ = std::make_unique<std::thread>([this, work = std::move(work)] {
    try {
      work();
    } catch (const std::exception& e) {
      console().write(std::string(e.what()) + "\n");
    }
    worker_done_ = true;
    QMetaObject::invokeMethod(
        this, [this] { finish_background(); }, Qt::QueuedConnection);
  });
}

void QtPort::finish_background() {
  if (worker_ && worker_->joinable()) worker_->join();
  worker_.reset();
  if (progress_timer_ != nullptr) progress_timer_->deleteLater();
  progress_timer_ = nullptr;
  if (progress_ != nullptr) progress_->deleteLater();
  progress_ = nullptr;
  QApplication::restoreOverrideCursor();
  if (watch_) {
    QApplication::restoreOverrideCursor();
    watch_ = false;
  }
  if (main_ != nullptr) main_->statusBar()->clearMessage();
  busy_ = false;
  if (after_background_) {
    auto done = std::move(after_background_);
    after_background_ = nullptr;
    done();
  }
}

}  // namespace velmora
