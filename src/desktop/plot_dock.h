// The study's plot, docked in the main window: the figure a first-sample load
// (or the sliding of its semilandmarks) draws, with its own toolbar (reset, export), and the decoration every plot
// of the desktop gets (legend, means on top, axis names, flat 2D studies).
#pragma once

#include <QWidget>
#include <memory>

#include "app/study_summary.h"
#include "runtime/qt/plot_window.h"

class QLabel;

namespace velmora {

/// The decoration of a plot in the desktop: a legend naming the samples and
/// means by their line styles (lines named in the model by their names), each
/// row standing for its lines, the means drawn over the specimens, axis names;
/// a figure whose every point has z = 0 (a 2D study) is flat.
PlotDecor study_decor(const Graphics& graphics, Handle figure);

/// The study's plot: study_decor, with what `study` holds beyond the figure
/// drawn in: the second sample and its mean (when they have the first
/// sample's points) and the wireframe on mean 1, each with its legend row.
PlotDecor study_plot_decor(const Graphics& graphics, Handle figure, const StudySummary* study);

class PlotDock : public QWidget {
  Q_OBJECT

 public:
  PlotDock(const Graphics& graphics, QWidget* parent = nullptr);
  PlotView* view() const { return view_; }
  Handle figure() const { return view_->figure(); }
  /// Shows `figure` (0: none; the view then says what to load).
  void show_figure(Handle figure);
  /// The model changed `figure`.
  void figure_changed();
  /// The study the plot shows beyond its figure (the second sample, the wireframe).
  void set_study(std::shared_ptr<const StudySummary> study);

 signals:
  /// How an exported file was replaced, when that is news (a link written through).
  void notice(const QString& text);

 private:
  void update_note();

  const Graphics& graphics_;
  std::shared_ptr<const StudySummary> study_;
  PlotView* view_;
  QLabel* note_;
};

}  // namespace velmora
