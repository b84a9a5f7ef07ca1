// The central area of the workspace: the study's plot, and beside it a tab
// for each analysis that draws (the shape space, the mean difference, the plot
// window of the plot actions). Running an analysis again shows its new figure
// in the same tab. A tab double-clicked becomes a window of its own until
// that window is closed.
#pragma once

#include <QPointer>
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
  /// Puts the picture of tab `index` into a window of its own (the study's plot stays).
  void tear_off(int index);
  /// The pictures in windows of their own.
  std::vector<QWidget*> torn_off() const {
    std::vector<QWidget*> out;
    for (const auto& page : torn_)
      if (page) out.push_back(page);
    return out;
  }

 signals:
  /// The user closed the tab of `figure`.
  void figure_dismissed(Handle figure);
  /// A named point (a specimen) was clicked in a tab's picture.
  void point_clicked(const QString& name);
  /// How an exported file was replaced, when that is news (a link written through).
  void notice(const QString& text);

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
  /// Every picture of an analysis: the tabs in order, then those torn off.
  std::vector<QWidget*> pages() const;
  QWidget* page_of(Handle figure) const;
  QWidget* page_for(const QString& key) const;
  void set_title(QWidget* page, const QString& title);
  void remove_page(QWidget* page);
  void put_back(QWidget* page);

  const Graphics& graphics_;
  std::vector<QPointer<QWidget>> torn_;
};

/// The name a file exported from a tab gets by default: its title in plain
/// file name characters ("Shape space: PC1 × PC2" -> "Shape space PC1 x PC2").
QString file_name_of(const QString& title);

}  // namespace velmora
