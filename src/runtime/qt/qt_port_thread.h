// Running the Qt port's work on the GUI thread from any thread (for the
// port's own source files only).
#pragma once

#include <QCoreApplication>
#include <QThread>
#include <exception>
#include <optional>
#include <type_traits>

#include "runtime/qt/qt_port.h"

namespace velmora {

inline bool on_gui_thread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

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

}  // namespace velmora
