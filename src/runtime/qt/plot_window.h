// A plot window: one figure of the graphics model in a view of its own, with a
// toolbar that resets the view and exports the picture.
#pragma once

#include <QMainWindow>
#include <filesystem>
#include <functional>

#include "runtime/qt/plot_export.h"
#include "runtime/qt/plot_view.h"

namespace velmora {

class PlotWindow : public QMainWindow {
  Q_OBJECT

 public:
  /// `on_close` runs when the user closes the window (not when the model does).
  PlotWindow(const Graphics& graphics, Handle figure, std::function<void(Handle)> on_close, QWidget* parent = nullptr);
  Handle figure() const { return figure_; }
  PlotView* view() const { return view_; }
  /// Closes the window because the model closed the figure.
  void close_from_model();
  /// Writes the picture as shown to a file (format from the extension); throws RuntimeError.
  void export_to(const std::filesystem::path& path);
  /// Refreshes the title and the picture after a change of the model.
  void refresh();
  /// Who hears how an exported file was replaced when that is news (a link written through).
  void set_note(std::function<void(const std::string&)> note) { note_ = std::move(note); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  const Graphics& graphics_;
  Handle figure_;
  std::function<void(Handle)> on_close_;
  std::function<void(const std::string&)> note_;
  QWidget* page_;  // the column of the view, and of the OpenGL view of surfaces
  PlotView* view_;
  bool closing_from_model_ = false;
  bool flat_ = false;  // the window shows flat axes
};

}  // namespace velmora
