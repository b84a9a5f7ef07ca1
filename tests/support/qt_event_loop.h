// The Qt application of a test program and waiting on its event loop.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

namespace velmora::testing {

/// The one application of the test program, made on first use.
inline QApplication& application() {
  static int argc = 1;
  static char name[] = "velmora_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

/// Handles the waiting events, and goes on handling them for `ms` milliseconds.
inline void settle(int ms = 0) {
  QElapsedTimer t;
  t.start();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  } while (t.elapsed() < ms);
}

/// Handles events until `done` holds; false when `timeout_ms` passed first.
inline bool wait_until(const std::function<bool()>& done, int timeout_ms = 120000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

}  // namespace velmora::testing
