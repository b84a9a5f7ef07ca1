// The main window's controls by tag: their strings, values and check marks.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTextEdit>
#include <cmath>

#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/qt/qt_port.h"
#include "runtime/qt/qt_port_thread.h"

namespace velmora {
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
      // Its word for automatic ("auto", DiffScale's first setting) reads as 0.
      if (w->property("valueIsNumber").toBool()) {
        if (const QString automatic = w->property("automaticText").toString();
            !automatic.isEmpty() && w->currentText().trimmed() == automatic)
          return 0;
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
      const QString automatic = w->property("automaticText").toString();
      const QString text = value == 0 && !automatic.isEmpty() ? automatic : QString::number(value, 'g', 12);
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

}  // namespace velmora
