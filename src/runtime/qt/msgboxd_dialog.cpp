#include "runtime/qt/msgboxd_dialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "runtime/msgboxd_layout.h"

namespace velmora {
namespace {

// Pixels per point on the box's screen.
double pixels_per_point(const QWidget* w) { return w->logicalDpiY() / 72.0; }

QFont box_font() {
  QFont f = QApplication::font();
  f.setPointSizeF(14);
  return f;
}

}  // namespace

MsgboxdDialog::MsgboxdDialog(const std::string& text, const std::string& title, const std::string& icon,
                             QWidget* parent)
    : QDialog(parent), text_(text), title_(title), icon_(icon) {
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName(QString::fromStdString(title));  // the tag by which "replace" finds it
  setWindowTitle(QString::fromStdString(title));
  message_ = new QLabel(this);
  message_->setObjectName("MessageBox");
  message_->setTextFormat(Qt::PlainText);
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  message_->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  message_->setFont(box_font());
  icon_label_ = new QLabel(this);
  icon_label_->setObjectName("IconAxes");
  ok_ = new QPushButton("OK", this);
  ok_->setObjectName("OKButton");
  ok_->setFont(box_font());
  ok_->setAutoDefault(false);
  connect(ok_, &QPushButton::clicked, this, &QDialog::close);
  lay_out(true);
}

void MsgboxdDialog::set_text(const std::string& text, const std::string& icon) {
  text_ = text;
  icon_ = icon;
  lay_out(false);
}

QString MsgboxdDialog::shown_text() const { return message_->text(); }

void MsgboxdDialog::lay_out(bool centre) {
  const std::vector<std::string> lines = msgboxd_wrap({text_});
  QString shown;
  for (size_t i = 0; i < lines.size(); ++i) shown += (i ? "\n" : "") + QString::fromStdString(lines[i]);
  message_->setText(shown);

  const double ppp = pixels_per_point(this);
  const QFontMetricsF metrics(message_->font());
  double width = 0;
  for (const auto& l : lines) width = std::max(width, metrics.horizontalAdvance(QString::fromStdString(l)));
  const double height = metrics.lineSpacing() * static_cast<double>(std::max<size_t>(lines.size(), 1));

  const bool has_icon = icon_ == "help" || icon_ == "warn" || icon_ == "error";
  const QRect screen = (this->screen() ? this->screen() : QGuiApplication::primaryScreen())->geometry();
  const MsgboxdLayout l =
      msgboxd_layout(width / ppp, height / ppp, has_icon, screen.width() / ppp, screen.height() / ppp);
  // Points with the origin at the bottom left become pixels from the top left.
  const double fig_h = l.figure.height;
  auto place = [&](QWidget* w, const PointRect& r) {
    w->setGeometry(qRound(r.left * ppp), qRound((fig_h - r.bottom - r.height) * ppp), qRound(r.width * ppp),
                   qRound(r.height * ppp));
  };
  setFixedSize(qRound(l.figure.width * ppp), qRound(l.figure.height * ppp));
  place(ok_, l.ok_button);
  // The text sits 5 points above its area's lower edge.
  PointRect text = l.text;
  text.bottom += 5;
  text.height = height / ppp;
  place(message_, text);
  icon_label_->setVisible(has_icon);
  if (has_icon) {
    const QStyle::StandardPixmap kind = icon_ == "help"   ? QStyle::SP_MessageBoxQuestion
                                        : icon_ == "warn" ? QStyle::SP_MessageBoxWarning
                                                          : QStyle::SP_MessageBoxCritical;
    icon_label_->setPixmap(style()->standardIcon(kind).pixmap(qRound(32 * ppp)));
    place(icon_label_, l.icon);
  }
  if (centre)
    move(qRound(screen.left() + l.figure.left * ppp),
         qRound(screen.top() + (screen.height() / ppp - l.figure.bottom - fig_h) * ppp));
}

void MsgboxdDialog::keyPressEvent(QKeyEvent* event) {
  // Space, return and Esc close the box; every other key leaves it open.
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
      event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  event->accept();
}

}  // namespace velmora
