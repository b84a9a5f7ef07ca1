// The console in two levels: "Messages" (errors, notices, one line per
// action done), shown by default, and every echo of the actions unchanged.
#pragma once

#include <QWidget>

class QComboBox;
class QPlainTextEdit;
class QStackedWidget;

namespace velmora {

class ConsoleView : public QWidget {
  Q_OBJECT

 public:
  /// `echoes` is the pane that receives the whole console stream (the layout's ConsolePane).
  ConsoleView(QPlainTextEdit* echoes, QWidget* parent = nullptr);
  /// A message line: errors and notices in the desktop's words, actions done.
  void add_message(const QString& line, bool error = false);
  /// Shows every echo (true) or the messages (false).
  void show_echoes(bool all);
  bool showing_echoes() const;
  QPlainTextEdit* messages() const { return messages_; }
  QPlainTextEdit* echoes() const { return echoes_; }

 signals:
  void level_changed(bool all);

 private:
  QComboBox* level_;
  QStackedWidget* pages_;
  QPlainTextEdit* messages_;
  QPlainTextEdit* echoes_;
};

}  // namespace velmora
