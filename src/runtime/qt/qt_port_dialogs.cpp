// File dialogs, message boxes, the pointer, the clipboard, and what actions report.
#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QMainWindow>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <future>

#include "runtime/error.h"
#include "runtime/qt/msgboxd_dialog.h"
#include "runtime/qt/qt_port.h"
#include "runtime/qt/qt_port_thread.h"
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

}  // namespace

std::optional<FileChoice> QtPort::file_dialog(bool save, std::string_view filter, std::string_view title) {
  auto choice = on_gui([&]() -> std::optional<FileChoice> {
    std::optional<FileChoice> picked = pick_file(save, filter, title);
    if (picked && !save && policy_.opened) policy_.opened(*picked);
    return picked;
  });
  if (!choice) ++dialogs_cancelled_;
  return choice;
}

std::optional<FileChoice> QtPort::pick_file(bool save, std::string_view filter, std::string_view title) {
  if (!answers_.empty()) {
    FileChoice answer = answers_.front();
    answers_.erase(answers_.begin());
    return answer;
  }
  if (file_dialog_hook_) return file_dialog_hook_(save, filter, title);
  const QString folder = QString::fromStdString(working_folder_.string());
  const std::optional<DialogLook> look =
      policy_.dialog_looks ? policy_.dialog_looks(save, filter, title) : std::nullopt;
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

Handle QtPort::message_box_with_icon(const std::string& action_text, const std::string& title, MessageMode mode,
                                     const std::string& icon) {
  const std::string text = policy_.box_wording ? policy_.box_wording(title, action_text) : action_text;
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

void QtPort::report_error(const std::string& message) {
  // One error box: a new failure replaces the text of the last one.
  const std::string text = policy_.wording ? policy_.wording(message) : message;
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

}  // namespace velmora
