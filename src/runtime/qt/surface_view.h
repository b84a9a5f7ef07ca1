// A picture of surfaces drawn by the graphics card: the surface objects of a
// figure as vertex buffers (positions, normals, colours) shaded by one light on
// both sides as the renderer shades them, the markers of its lines as points,
// the title and the colour key over them. It stands in for a plot view, which
// stays beside it hidden: the plot view keeps the view (the mouse and the keys
// go to it, so turning is the same in both), makes the exports, and is shown
// instead where OpenGL cannot be used. While the view is dragged, a surface of
// more than 300,000 triangles is drawn from a coarser copy of about 120,000
// (as the plots draw a quick picture), so that it turns smoothly where the
// triangles are set up on the processor (Mesa's software renderer); the whole
// surface is drawn again when the mouse is let go.
#pragma once

#include <QImage>
#include <QOpenGLBuffer>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLTexture>
#include <QOpenGLWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/graphics.h"

namespace velmora {

class PlotView;

/// Whether window `figure` holds a visible surface object.
bool has_surfaces(const Graphics& graphics, Handle figure);

/// Whether this process can draw with OpenGL: a context can be made on the
/// platform in use (tried once, then remembered). VELMORA_OPENGL=0 in the
/// environment says no, for a driver that makes a context but draws wrong.
bool opengl_available();

/// A picture of surfaces is drawn by OpenGL where it can be (turning a large
/// surface smoothly), the plot view standing behind it for the view and the
/// exports; any other picture, or one where OpenGL fails, by the plot view.
/// `page` lays out its widgets in a column and holds the plot view, named
/// "ViewPlot"; the surface view, named "ViewSurface", is added below it the
/// first time it is wanted and shown in its place while it is.
void fit_surface_view(const Graphics& graphics, QWidget* page);

class SurfaceView : public QOpenGLWidget, protected QOpenGLFunctions {
  Q_OBJECT

 public:
  /// Draws the figure of `plot` as `plot` would show it; `plot` outlives the view.
  SurfaceView(const Graphics& graphics, PlotView* plot, QWidget* parent = nullptr);
  ~SurfaceView() override;

  PlotView* plot() const { return plot_; }
  /// True once OpenGL failed here (no context, a shader the driver refused).
  bool failed() const { return failed_; }

 signals:
  /// OpenGL failed: the plot view should be shown instead.
  void unavailable();

 protected:
  void initializeGL() override;
  void paintGL() override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // One surface's buffers on the card, kept while the figure shows its shape.
  struct Buffers {
    std::weak_ptr<const SurfaceShape> shape;
    QOpenGLBuffer vertices{QOpenGLBuffer::VertexBuffer};
    QOpenGLBuffer indices{QOpenGLBuffer::IndexBuffer};
    int count = 0;      // indices
    std::string paint;  // what the colours were made from
    QOpenGLBuffer coarse_vertices{QOpenGLBuffer::VertexBuffer};
    QOpenGLBuffer coarse_indices{QOpenGLBuffer::IndexBuffer};
    int coarse_count = 0;  // indices of the coarser copy; 0: none (a small surface)
  };

  void fail(const QString& why);
  void release_buffers();
  Buffers& buffers_for(const GraphicsObject& surface, const GraphicsObject& axes);
  /// Draws the surfaces and markers with OpenGL and brings the overlay up to
  /// date; false when there is nothing to draw.
  bool draw_native();
  void forward(QEvent* event);

  const Graphics& graphics_;
  PlotView* plot_;
  bool failed_ = false;
  bool ready_ = false;
  bool dragging_ = false;
  QOpenGLShaderProgram shaded_, points_, overlay_program_;
  QOpenGLBuffer marks_{QOpenGLBuffer::VertexBuffer};
  std::map<const SurfaceShape*, std::unique_ptr<Buffers>> buffers_;
  QImage overlay_;                    // the title and the colour key
  std::vector<QRect> overlay_parts_;  // where it holds something
  std::unique_ptr<QOpenGLTexture> overlay_texture_;
  std::string overlay_key_;
};

}  // namespace velmora
