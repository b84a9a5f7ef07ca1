// The Study panel: the protocol in words, each sample as a tree with one row
// per specimen (its ID, centroid size and Procrustes distance to its sample's
// mean, sortable), and the wireframe. Picking specimens highlights them in the plot.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "app/study_summary.h"
#include "runtime/render.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace velmora {

class StudyPanel : public QWidget {
  Q_OBJECT

 public:
  explicit StudyPanel(QWidget* parent = nullptr);
  /// Shows the study (rebuilt only when what it shows has changed).
  void show_study(std::shared_ptr<const StudySummary> study);
  QTreeWidget* tree() const { return tree_; }
  /// Picks the specimen named `name` ("skull-07", or "specimen 5" when the
  /// file names none) in sample `sample` (0: either, the first's first), as if
  /// its row were clicked; false when no specimen has it.
  bool pick(const QString& name, int sample = 0);
  /// The specimens picked: (sample 1 or 2, specimen index from 0).
  std::vector<std::pair<int, int>> picked() const;

 signals:
  /// The configurations of the picked specimens, in the frame the plots use.
  void highlight(const std::vector<velmora::PointOverlay>& points);

 private:
  void rebuild(std::shared_ptr<const StudySummary> study);
  void add_sample(int which, const StudySummary& study);
  void picked_changed();

  QTreeWidget* tree_;
  std::shared_ptr<const StudySummary> shown_;  // the study last shown (its samples give the highlighted points)
};

/// The protocol in words, one line each: the ruler, the curve ending code and
/// every curve with its type and point count, from the protocol table itself.
/// Throws nothing: a short table gives the lines it can.
std::vector<std::string> protocol_lines(const Eigen::MatrixXd& proto);

}  // namespace velmora
