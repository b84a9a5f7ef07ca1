// The Study panel: the protocol in words, each sample as a tree with one row
// per specimen (its ID, centroid size and Procrustes distance to its sample's
// mean, whether it has a surface, and its cells of the specimen table; sortable),
// the wireframe, the table's columns with their groups' counts, and the points
// to pick the two-block PLS's blocks from. Picking specimens highlights them
// in the plot.
#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

#include "app/study_summary.h"
#include "runtime/render.h"

class QMenu;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace velmora {

class BlockPicker;

class StudyPanel : public QWidget {
  Q_OBJECT

 public:
  explicit StudyPanel(QWidget* parent = nullptr);
  /// Shows the study (rebuilt only when what it shows has changed).
  void show_study(std::shared_ptr<const StudySummary> study);
  QTreeWidget* tree() const { return tree_; }
  BlockPicker* block_picker() const { return blocks_; }
  QTabWidget* tabs() const { return tabs_; }
  /// The numeric columns marked as factors (the FactorColumns box) and the
  /// factor of the Groups box, for the table's lines and the header's menu.
  void set_design(const QStringList& factors, const QString& group);
  /// The menu a right-click on the header of tree column `section` opens: for
  /// a column of the specimen table, treat it as a factor or a covariate (a
  /// numeric one), use it for the groups, add it to the model. Null for others.
  std::unique_ptr<QMenu> column_menu(int section);
  /// Picks the specimen named `name` ("skull-07", or "specimen 5" when the
  /// file names none) in sample `sample` (0: either, the first's first), as if
  /// its row were clicked; false when no specimen has it.
  bool pick(const QString& name, int sample = 0);
  /// The specimens picked: (sample 1 or 2, specimen index from 0).
  std::vector<std::pair<int, int>> picked() const;

 signals:
  /// The configurations of the picked specimens, in the frame the plots use.
  void highlight(const std::vector<velmora::PointOverlay>& points);
  /// The FactorColumns text after a column was marked as a factor or a covariate.
  void factor_columns_chosen(const QString& text);
  /// A column of the table chosen for the groups, or as a term of the model.
  void group_chosen(const QString& column);
  void model_term_chosen(const QString& column);

 private:
  void rebuild(std::shared_ptr<const StudySummary> study);
  void add_sample(int which, const StudySummary& study);
  void picked_changed();
  void add_table(const StudySummary& study);
  bool is_factor(const TableColumn& column) const;

  QTabWidget* tabs_;
  QTreeWidget* tree_;
  BlockPicker* blocks_;
  QStringList factors_;                        // numeric columns marked as factors
  QString group_;                              // the factor in the Groups box
  std::shared_ptr<const StudySummary> shown_;  // the study last shown (its samples give the highlighted points)
};

/// The protocol in words, one line each: the ruler, the curve ending code and
/// every curve with its type and point count, from the protocol table itself.
/// Throws nothing: a short table gives the lines it can.
std::vector<std::string> protocol_lines(const Eigen::MatrixXd& proto);

}  // namespace velmora
