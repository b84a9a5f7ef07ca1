#include "desktop/panel_widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>

namespace velmora {
namespace {

// Where the term being typed starts: after the last +, * or : and its spaces.
qsizetype term_start(const QString& text) {
  qsizetype at = 0;
  for (qsizetype i = 0; i < text.size(); ++i)
    if (text[i] == '+' || text[i] == '*' || text[i] == ':') at = i + 1;
  while (at < text.size() && text[at] == ' ') ++at;
  return at;
}

}  // namespace

WrappingButton::WrappingButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  // The label shows the text as the button would: "&&" is one "&", a lone "&" marks the shortcut.
  QString shown = text;
  shown.replace("&&", QChar(0x1));
  shown.remove('&');
  shown.replace(QChar(0x1), '&');
  label_ = new QLabel(shown, this);
  label_->setObjectName("ButtonLabel");
  label_->setWordWrap(true);
  label_->setAlignment(Qt::AlignCenter);
  label_->setTextFormat(Qt::PlainText);
  label_->setAttribute(Qt::WA_TransparentForMouseEvents);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(kMargin, 2, kMargin, 2);
  layout->addWidget(label_);
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

int WrappingButton::heightForWidth(int width) const {
  return std::max(QPushButton::sizeHint().height(), label_->heightForWidth(width - 2 * kMargin) + 8);
}

QSize WrappingButton::sizeHint() const {
  const QSize plain = QPushButton::sizeHint();
  return {plain.width(), heightForWidth(plain.width())};
}

QSize WrappingButton::minimumSizeHint() const {
  int word = 0;
  for (const QString& w : text().split(' ', Qt::SkipEmptyParts))
    word = std::max(word, label_->fontMetrics().horizontalAdvance(w));
  const int width = std::max(60, word + 2 * kMargin + 8);
  return {width, heightForWidth(width)};
}

void WrappingButton::paintEvent(QPaintEvent*) {
  // The button without its own text: the label draws it.
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  painter.drawControl(QStyle::CE_PushButton, option);
}

QStringList TermCompleter::splitPath(const QString& path) const { return {path.mid(term_start(path)).trimmed()}; }

QString TermCompleter::pathFromIndex(const QModelIndex& index) const {
  const auto* edit = qobject_cast<const QLineEdit*>(widget());
  const QString text = edit != nullptr ? edit->text() : QString();
  QString head = text.left(term_start(text));
  if (head.endsWith('+') || head.endsWith('*')) head += ' ';
  return head + index.data().toString();
}

}  // namespace velmora
