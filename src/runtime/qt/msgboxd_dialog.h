// The message box window: title, wrapped text, optional icon and an OK button,
// laid out in points as msgboxd_layout computes it.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace velmora {

class MsgboxdDialog : public QDialog {
  Q_OBJECT

 public:
  /// `icon` is "none", "help", "warn" or "error".
  MsgboxdDialog(const std::string& text, const std::string& title, const std::string& icon = "none",
                QWidget* parent = nullptr);
  /// Rebuilds the box with a new text (the "replace" mode), keeping its place.
  void set_text(const std::string& text, const std::string& icon = "none");
  std::string text() const { return text_; }
  std::string title() const { return title_; }
  /// The wrapped lines as shown.
  QString shown_text() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void lay_out(bool centre);

  std::string text_, title_, icon_;
  QLabel* message_ = nullptr;
  QLabel* icon_label_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace velmora
