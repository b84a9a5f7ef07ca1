// Exporting a plot view: the PNG size dialog, the file dialog, and the
// toolbar of a plot (reset and the four export formats) that plot windows and
// the desktop's docked plot share.
#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <optional>

#include "runtime/qt/plot_view.h"

class QToolBar;

namespace velmora {

/// Asks where to save the picture of `view` (and for PNG its size and
/// resolution, 300 dpi at the view's aspect by default), then writes it.
/// Returns the path written, nothing when cancelled; failures are shown, and
/// `note` hears how the file was replaced when that is news.
std::optional<std::filesystem::path> export_plot(PlotView* view, ImageFormat format, QWidget* parent,
                                                 const QString& name,
                                                 const std::function<void(const std::string&)>& note = {});

/// How a plot's toolbar names its actions and what it does after an export.
struct PlotTools {
  QString names;                                    // prefix of the actions' object names ("" or "StudyPlot")
  QString what = "this plot";                       // the tooltips' words for the plot
  QString reset_tip = "Back to the plot's own view (Ctrl+0)";
  bool reset_shortcut = true;                       // Ctrl+0 resets the view
  std::function<QString()> file_name;               // the export's default file name, without extension
  std::function<bool()> ready = [] { return true; };  // false: nothing to export yet
  std::function<void(const std::filesystem::path&)> saved;  // after a file was written
  std::function<void(const std::string&)> note;             // how a file was replaced, when that is news
};

/// Adds "Reset view" and "Export PNG…", "Export SVG…", "Export PDF…", "Export
/// EPS…" for `view` to `tools`; dialogs open over `parent`.
void add_plot_tools(QToolBar* tools, PlotView* view, QWidget* parent, const PlotTools& how);

}  // namespace velmora
