#include "desktop/study_panel.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>


namespace velmora {
namespace {

enum Column { kName, kSize, kDistance };
enum Role { kSortKey = Qt::UserRole, kSample, kSpecimen, kFixedOrder };

QString number(double v) { return QString::number(v, 'g', 6); }

// Rows that describe (file, counts) keep their order above the specimens
// whichever column sorts; specimens sort by the column's number.
class Row : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;
  bool operator<(const QTreeWidgetItem& other) const override {
    const QVariant a = data(0, kFixedOrder), b = other.data(0, kFixedOrder);
    QTreeWidget* tree = treeWidget();
    const bool descending = tree != nullptr && tree->header()->sortIndicatorOrder() == Qt::DescendingOrder;
    if (a.isValid() || b.isValid()) {
      // Fixed rows first, in their own order, for either direction of sorting.
      const int ka = a.isValid() ? a.toInt() : 1 << 20, kb = b.isValid() ? b.toInt() : 1 << 20;
      return descending ? ka > kb : ka < kb;
    }
    const int column = tree != nullptr ? tree->sortColumn() : 0;
    const QVariant x = data(column, kSortKey), y = other.data(column, kSortKey);
    if (x.isValid() && y.isValid()) return x.toDouble() < y.toDouble();
    return text(column) < other.text(column);
  }
};

Row* fixed(QTreeWidgetItem* parent, int order, const QString& text, const QString& tip = {}) {
  auto* r = new Row(parent);
  r->setText(kName, text);
  r->setData(0, kFixedOrder, order);
  r->setFirstColumnSpanned(true);
  if (!tip.isEmpty()) r->setToolTip(kName, tip);
  return r;
}

double value(const Eigen::MatrixXd& proto, Eigen::Index k) {
  // Running position k (from 1), column by column.
  const Eigen::Index rows = proto.rows();
  return proto((k - 1) % rows, (k - 1) / rows);
}

QString file_name(const std::filesystem::path& p) { return QString::fromStdString(p.filename().string()); }

}  // namespace

std::vector<std::string> protocol_lines(const Eigen::MatrixXd& proto) {
  std::vector<std::string> out;
  const Eigen::Index n = proto.size();
  if (n < 6) {
    if (n > 0) out.push_back("The protocol is short: " + std::to_string(n) + " values (at least 6 are needed).");
    return out;
  }
  auto whole = [](double v) { return QString::number(v, 'g', 10).toStdString(); };
  if (value(proto, 1) == 1)
    out.push_back("Ruler: landmarks " + whole(value(proto, 2)) + " and " + whole(value(proto, 3)) + ", " +
                  whole(value(proto, 4)) + " units apart");
  else
    out.push_back("No ruler");
  const double curves = value(proto, 5);
  out.push_back("Curve ending code: x = " + whole(value(proto, 6)));
  for (Eigen::Index i = 1; i <= static_cast<Eigen::Index>(curves); ++i) {
    if (6 + 2 * i > n) {
      out.push_back("Curve " + std::to_string(i) + ": missing from the protocol");
      continue;
    }
    const double type = value(proto, 5 + 2 * i), points = value(proto, 6 + 2 * i);
    const std::string count = whole(points);
    std::string line = "Curve " + std::to_string(i) + ": ";
    if (type == 1)
      line += "closed, " + count + " points (" + whole(points + 1) + " kept, the first repeated)";
    else if (type == 2)
      line += "open, " + count + " points (" + whole(points - 1) + " kept, the last omitted)";
    else
      line += "open-ended, " + count + " points";
    out.push_back(line);
  }
  return out;
}

StudyPanel::StudyPanel(QWidget* parent) : QWidget(parent) {
  setObjectName("StudyPanel");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  tree_ = new QTreeWidget(this);
  tree_->setObjectName("StudyTree");
  tree_->setColumnCount(3);
  tree_->setHeaderLabels({"Study and specimens", "Size", "Distance"});
  tree_->headerItem()->setToolTip(kSize, "Centroid size before superimposition (after the ruler scaling)");
  tree_->headerItem()->setToolTip(kDistance, "Procrustes distance of the specimen to its sample's mean");
  tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tree_->setSortingEnabled(true);
  tree_->sortByColumn(kName, Qt::AscendingOrder);
  tree_->header()->setStretchLastSection(false);
  tree_->header()->setSectionResizeMode(kName, QHeaderView::Stretch);
  tree_->header()->setSectionResizeMode(kSize, QHeaderView::ResizeToContents);
  tree_->header()->setSectionResizeMode(kDistance, QHeaderView::ResizeToContents);
  tree_->setUniformRowHeights(true);
  layout->addWidget(tree_);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &StudyPanel::picked_changed);
  rebuild(std::make_shared<const StudySummary>());
}

bool StudyPanel::pick(const QString& name, int sample) {
  for (int t = 0; t < tree_->topLevelItemCount(); ++t) {
    QTreeWidgetItem* top = tree_->topLevelItem(t);
    for (int i = 0; i < top->childCount(); ++i) {
      QTreeWidgetItem* row = top->child(i);
      if (!row->data(kName, kSpecimen).isValid()) continue;
      if (sample != 0 && row->data(kName, kSample).toInt() != sample) continue;
      const QString text = row->text(kName);
      if (text.compare(name, Qt::CaseInsensitive) != 0 && !text.startsWith(name + "  (", Qt::CaseInsensitive))
        continue;
      tree_->clearSelection();
      row->setSelected(true);
      tree_->scrollToItem(row);
      return true;
    }
  }
  return false;
}

void StudyPanel::show_study(std::shared_ptr<const StudySummary> study) {
  if (!study || (shown_ && (shown_ == study || same_study(*shown_, *study)))) return;
  rebuild(std::move(study));
}

void StudyPanel::rebuild(std::shared_ptr<const StudySummary> study) {
  shown_ = std::move(study);
  const StudySummary& s = *shown_;
  QSignalBlocker block(tree_);
  tree_->setSortingEnabled(false);
  tree_->clear();

  auto* protocol = new Row(tree_);
  protocol->setData(0, kFixedOrder, 0);
  protocol->setFirstColumnSpanned(true);
  if (!s.has_protocol()) {
    protocol->setText(kName, "Protocol: none loaded (Load protocol…)");
  } else {
    protocol->setText(kName, "Protocol " + file_name(s.sources.protocol));
    protocol->setToolTip(kName, QString::fromStdString(s.sources.protocol.string()));
    int order = 0;
    for (const std::string& line : protocol_lines(s.protocol)) fixed(protocol, order++, QString::fromStdString(line));
    protocol->setExpanded(true);
  }
  add_sample(1, s);
  add_sample(2, s);
  auto* wire = new Row(tree_);
  wire->setData(0, kFixedOrder, 3);
  wire->setFirstColumnSpanned(true);
  if (s.wireframe_segments == 0) {
    wire->setText(kName, "Wireframe: none loaded");
  } else {
    wire->setText(kName,
                  QString("Wireframe %1: %2 segments").arg(file_name(s.sources.wireframe)).arg(s.wireframe_segments));
    wire->setToolTip(kName, QString::fromStdString(s.sources.wireframe.string()));
  }
  tree_->setSortingEnabled(true);
  block.unblock();
  picked_changed();
}

void StudyPanel::add_sample(int which, const StudySummary& s) {
  const SampleSummary& sample = which == 1 ? s.first : s.second;
  const Sample& data = sample.configurations;
  const Eigen::RowVectorXd& sizes = sample.sizes;
  const std::vector<std::string>& names = sample.names;
  const std::filesystem::path& file = which == 1 ? s.sources.first : s.sources.second;
  const QString title = which == 1 ? "First sample" : "Second sample";

  auto* top = new Row(tree_);
  top->setData(0, kFixedOrder, which);
  top->setFirstColumnSpanned(true);
  if (data.empty()) {
    top->setText(kName, title + (which == 1 ? ": none loaded (Load 3D sample… or Load 2D sample…)"
                                            : ": none loaded (Load second sample…)"));
    return;
  }
  const Eigen::Index n = data.count(), p = data.points();
  const bool two_d = sample.dimension == 2;
  top->setText(kName, QString("%1 %2: %3 specimens").arg(title, file_name(file)).arg(n));
  top->setToolTip(kName, QString::fromStdString(file.string()));
  int order = 0;
  // The name, and the folder only in the tip: the panel stays narrow and a
  // picture of it shows no machine's folders.
  fixed(top, order++, "File: " + file_name(file), QString::fromStdString(file.string()));
  if (which == 2)
    fixed(top, order++, s.sources.second_from_table ? "Read as: a table of flat rows" : "Read as: a TPS file");
  fixed(top, order++, QString("Dimension: %1").arg(two_d ? "2D" : "3D"));
  fixed(top, order++, QString("Specimens: %1").arg(n));
  fixed(top, order++, QString("Points per specimen: %1").arg(p));
  const std::string& slid = sample.slid;
  if (!slid.empty()) fixed(top, order++, QString::fromStdString(slid));

  // NaN where the distances could not be measured (a mean of another size): blank.
  const Eigen::RowVectorXd& distance = sample.distances;
  const double mean_d = distance.mean();
  const double sd = n > 1 ? std::sqrt((distance.array() - mean_d).square().sum() / double(n - 1)) : 0;
  for (Eigen::Index k = 0; k < n; ++k) {
    auto* r = new Row(top);
    const QString id = k < static_cast<Eigen::Index>(names.size()) && !names[k].empty()
                           ? QString::fromStdString(names[k])
                           : QString("Specimen %1").arg(k + 1);
    r->setText(kName, names.empty() ? id : QString("%1  (%2)").arg(id).arg(k + 1));
    r->setData(kName, kSortKey, double(k + 1));
    r->setData(kName, kSample, which);
    r->setData(kName, kSpecimen, int(k));
    if (k < sizes.size()) {
      r->setText(kSize, number(sizes(k)));
      r->setData(kSize, kSortKey, sizes(k));
    }
    if (std::isfinite(distance(k))) {
      r->setText(kDistance, QString::number(distance(k), 'f', 5));
      r->setData(kDistance, kSortKey, distance(k));
      r->setTextAlignment(kDistance, Qt::AlignRight | Qt::AlignVCenter);
      if (n > 2 && sd > 0 && distance(k) > mean_d + 2 * sd) {
        // An outlier: far from its mean compared with the rest of the sample.
        QFont bold = r->font(kDistance);
        bold.setBold(true);
        r->setFont(kDistance, bold);
        r->setForeground(kDistance, QColor(170, 20, 20));
        r->setToolTip(kDistance, "More than two standard deviations above the sample's mean distance");
      }
    }
    r->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
  }
  top->setExpanded(true);
}

std::vector<std::pair<int, int>> StudyPanel::picked() const {
  std::vector<std::pair<int, int>> out;
  for (QTreeWidgetItem* item : tree_->selectedItems()) {
    const QVariant sample = item->data(kName, kSample);
    if (sample.isValid()) out.emplace_back(sample.toInt(), item->data(kName, kSpecimen).toInt());
  }
  return out;
}

void StudyPanel::picked_changed() {
  std::vector<PointOverlay> points;
  for (const auto& [sample, k] : picked()) {
    const Sample& data = (sample == 1 ? shown_->first : shown_->second).configurations;
    if (k >= data.count()) continue;
    points.push_back({data.specimen(k), sample == 1 ? Rgb{1, 0.55, 0} : Rgb{0.8, 0, 0.8}});
  }
  emit highlight(points);
}

}  // namespace velmora
