// The workspace's views: which figure goes to the study's plot and which to
// an analysis tab, and the tabs closed when the study they showed is gone.
#include <QComboBox>
#include <QMainWindow>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>

#include "desktop/action_table.h"
#include "desktop/plot_dock.h"
#include "desktop/qt_text.h"
#include "desktop/view_tabs.h"
#include "desktop/workspace.h"

namespace velmora {

void Workspace::on_figure(int figure, int event, bool claimed) {
  const auto e = static_cast<FigureEvent>(event);
  std::string by;
  {
    std::lock_guard lock(claims_mutex_);
    auto it = claimed_by_.find(figure);
    if (it != claimed_by_.end()) by = it->second;
    if (e == FigureEvent::closed) claimed_by_.erase(figure);
  }
  const ActionRow* row = find_action(by);
  if (claimed && !(row != nullptr && row->draws_study_plot)) {
    // An analysis' picture: its tab is chosen once the action has ended.
    if (e == FigureEvent::opened && app_.running_action() != by) {
      // An action that ran on this thread has ended before the news of its
      // figure arrived (it comes queued): the figure gets its tab now.
      std::vector<Handle> others = std::move(pending_views_);
      pending_views_ = {figure};
      place_views(by);
      pending_views_ = std::move(others);
    } else if (e == FigureEvent::opened) {
      pending_views_.push_back(figure);
    } else if (e == FigureEvent::closed) {
      std::erase(pending_views_, figure);
      views_->figure_closed(figure);
    } else {
      views_->figure_changed(figure);
    }
  } else if (claimed) {
    Graphics& g = app_.port().graphics();
    if (e == FigureEvent::opened) {
      // A new load's plot replaces the one shown.
      const Handle old = plot_->figure();
      plot_->show_figure(figure);
      if (old != 0 && old != figure && g.is_handle(old)) g.close(old);
    } else if (e == FigureEvent::closed) {
      if (plot_->figure() == figure) plot_->show_figure(0);
    } else if (plot_->figure() == figure) {
      plot_->figure_changed();
    }
  }
  // A plot window opening or closing changes what the exports can do.
  if (e == FigureEvent::opened || e == FigureEvent::closed) refresh_actions();
}

void Workspace::place_views(const std::string& action) {
  Graphics& g = app_.port().graphics();
  // The study's plot draws what the study holds now (a second sample, a wireframe).
  plot_->set_study(app_.study());
  const std::optional<Handle> plot_window = app_.study()->plot_window;
  std::vector<Handle> figures = std::move(pending_views_);
  pending_views_.clear();
  // The mean difference is drawn in the plot window, open already or not.
  const bool in_plot_window = action == "ShowDifference" && plot_window && g.is_handle(*plot_window);
  if (in_plot_window && std::find(figures.begin(), figures.end(), *plot_window) == figures.end())
    figures.push_back(*plot_window);
  for (const Handle figure : figures) {
    if (!g.is_handle(figure)) continue;
    const bool plot = plot_window && *plot_window == figure;
    QString title = plot ? QString("Plot window") : label_text(action);
    if (action == "ShapePCA") {
      title = QString("Shape space: PC%1 × PC%2")
                  .arg(app_.port().control_value("PCXBox"))
                  .arg(app_.port().control_value("PCYBox"));
    } else if (action == "SaveAlignedFile1" || action == "SaveAlignedFile2D") {
      title = "Slid first sample";
    } else if (action == "ShowDifference") {
      // The picture names itself with the factor it was drawn with ("auto" is a number there).
      auto lock = g.lock();
      const std::string name = g.object(figure).name;
      title = name.rfind("Mean difference", 0) == 0 ? QString::fromStdString(name) : QString("Mean difference");
    }
    const Handle before =
        views_->show_figure(plot ? QString("PlotWindow") : QString::fromStdString(action), figure, title);
    // The tab's earlier picture is not shown anywhere any more.
    if (before != 0 && g.is_handle(before)) g.close(before);
  }
}

void Workspace::close_views() {
  Graphics& g = app_.port().graphics();
  for (const Handle figure : views_->figures()) {
    views_->figure_closed(figure);
    if (g.is_handle(figure)) g.close(figure);
  }
}

void Workspace::watch_view_controls() {
  // A change of the components or of the exaggeration redraws the open picture
  // that shows them, once the control has stayed put for a moment.
  redraw_timer_ = new QTimer(this);
  redraw_timer_->setSingleShot(true);
  redraw_timer_->setInterval(400);
  connect(redraw_timer_, &QTimer::timeout, this, [this] {
    if (app_.running()) return redraw_timer_->start();
    const std::string action = redraw_;
    redraw_.clear();
    if (!action.empty() && can_run(action)) app_.run_callback(QString::fromStdString("vm3sw " + action));
  });
  auto redraw = [this](const std::string& action) {
    const bool shown = action == "ShapePCA" ? views_->view("ShapePCA") != nullptr
                                            : views_->title("PlotWindow").startsWith("Mean difference");
    if (!shown) return;
    redraw_ = action;
    redraw_timer_->start();
  };
  for (const char* tag : {"PCXBox", "PCYBox"})
    if (auto* box = window().findChild<QSpinBox*>(tag))
      connect(box, &QSpinBox::valueChanged, this, [redraw] { redraw("ShapePCA"); });
  if (auto* scale = window().findChild<QComboBox*>("DiffScale"))
    connect(scale, &QComboBox::currentTextChanged, this, [redraw] { redraw("ShowDifference"); });
}

}  // namespace velmora
