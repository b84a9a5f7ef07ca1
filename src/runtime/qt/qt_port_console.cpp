// The console pane: text from any thread reaches it in order, within its bounds.
#include "runtime/qt/qt_port.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <iostream>

#include "runtime/format.h"

namespace velmora {
namespace {

// Drops the first `count` bytes (1 or more) of `text` and the rest of the line
// the last of them is on, when another line starts after it; else up to the
// start of a UTF-8 character.
void drop_front(std::string& text, std::size_t count) {
  std::size_t cut = std::min(count, text.size());
  const std::size_t line = text.find('\n', cut - 1);
  if (line != std::string::npos && line + 1 < text.size())
    cut = line + 1;
  else
    while (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) ++cut;
  text.erase(0, cut);
}

// Appends `text` to `kept`, which then holds at most 2 × `limit` bytes: past
// that the oldest lines go, down to about `limit` (so the cost per byte stays
// small). True when anything was dropped.
bool append_bounded(std::string& kept, std::string_view text, std::size_t limit) {
  if (text.size() > limit) {
    kept.assign(text.substr(text.size() - limit - 1));
    drop_front(kept, 1);
    return true;
  }
  kept += text;
  if (kept.size() <= 2 * limit) return false;
  drop_front(kept, kept.size() - limit);
  return true;
}

QString dropped_note() {
  return QString("[Older lines were dropped: this pane keeps the last %1 lines and %2 characters.]")
      .arg(QtPort::kPaneLines)
      .arg(QtPort::kPaneCharacters);
}

}  // namespace

// Console text goes to the pane on the GUI thread, in the order written, from any thread.
// Echoes and messages are told apart for the desktop's two console levels.
class QtPort::PaneConsole : public Console {
 public:
  explicit PaneConsole(QtPort& port) : port_(port) {}
  void write(std::string_view text) override { send(text, false); }
  void echo(std::string_view name, const EchoValue& value) override { send(format_echo(name, value), true); }

 private:
  void send(std::string_view text, bool echo) {
    // The pane's text waits in one bounded buffer, moved in by one queued call
    // at a time: an action that echoes gigabytes (the report of a protocol of
    // many curves, echoed whole after each curve) keeps a few megabytes.
    bool post = false;
    {
      std::lock_guard lock(port_.console_mutex_);
      append_bounded(port_.console_text_, text, kConsoleKept);
      if (append_bounded(port_.console_pending_, text, static_cast<std::size_t>(kPaneCharacters)))
        port_.console_dropped_ = true;
      post = !port_.console_flush_posted_;
      port_.console_flush_posted_ = true;
    }
    std::cerr << text;
    std::cerr.flush();
    if (post)
      QMetaObject::invokeMethod(
          &port_, [p = &port_] { p->flush_console(); }, Qt::QueuedConnection);
    if (!echo)
      QMetaObject::invokeMethod(
          &port_,
          [p = &port_, t = QString::fromUtf8(text.data(), static_cast<int>(text.size()))] {
            p->flush_console();  // the pane first, so it holds what a message refers to
            emit p->console_message(t);
          },
          Qt::QueuedConnection);
  }

  QtPort& port_;
};


Console& QtPort::console() { return *console_; }

std::unique_ptr<Console> QtPort::make_pane_console() { return std::make_unique<PaneConsole>(*this); }

void QtPort::attach_pane(QPlainTextEdit* pane) {
  pane_ = pane;
  if (pane_ != nullptr) {
    QFont mono("Monospace");
    mono.setStyleHint(QFont::TypeWriter);
    pane_->setFont(mono);
    pane_->setWordWrapMode(QTextOption::WordWrap);
    {
      // What was written before the window, at most what the pane keeps.
      std::lock_guard lock(console_mutex_);
      console_pending_.clear();
      console_dropped_ = append_bounded(console_pending_, console_text_, static_cast<std::size_t>(kPaneCharacters));
    }
    pane_->clear();
    flush_console();
  }
}

std::string QtPort::console_text() const {
  std::lock_guard lock(console_mutex_);
  return console_text_;
}

void QtPort::flush_console() {
  std::string text;
  bool dropped = false;
  {
    std::lock_guard lock(console_mutex_);
    text.swap(console_pending_);
    std::swap(dropped, console_dropped_);
    console_flush_posted_ = false;
  }
  if (pane_ == nullptr || text.empty()) return;
  QTextCursor cursor(pane_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(QString::fromStdString(text));
  trim_pane(dropped);
  pane_->verticalScrollBar()->setValue(pane_->verticalScrollBar()->maximum());
}

void QtPort::trim_pane(bool dropped) {
  QTextDocument* doc = pane_->document();
  if (!dropped && doc->blockCount() <= kPaneLines && doc->characterCount() <= kPaneCharacters) return;
  // Down to three quarters of each bound, so that trimming is rare; the newest
  // lines stay, and a line longer than the pane keeps loses its start.
  const int keep_lines = kPaneLines * 3 / 4, keep_characters = kPaneCharacters * 3 / 4;
  const int end = doc->characterCount() - 1;
  QTextBlock block = doc->lastBlock();
  int cut = block.position(), lines = 1;
  while (lines < keep_lines && block.previous().isValid() && end - block.previous().position() <= keep_characters) {
    block = block.previous();
    cut = block.position();
    ++lines;
  }
  if (end - cut > keep_characters) cut = end - keep_characters;
  const QString note = dropped_note();
  const bool noted = doc->firstBlock().text() == note;
  const int from = noted ? doc->firstBlock().next().position() : 0;
  QTextCursor cursor(doc);
  if (cut > from) {
    cursor.setPosition(from);
    cursor.setPosition(cut, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
  }
  if (!noted) {
    cursor.setPosition(0);
    cursor.insertText(note + "\n");
  }
}

}  // namespace velmora
