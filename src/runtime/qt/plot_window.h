// A plot window: draws one figure of the graphics model with the Cairo
// renderer; drag rotates, the wheel zooms, and the toolbar exports.
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <functional>
#include <optional>
#include <string>

#include "runtime/graphics.h"
#include "runtime/render.h"

namespace velmora {

class PlotView : public QWidget {
  Q_OBJECT

 public:
  PlotView(const Graphics& graphics, Handle figure, QWidget* parent = nullptr);
  /// The interactive view, nothing while the figure's own camera is shown.
  const std::optional<RenderView>& view() const { return view_; }
  void set_view(const std::optional<RenderView>& view);
  /// The picture as it is drawn on the screen (for tests and screenshots).
  QImage picture(QSize size) const;
  /// The name of the named point (a specimen of a shape space plot) drawn
  /// within a few pixels of `at`, or nothing.
  std::optional<std::string> name_at(QPoint at) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  RenderView start_view() const;

  const Graphics& graphics_;
  Handle figure_;
  std::optional<RenderView> view_;
  QPoint last_;
};

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

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void export_as(ImageFormat format);

  const Graphics& graphics_;
  Handle figure_;
  std::function<void(Handle)> on_close_;
  PlotView* view_;
  bool closing_from_model_ = false;
  bool flat_ = false;  // the window shows flat axes
};

}  // namespace velmora
