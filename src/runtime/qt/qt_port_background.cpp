// Long work on a worker thread, with a progress dialog that can cancel it.
#include "runtime/qt/qt_port.h"

#include <QApplication>
#include <QMainWindow>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTimer>
#include <cmath>
#include <exception>
#include <thread>

#include "runtime/qt/qt_port_thread.h"

namespace velmora {
bool QtPort::progress(std::string_view what, std::int64_t done, std::int64_t total) {
  // Called from the test's threads: only counters, the dialog polls them.
  done_ = done;
  total_ = total;
  return !cancel_;
}


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
