#include "desktop/block_picker.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace velmora {

QString point_ranges(std::vector<int> points) {
  std::sort(points.begin(), points.end());
  points.erase(std::unique(points.begin(), points.end()), points.end());
  QStringList parts;
  for (std::size_t i = 0; i < points.size();) {
    std::size_t j = i;
    while (j + 1 < points.size() && points[j + 1] == points[j] + 1) ++j;
    parts << (j == i ? QString::number(points[i]) : QString("%1-%2").arg(points[i]).arg(points[j]));
    i = j + 1;
  }
  return parts.join(", ");
}

std::vector<int> points_of(const QString& block) {
  static const QRegularExpression item("(\\d+)\\s*(?:-\\s*(\\d+))?");
  std::vector<int> out;
  for (auto it = item.globalMatch(block); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    const int from = m.captured(1).toInt();
    const int to = m.captured(2).isEmpty() ? from : m.captured(2).toInt();
    for (int k = from; k <= to && k - from < 1000000; ++k) out.push_back(k);
  }
  return out;
}

BlockPicker::BlockPicker(QWidget* parent) : QWidget(parent) {
  setObjectName("BlockPicker");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* help = new QLabel("Two-block PLS: pick points (Shift-click a range), then make them a block.", this);
  help->setWordWrap(true);
  layout->addWidget(help);
  list_ = new QTreeWidget(this);
  list_->setObjectName("BlockPoints");
  list_->setColumnCount(2);
  list_->setHeaderLabels({"Point", "Block"});
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  layout->addWidget(list_);
  auto* row = new QHBoxLayout;
  for (int block : {1, 2}) {
    auto* b = new QPushButton(QString("Use as block %1").arg(block), this);
    b->setObjectName(QString("UseAsBlock%1").arg(block));
    b->setToolTip(QString("The picked points become block %1 in the Blocks box").arg(block));
    connect(b, &QPushButton::clicked, this, [this, block] { use_as(block); });
    row->addWidget(b);
  }
  layout->addLayout(row);
  note_ = new QLabel(this);
  note_->setObjectName("BlockNote");
  note_->setWordWrap(true);
  layout->addWidget(note_);
  set_points(0);
}

void BlockPicker::set_points(int points) {
  if (points == list_->topLevelItemCount()) return;
  list_->clear();
  for (int k = 1; k <= points; ++k) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(0, QString("Point %1").arg(k));
    item->setData(0, Qt::UserRole, k);
  }
  show_blocks();
}

void BlockPicker::set_blocks(const QString& text) {
  const qsizetype bar = text.indexOf('|');
  first_ = (bar < 0 ? text : text.left(bar)).trimmed();
  second_ = bar < 0 ? QString() : text.mid(bar + 1).trimmed();
  show_blocks();
}

void BlockPicker::show_blocks() {
  const std::vector<int> one = points_of(first_), two = points_of(second_);
  auto in = [](const std::vector<int>& v, int k) { return std::find(v.begin(), v.end(), k) != v.end(); };
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = list_->topLevelItem(i);
    const int k = item->data(0, Qt::UserRole).toInt();
    const bool a = in(one, k), b = in(two, k);
    item->setText(1, a && b ? "1 and 2" : a ? "1" : b ? "2" : QString());
    item->setForeground(1, a && b ? QColor(170, 20, 20) : palette().color(QPalette::Text));
  }
  if (list_->topLevelItemCount() == 0)
    note_->setText("Load a sample to pick its points.");
  else if (first_.isEmpty() && second_.isEmpty())
    note_->setText("No blocks yet.");
  else
    note_->setText(QString("Block 1: %1\nBlock 2: %2")
                       .arg(first_.isEmpty() ? "none" : first_, second_.isEmpty() ? "none" : second_));
}

void BlockPicker::use_as(int block) {
  std::vector<int> picked;
  for (QTreeWidgetItem* item : list_->selectedItems()) picked.push_back(item->data(0, Qt::UserRole).toInt());
  if (picked.empty()) {
    note_->setText("Pick the points of the block first.");
    return;
  }
  (block == 1 ? first_ : second_) = point_ranges(picked);
  // A point is in one block only: the other block gives up the picked ones.
  QString& other = block == 1 ? second_ : first_;
  if (!other.isEmpty()) {
    std::vector<int> kept = points_of(other);
    std::erase_if(kept, [&](int k) { return std::find(picked.begin(), picked.end(), k) != picked.end(); });
    other = point_ranges(kept);
  }
  show_blocks();
  emit blocks_chosen(first_ + " | " + second_);
}

}  // namespace velmora
