// Widgets of the actions panel: buttons whose labels wrap, and the completion
// of a model's terms.
#pragma once

#include <QCompleter>
#include <QPushButton>

class QLabel;

namespace velmora {

/// A panel button whose label wraps onto a second line when the panel is
/// narrow, so every label reads whole at any width.
class WrappingButton : public QPushButton {
 public:
  WrappingButton(const QString& text, QWidget* parent);
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  /// As narrow as the label's longest word allows.
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  static constexpr int kMargin = 6;
  QLabel* label_;
};

/// Completes the term being typed in a model: "species + alt" offers
/// "species + altitude".
class TermCompleter : public QCompleter {
 public:
  using QCompleter::QCompleter;
  QStringList splitPath(const QString& path) const override;
  QString pathFromIndex(const QModelIndex& index) const override;
};

}  // namespace velmora
