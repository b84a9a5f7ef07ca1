#include "desktop/manual.h"

#include <QDialog>
#include <QFile>
#include <QStringList>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace velmora {

namespace {

// Headings of the sections for developers.
bool for_developers(const QString& heading) {
  for (const char* start : {"Layout of the code", "Checks before committing", "Benchmarks"})
    if (heading.startsWith(start)) return true;
  return false;
}

}  // namespace

QString manual_text(const QString& readme) {
  QStringList kept;
  bool skipping = false, in_code = false;
  for (const QString& line : readme.split('\n')) {
    if (line.startsWith("```")) in_code = !in_code;
    // A "## " line inside a code block is a comment of the example, not a heading.
    if (!in_code && line.startsWith("## ")) skipping = for_developers(line.mid(3).trimmed());
    if (!skipping) kept << line;
  }
  return kept.join('\n');
}

std::filesystem::path find_manual(const std::vector<std::filesystem::path>& folders) {
  for (const auto& dir : folders) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(dir / "README.md", ec)) return dir / "README.md";
  }
  return {};
}

void show_manual(QWidget* parent, const std::filesystem::path& readme) {
  QFile file(QString::fromStdString(readme.string()));
  if (!file.open(QIODevice::ReadOnly)) return;
  auto* dialog = new QDialog(parent);
  dialog->setObjectName("ManualWindow");
  dialog->setWindowTitle("Velmora3d manual");
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(dialog);
  auto* browser = new QTextBrowser(dialog);
  browser->setObjectName("ManualText");
  browser->setOpenExternalLinks(true);
  browser->setSearchPaths({QString::fromStdString(readme.parent_path().string())});
  browser->setMarkdown(manual_text(QString::fromUtf8(file.readAll())));
  layout->addWidget(browser);
  if (parent != nullptr) dialog->resize(parent->size() * 0.8);
  dialog->show();
}

}  // namespace velmora
