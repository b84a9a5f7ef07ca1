// A view of one figure of the graphics model, drawn with the Cairo renderer:
// drag rotates, the wheel zooms at the cursor, the middle button (or shift and
// drag) pans; large figures are drawn in the background with a quick picture
// while dragging.
#pragma once

#include <QPoint>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "runtime/graphics.h"
#include "runtime/render.h"

class QTimer;

namespace velmora {

/// What a 3D view's tooltip says about the mouse and the keys.
inline constexpr const char* kViewTip =
    "Drag to rotate (a 2D plot pans), shift-drag or the middle button to pan, the wheel zooms at the pointer; "
    "arrow keys rotate, + and - zoom, Home resets";

/// How a view presents a figure beyond the model: the extras of the renderer
/// and whether the figure is flat (a 2D study: seen from above, never tilted).
struct PlotDecor {
  PlotExtras extras;
  bool flat = false;
};

class PlotView : public QWidget {
  Q_OBJECT

 public:
  /// Works out the decoration of a figure from the model (called with the model locked).
  using Decorator = std::function<PlotDecor(const Graphics&, Handle)>;

  PlotView(const Graphics& graphics, Handle figure, QWidget* parent = nullptr);
  ~PlotView() override;

  Handle figure() const { return figure_; }
  /// Shows another figure (0: none, the placeholder text is shown) from its own view.
  void set_figure(Handle figure);
  void set_placeholder(const QString& text);

  /// The interactive view, nothing while the figure's own camera is shown.
  const std::optional<RenderView>& view() const { return view_; }
  void set_view(const std::optional<RenderView>& view);
  /// The view the picture is drawn with: a flat figure is always seen from above.
  std::optional<RenderView> shown_view() const;

  void set_decorator(Decorator decorator);
  /// Points drawn over the picture (specimens picked in a list).
  void set_highlight(std::vector<PointOverlay> highlight);
  /// The decoration in use (extras and flatness) with the highlight and its
  /// legend row; rows turned off are greyed and what they stand for left out.
  PlotDecor decor() const;
  /// The label of the legend row at `at`, or nothing.
  std::optional<std::string> legend_label_at(QPoint at) const;
  /// Hides what a legend row stands for, or shows it again (a click on the row does this).
  void toggle_legend_row(const std::string& label);
  /// Whether the row of `label` is turned off.
  bool legend_row_hidden(const std::string& label) const { return hidden_rows_.count(label) != 0; }

  /// The model changed: draw again.
  void model_changed();

  /// The picture as it is drawn when the view is still (for tests and screenshots).
  QImage picture(QSize size) const;
  /// The name of the named point (a specimen of a shape space plot) drawn
  /// within a few pixels of `at`, or nothing.
  std::optional<std::string> name_at(QPoint at) const;
  /// The window's axes are flat x-y plots (a shape space): drawn as they are,
  /// not turned, zoomed or panned.
  bool flat_axes() const;
  /// Writes the picture as shown (format from the extension): PNG of `pixels`
  /// at `dpi` (recorded in the file), the vector formats at the view's size
  /// with text as text. Throws RuntimeError naming the file; `note` hears how
  /// the file was replaced when that is news (a link written through).
  void export_to(const std::filesystem::path& path, QSize pixels = QSize(), double dpi = 96,
                 const std::function<void(const std::string&)>& note = {});

  /// True while a full picture is being drawn in the background.
  bool drawing_in_background() const { return job_running_; }
  /// True when the figure is large enough that full pictures are drawn in the
  /// background and drags show the quick picture.
  bool large() const;

 signals:
  void view_changed();
  /// A full picture was drawn in the background and is now shown.
  void picture_ready();
  /// A named point (a specimen of a shape space plot) was clicked, without a drag.
  void point_clicked(const QString& name);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // What a picture was drawn for; `decor` also counts the changes of the model.
  struct Key {
    std::optional<RenderView> view;
    QSize size;
    int decor = 0;
    Handle figure = 0;
    bool operator==(const Key&) const = default;
  };
  struct Channel;

  RenderView start_view() const;
  RenderView current_view() const { return view_ ? *view_ : start_view(); }
  void change_view(const RenderView& v, bool settle);
  void zoom_at(QPointF at, double factor);
  void pan_by(QPointF delta);
  Key key() const;
  void request_full(const Key& key);
  void full_done(const Key& key, const QImage& image);
  void refresh_decor();

  const Graphics& graphics_;
  Handle figure_;
  std::optional<RenderView> view_;
  Decorator decorator_;
  PlotDecor decor_;
  std::vector<PointOverlay> highlight_;
  std::set<std::string> hidden_rows_;  // legend rows turned off
  int decor_version_ = 0;
  bool decor_pending_ = false;
  std::size_t points_ = 0;
  QString placeholder_;

  QPoint last_;
  QPoint pressed_at_;  // where the last press was, to tell a click from a drag
  Qt::MouseButton button_ = Qt::NoButton;
  bool dragging_ = false;
  QTimer* settle_ = nullptr;

  QImage full_;
  Key full_key_;
  bool job_running_ = false;
  std::optional<Key> pending_;
  std::shared_ptr<Channel> channel_;
};

}  // namespace velmora
