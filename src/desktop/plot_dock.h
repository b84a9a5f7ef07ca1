// The study's plot, docked in the main window: the figure a first-sample load
// (or the sliding of its semilandmarks) draws, with its own toolbar (reset, export), and the decoration every plot
// of the desktop gets (legend, means on top, axis names, flat 2D studies).
#pragma once

#include <QWidget>

#include "runtime/qt/plot_window.h"

class QLabel;

namespace velmora {

/// The decoration of a plot in the desktop: a legend naming the samples and
/// means by their line styles, the means drawn over the specimens, axis names,
/// labels that do not overprint; a figure whose every point has z = 0 (a 2D
/// study) is flat.
PlotDecor study_decor(const Graphics& graphics, Handle figure);

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

 signals:
  /// How an exported file was replaced, when that is news (a link written through).
  void notice(const QString& text);

 private:
  void update_note();

  const Graphics& graphics_;
  PlotView* view_;
  QLabel* note_;
};

}  // namespace velmora
