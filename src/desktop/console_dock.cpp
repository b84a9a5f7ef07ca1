#include "desktop/console_dock.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace velmora {

ConsoleView::ConsoleView(QPlainTextEdit* echoes, QWidget* parent) : QWidget(parent), echoes_(echoes) {
  setObjectName("ConsoleView");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* bar = new QHBoxLayout;
  auto* label = new QLabel("Show:", this);
  level_ = new QComboBox(this);
  level_->setObjectName("ConsoleLevel");
  level_->addItems({"Messages", "Every echo of the actions"});
  level_->setToolTip("Messages: errors, notices and one line per action done. Every echo: the full console stream.");
  label->setBuddy(level_);
  auto* clear = new QPushButton("Empty", this);
  clear->setObjectName("ConsoleClear");
  clear->setToolTip("Empty the pane shown (the other level keeps its lines)");
  bar->addWidget(label);
  bar->addWidget(level_);
  bar->addStretch();
  bar->addWidget(clear);
  layout->addLayout(bar);

  messages_ = new QPlainTextEdit(this);
  messages_->setObjectName("MessagesPane");
  messages_->setReadOnly(true);
  messages_->setMaximumBlockCount(5000);
  messages_->setPlaceholderText("Errors, notices and one line per action done.");
  pages_ = new QStackedWidget(this);
  pages_->addWidget(messages_);
  echoes_->setParent(pages_);
  echoes_->show();
  pages_->addWidget(echoes_);
  layout->addWidget(pages_);
  connect(level_, &QComboBox::currentIndexChanged, this, [this](int i) {
    pages_->setCurrentIndex(i);
    emit level_changed(i == 1);
  });
  connect(clear, &QPushButton::clicked, this,
          [this] { static_cast<QPlainTextEdit*>(pages_->currentWidget())->clear(); });
}

void ConsoleView::add_message(const QString& line, bool error) {
  QString text = line;
  while (text.endsWith('\n')) text.chop(1);
  if (text.trimmed().isEmpty()) return;
  if (error)
    messages_->appendHtml("<span style=\"color:#a01010\">" + text.toHtmlEscaped().replace("\n", "<br>") + "</span>");
  else
    messages_->appendPlainText(text);
  messages_->verticalScrollBar()->setValue(messages_->verticalScrollBar()->maximum());
}

void ConsoleView::show_echoes(bool all) { level_->setCurrentIndex(all ? 1 : 0); }

bool ConsoleView::showing_echoes() const { return level_->currentIndex() == 1; }

}  // namespace velmora
