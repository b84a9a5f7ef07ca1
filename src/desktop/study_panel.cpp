// The study panel is one file because its rows, columns, sorting and header
// menu all read one shown study summary and one set of column roles; the
// block picker beside it lives in block_picker.cpp.
#include "desktop/study_panel.h"

#include <QHeaderView>
#include <QMenu>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "desktop/block_picker.h"
#include "io/specimen_table.h"

namespace velmora {
namespace {

enum Column { kName, kSize, kDistance, kSurface, kTable };  // then one column a table column
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
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("StudyTabs");
  tabs_->setDocumentMode(true);
  layout->addWidget(tabs_);
  tree_ = new QTreeWidget(this);
  tree_->setObjectName("StudyTree");
  tree_->header()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(tree_->header(), &QHeaderView::customContextMenuRequested, this, [this](const QPoint& at) {
    if (std::unique_ptr<QMenu> menu = column_menu(tree_->header()->logicalIndexAt(at)))
      menu->exec(tree_->header()->mapToGlobal(at));
  });
  tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tree_->setSortingEnabled(true);
  tree_->sortByColumn(kName, Qt::AscendingOrder);
  tree_->header()->setStretchLastSection(false);
  tree_->setUniformRowHeights(true);
  tabs_->addTab(tree_, "Specimens");
  blocks_ = new BlockPicker(this);
  tabs_->addTab(blocks_, "Blocks");
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
      if (text.compare(name, Qt::CaseInsensitive) != 0 && !text.startsWith(name + "  (", Qt::CaseInsensitive)) continue;
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
  // The columns: the specimen's own numbers, its surface, its cells of the table.
  QStringList headers{"Study and specimens", "Size", "Distance", "Surface"};
  for (const TableColumn& c : s.table) headers << QString::fromStdString(c.name);
  tree_->setColumnCount(static_cast<int>(headers.size()));
  tree_->setHeaderLabels(headers);
  tree_->headerItem()->setToolTip(kSize, "Centroid size before superimposition (after the ruler scaling)");
  tree_->headerItem()->setToolTip(kDistance, "Procrustes distance of the specimen to its sample's mean");
  tree_->headerItem()->setToolTip(kSurface, "✓: the specimen has a surface of its own");
  for (std::size_t c = 0; c < s.table.size(); ++c)
    tree_->headerItem()->setToolTip(
        kTable + static_cast<int>(c),
        QString("A column of the specimen table: %1%2")
            .arg(is_factor(s.table[c]) ? "a factor" : "a covariate",
                 s.table[c].numeric ? " (right-click to treat it as a factor or a covariate)" : ""));
  for (int c = kSize; c < tree_->columnCount(); ++c)
    tree_->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  tree_->setColumnHidden(kSurface, s.surface_reference.empty());
  blocks_->set_points(static_cast<int>(s.first.empty() ? 0 : s.first.points()));

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
  add_table(s);
  add_sample(1, s);
  add_sample(2, s);
  auto* wire = new Row(tree_);
  wire->setData(0, kFixedOrder, 4);
  wire->setFirstColumnSpanned(true);
  if (s.wireframe_segments == 0) {
    wire->setText(kName, "Wireframe: none loaded");
  } else {
    wire->setText(kName,
                  QString("Wireframe %1: %2 segments").arg(file_name(s.sources.wireframe)).arg(s.wireframe_segments));
    wire->setToolTip(kName, QString::fromStdString(s.sources.wireframe.string()));
  }
  if (!s.surface_reference.empty()) {
    auto* surfaces = new Row(tree_);
    surfaces->setData(0, kFixedOrder, 5);
    surfaces->setFirstColumnSpanned(true);
    const auto& with = [&s] {
      std::size_t n = 0, of = s.first.surfaced.size() + s.second.surfaced.size();
      for (const auto* v : {&s.first.surfaced, &s.second.surfaced}) n += std::count(v->begin(), v->end(), true);
      return std::pair(n, of);
    }();
    surfaces->setText(
        kName, QString("Surfaces: %1 warped for the pictures%2")
                   .arg(QString::fromStdString(s.surface_reference))
                   .arg(with.first == 0
                            ? QString()
                            : QString("; %1 of %2 specimens have their own (✓)").arg(with.first).arg(with.second)));
  }
  // With more columns than a specimen's own numbers the names keep their
  // width and the panel scrolls sideways; otherwise the names take what is left.
  if (s.table.empty() && s.surface_reference.empty()) {
    tree_->header()->setSectionResizeMode(kName, QHeaderView::Stretch);
  } else {
    int width = 0;
    const QFontMetrics metrics(tree_->font());
    for (int t = 0; t < tree_->topLevelItemCount(); ++t)
      for (int i = 0; i < tree_->topLevelItem(t)->childCount(); ++i)
        if (const QTreeWidgetItem* row = tree_->topLevelItem(t)->child(i); row->data(kName, kSpecimen).isValid())
          width = std::max(width, metrics.horizontalAdvance(row->text(kName)));
    tree_->header()->setSectionResizeMode(kName, QHeaderView::Interactive);
    tree_->header()->resizeSection(kName, width + 2 * tree_->indentation() + 12);
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
  top->setData(0, kFixedOrder, which + 1);
  top->setFirstColumnSpanned(true);
  if (data.empty()) {
    top->setText(kName, title + (which == 1 ? ": none loaded (Load 3D sample… or Load 2D sample…)"
                                            : ": none loaded (Load second sample…)"));
    return;
  }
  const Eigen::Index n = data.count(), p = data.points();
  const bool two_d = sample.dimension == 2;
  // Files of one specimen each, picked together, are one sample.
  const std::vector<std::string>& more = which == 1 ? s.sources.first_more : s.sources.second_more;
  const QString files =
      more.empty() ? file_name(file) : QString("%1 and %2 more").arg(file_name(file)).arg(more.size());
  top->setText(kName, QString("%1 %2: %3 specimens").arg(title, files).arg(n));
  top->setToolTip(kName, QString::fromStdString(file.string()));
  int order = 0;
  // The name, and the folder only in the tip: the panel stays narrow and a
  // picture of it shows no machine's folders.
  fixed(top, order++, "File: " + files, QString::fromStdString(file.string()));
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
    if (k < static_cast<Eigen::Index>(sample.surfaced.size()) && sample.surfaced[k]) {
      r->setText(kSurface, "✓");
      r->setTextAlignment(kSurface, Qt::AlignCenter);
      r->setData(kSurface, kSortKey, 1.0);
    } else {
      r->setData(kSurface, kSortKey, 0.0);
    }
    for (std::size_t c = 0; c < s.table.size(); ++c) {
      const std::vector<std::string>& cells = which == 1 ? s.table[c].first : s.table[c].second;
      if (k >= static_cast<Eigen::Index>(cells.size())) continue;
      const int column = kTable + static_cast<int>(c);
      const QString cell = QString::fromStdString(cells[k]);
      r->setText(column, cell);
      double v = 0;
      if (s.table[c].numeric && number_cell(cells[k], v)) {
        r->setData(column, kSortKey, v);
        r->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
      }
    }
  }
  top->setExpanded(true);
}

bool StudyPanel::is_factor(const TableColumn& column) const {
  return !column.numeric || factors_.contains(QString::fromStdString(column.name));
}

// The table's columns, each with its kind and, for a factor, its groups'
// counts among the loaded specimens.
void StudyPanel::add_table(const StudySummary& s) {
  if (s.sources.table.empty() && s.table.empty()) return;
  auto* top = new Row(tree_);
  top->setData(0, kFixedOrder, 1);
  top->setFirstColumnSpanned(true);
  // A table of its own, or the classifier columns of the first sample's file.
  const std::filesystem::path& from = s.sources.table.empty() ? s.sources.first : s.sources.table;
  top->setText(kName,
               (s.sources.table.empty() ? "Specimen table: the columns of " : "Specimen table ") + file_name(from));
  top->setToolTip(kName, QString::fromStdString(from.string()));
  int order = 0;
  if (!s.table_unmatched.empty()) fixed(top, order++, QString::fromStdString(s.table_unmatched));
  for (const TableColumn& c : s.table) {
    const QString name = QString::fromStdString(c.name);
    QString line = name;
    QStringList levels;  // a factor's groups, each a row of its own so a narrow panel shows them whole
    if (is_factor(c)) {
      for (const auto& [level, count] : c.levels)
        levels << QString("%1: %2").arg(QString::fromStdString(level)).arg(count);
      line += QString(" (%1%2 groups)").arg(c.numeric ? "numbers as a factor, " : "").arg(c.levels.size());
    } else {
      double low = 0, high = 0;
      if (!c.levels.empty()) {
        number_cell(c.levels.front().first, low);
        number_cell(c.levels.back().first, high);
      }
      line += QString(" (covariate): %1 to %2").arg(number(low), number(high));
    }
    Row* r = fixed(top, order++, line,
                   c.numeric ? "Right-click the column's header to treat it as a factor or a covariate" : QString());
    if (name == group_) {
      r->setText(kName, line + " ← the groups");
      QFont bold = r->font(kName);
      bold.setBold(true);
      r->setFont(kName, bold);
    }
    int at = 0;
    for (const QString& level : levels) fixed(r, at++, level);
    r->setExpanded(levels.size() <= 12);
  }
  top->setExpanded(true);
}

void StudyPanel::set_design(const QStringList& factors, const QString& group) {
  if (factors == factors_ && group == group_) return;
  factors_ = factors;
  group_ = group;
  if (shown_ && !shown_->table.empty()) rebuild(shown_);
}

std::unique_ptr<QMenu> StudyPanel::column_menu(int section) {
  if (!shown_ || section < kTable || section - kTable >= static_cast<int>(shown_->table.size())) return nullptr;
  const TableColumn& column = shown_->table[static_cast<std::size_t>(section - kTable)];
  const QString name = QString::fromStdString(column.name);
  auto menu = std::make_unique<QMenu>(QString("Column %1").arg(name), this);
  const bool factor = is_factor(column);
  QAction* as_factor = menu->addAction("Treat as a factor");
  QAction* as_covariate = menu->addAction("Treat as a covariate");
  for (QAction* a : {as_factor, as_covariate}) a->setCheckable(true);
  as_factor->setChecked(factor);
  as_covariate->setChecked(!factor);
  if (!column.numeric) {
    // Text is a factor whatever is chosen.
    as_covariate->setEnabled(false);
    as_covariate->setToolTip("Its cells are not all numbers");
  }
  auto mark = [this, name](bool as) {
    QStringList list = factors_;
    list.removeAll(name);
    if (as) list << name;
    emit factor_columns_chosen(list.join(","));
  };
  connect(as_factor, &QAction::triggered, this, [mark, numeric = column.numeric] {
    if (numeric) mark(true);
  });
  connect(as_covariate, &QAction::triggered, this, [mark] { mark(false); });
  menu->addSeparator();
  QAction* groups = menu->addAction("Use for the groups");
  groups->setEnabled(factor);
  connect(groups, &QAction::triggered, this, [this, name] { emit group_chosen(name); });
  connect(menu->addAction("Add to the model"), &QAction::triggered, this,
          [this, name] { emit model_term_chosen(name); });
  return menu;
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
