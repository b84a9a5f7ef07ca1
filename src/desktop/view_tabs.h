// The central area of the workspace: the study's plot, and beside it a tab
// for each analysis that draws (the shape space, the mean difference, the plot
// window of the plot actions). Running an analysis again shows its new figure
// in the same tab.
#pragma once

#include <QTabWidget>
#include <vector>

#include "runtime/graphics.h"

namespace velmora {

class PlotDock;
class PlotView;

class ViewTabs : public QTabWidget {
  Q_OBJECT

 public:
  ViewTabs(const Graphics& graphics, PlotDock* study_plot, QWidget* parent = nullptr);

  /// Shows `figure` in the tab of `key` (made when there is none), titled
  /// `title`, and makes it current. Returns the figure the tab showed before
  /// (0: none, or the same figure).
  Handle show_figure(const QString& key, Handle figure, const QString& title);
  /// The model changed `figure`: its tab redraws.
  void figure_changed(Handle figure);
  /// The model closed `figure`: its tab goes.
  void figure_closed(Handle figure);
  /// The figures the analysis tabs show, in tab order.
  std::vector<Handle> figures() const;
  /// The view of the tab of `key`; nullptr when there is none.
  PlotView* view(const QString& key) const;
  /// The title of the tab of `key`; empty when there is none.
  QString title(const QString& key) const;
  /// The key of the tab showing `figure`; empty when none does.
  QString key_of(Handle figure) const;

 signals:
  /// The user closed the tab of `figure`.
  void figure_dismissed(Handle figure);
  /// A named point (a specimen) was clicked in a tab's picture.
  void point_clicked(const QString& name);

 private:
  int index_of(Handle figure) const;

  const Graphics& graphics_;
};

/// The name a file exported from a tab gets by default: its title in plain
/// file name characters ("Shape space: PC1 × PC2" -> "Shape space PC1 x PC2").
QString file_name_of(const QString& title);

}  // namespace velmora
