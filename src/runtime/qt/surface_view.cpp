// The surface view: OpenGL started (and given up) in it, its buffers kept
// for the shapes shown, each frame drawn (surfaces, markers, the overlay), and
// the mouse and keys handed to the plot view. One file because all of it works
// on the one context and the buffers kept in it.
#include "runtime/qt/surface_view.h"

#include <cairo.h>

#include <QBoxLayout>
#include <QCoreApplication>
#include <QMatrix4x4>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLTexture>
#include <QResizeEvent>
#include <QTimer>
#include <QVector3D>
#include <QVector4D>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "runtime/qt/plot_view.h"
#include "runtime/qt/surface_vertices.h"
#include "runtime/render_layout.h"
#include "runtime/render_marks.h"

namespace velmora {
namespace {

using Vertex = SurfaceVertex;

// The shading of the renderer (render_surface.cpp): both sides lit alike by
// one light above left of the viewer, ambient, diffuse and a little glint,
// worked out at the vertices and spread over the triangles (as the renderer
// does, and cheap where the pixels are filled on the processor).
constexpr const char* kShadedVertex = R"(#version 120
attribute vec3 position;
attribute vec3 normal;
attribute vec4 colour;
uniform mat4 project;
uniform vec3 inverse_scale;
uniform vec3 light;
uniform vec3 half_way;
varying vec3 c;
void main() {
  gl_Position = project * vec4(position, 1.0);
  vec3 n = normal * inverse_scale;
  float len = length(n);
  vec3 u = len > 0.0 ? n / len : vec3(0.0);
  float diffuse = len > 0.0 ? abs(dot(u, light)) : 1.0;
  float glint = 0.18 * pow(abs(dot(u, half_way)), 40.0);
  c = colour.rgb * (0.28 + 0.72 * diffuse) + glint;
})";

constexpr const char* kShadedFragment = R"(#version 120
uniform float alpha;
varying vec3 c;
void main() {
  gl_FragColor = vec4(c, alpha);
})";

// Round markers: a face and a rim of the line's width; a hollow marker has no face.
constexpr const char* kPointVertex = R"(#version 120
attribute vec3 position;
uniform mat4 project;
uniform float size;
uniform float lift;
void main() {
  gl_Position = project * vec4(position, 1.0);
  gl_Position.z -= lift * gl_Position.w;
  gl_PointSize = size;
})";

constexpr const char* kPointFragment = R"(#version 120
uniform vec4 face;
uniform vec4 edge;
uniform float rim;
void main() {
  float r = length(gl_PointCoord * 2.0 - 1.0);
  if (r > 1.0) discard;
  if (r < 1.0 - rim && face.a == 0.0) discard;
  gl_FragColor = r < 1.0 - rim ? face : edge;
})";

// The overlay (title and colour key): a part of its image on a part of the view.
constexpr const char* kOverlayVertex = R"(#version 120
attribute vec2 corner;
uniform vec4 place;
uniform vec4 part;
varying vec2 at;
void main() {
  gl_Position = vec4(mix(place.xy, place.zw, corner), 0.0, 1.0);
  at = mix(part.xy, part.zw, corner);
})";

constexpr const char* kOverlayFragment = R"(#version 120
uniform sampler2D picture;
varying vec2 at;
void main() {
  gl_FragColor = texture2D(picture, at);
})";

// Not in every header set of OpenGL ES: the desktop's names for the point size
// from the shader and for point sprites (always on in a core profile).
constexpr GLenum kProgramPointSize = 0x8642;
constexpr GLenum kPointSprite = 0x8861;

// Data units to OpenGL's clip space for `layout` on a widget of width by
// height device units: across and up as the renderer projects, and the depth
// towards the viewer (nearer: smaller) over the half diagonal of the limits.
QMatrix4x4 projection(const AxesLayout& l, double width, double height, double* reach) {
  const Eigen::Vector3d right = l.right.cwiseProduct(l.scale), up = l.up.cwiseProduct(l.scale),
                        toward = l.toward.cwiseProduct(l.scale);
  const double r = 1.01 * ((l.upper - l.lower).cwiseProduct(l.scale)).norm() / 2 + 1e-9;
  *reach = r;
  const double ax = 2 / width * l.units_per_box, ay = 2 / height * l.units_per_box;
  const double bx = 2 / width * l.origin.x() - 1 - ax * l.centre.dot(right);
  const double by = 1 - 2 / height * l.origin.y() - ay * l.centre.dot(up);
  const auto f = [](double v) { return static_cast<float>(v); };
  return QMatrix4x4(f(ax * right.x()), f(ax * right.y()), f(ax * right.z()), f(bx),                           //
                    f(ay * up.x()), f(ay * up.y()), f(ay * up.z()), f(by),                                    //
                    f(-toward.x() / r), f(-toward.y() / r), f(-toward.z() / r), f(l.centre.dot(toward) / r),  //
                    0, 0, 0, 1);
}

QVector3D vec(const Eigen::Vector3d& v) {
  return QVector3D(static_cast<float>(v.x()), static_cast<float>(v.y()), static_cast<float>(v.z()));
}

QVector4D rgba(const Rgb& c, double a = 1) {
  return QVector4D(static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b), static_cast<float>(a));
}

}  // namespace

void fit_surface_view(const Graphics& graphics, QWidget* page) {
  auto* plot = page->findChild<PlotView*>("ViewPlot");
  if (plot == nullptr) return;
  auto* gl = page->findChild<SurfaceView*>("ViewSurface");
  const bool wanted = has_surfaces(graphics, plot->figure()) && opengl_available() && !(gl && gl->failed());
  if (wanted && gl == nullptr) {
    auto* column = qobject_cast<QBoxLayout*>(page->layout());
    if (column == nullptr) return;
    gl = new SurfaceView(graphics, plot, page);
    gl->setObjectName("ViewSurface");
    column->addWidget(gl, 1);
    QObject::connect(gl, &SurfaceView::unavailable, page, [&graphics, page] { fit_surface_view(graphics, page); });
  }
  if (gl == nullptr) return;
  if (wanted) {
    gl->resize(plot->size());
    plot->hide();
    gl->show();
    gl->update();
  } else {
    gl->hide();
    plot->show();
  }
}

bool has_surfaces(const Graphics& graphics, Handle figure) {
  auto lock = graphics.lock();
  if (figure == 0 || !graphics.is_handle(figure)) return false;
  for (Handle a : graphics.object(figure).children)
    for (Handle c : graphics.object(a).children) {
      const GraphicsObject& o = graphics.object(c);
      if (o.type == ObjectType::surface && o.visible && o.shape) return true;
    }
  return false;
}

bool opengl_available() {
  if (const char* off = std::getenv("VELMORA_OPENGL"); off != nullptr && std::strcmp(off, "0") == 0) return false;
  static const bool available = [] {
    QOpenGLContext context;
    if (!context.create()) return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface)) return false;
    context.doneCurrent();
    return true;
  }();
  return available;
}

SurfaceView::SurfaceView(const Graphics& graphics, PlotView* plot, QWidget* parent)
    : QOpenGLWidget(parent), graphics_(graphics), plot_(plot) {
  setMinimumSize(200, 150);
  setFocusPolicy(Qt::StrongFocus);
  setToolTip(kViewTip);
  connect(plot_, &PlotView::view_changed, this, qOverload<>(&QWidget::update));
}

SurfaceView::~SurfaceView() {
  if (context() == nullptr) return;
  // The members go before the context does: nothing is released when it goes.
  disconnect(context(), nullptr, this, nullptr);
  makeCurrent();
  release_buffers();
  doneCurrent();
}

void SurfaceView::fail(const QString& why) {
  if (failed_) return;
  failed_ = true;
  qWarning("The surface view cannot use OpenGL (%s); the picture is drawn without it.", qPrintable(why));
  QTimer::singleShot(0, this, &SurfaceView::unavailable);
}

void SurfaceView::release_buffers() {
  buffers_.clear();  // each destroys its buffers (the context is current)
  marks_.destroy();
  overlay_texture_.reset();
  overlay_key_.clear();  // made again, with its texture, in the next context
  shaded_.removeAllShaders();
  points_.removeAllShaders();
  overlay_program_.removeAllShaders();
  ready_ = false;
}

void SurfaceView::initializeGL() {
  if (context() == nullptr || !context()->isValid()) return fail("no context");
  initializeOpenGLFunctions();
  // The context goes when the view moves to another window (a tab torn off):
  // its buffers go with it and are made again in the new one.
  connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
    makeCurrent();
    release_buffers();
    doneCurrent();
  });
  shaded_.removeAllShaders();
  points_.removeAllShaders();
  overlay_program_.removeAllShaders();
  if (!shaded_.addShaderFromSourceCode(QOpenGLShader::Vertex, kShadedVertex) ||
      !shaded_.addShaderFromSourceCode(QOpenGLShader::Fragment, kShadedFragment) || !shaded_.link())
    return fail(shaded_.log());
  if (!points_.addShaderFromSourceCode(QOpenGLShader::Vertex, kPointVertex) ||
      !points_.addShaderFromSourceCode(QOpenGLShader::Fragment, kPointFragment) || !points_.link())
    return fail(points_.log());
  if (!overlay_program_.addShaderFromSourceCode(QOpenGLShader::Vertex, kOverlayVertex) ||
      !overlay_program_.addShaderFromSourceCode(QOpenGLShader::Fragment, kOverlayFragment) || !overlay_program_.link())
    return fail(overlay_program_.log());
  if (!marks_.isCreated() && !marks_.create()) return fail("no buffer");
  ready_ = true;
}

SurfaceView::Buffers& SurfaceView::buffers_for(const GraphicsObject& o, const GraphicsObject& axes) {
  const SurfaceShape* shape = o.shape.get();
  std::unique_ptr<Buffers>& b = buffers_[shape];
  // A shape made where a freed one was is another shape.
  if (b && b->shape.lock() != o.shape) b.reset();
  const std::string paint = surface_paint(o, axes);
  if (b && b->paint == paint) return *b;
  if (!b) {
    b = std::make_unique<Buffers>();
    b->shape = o.shape;
    b->vertices.create();
    b->indices.create();
    b->indices.bind();
    b->indices.allocate(shape->triangles.data(), static_cast<int>(shape->triangles.size() * sizeof(int)));
    b->count = static_cast<int>(shape->triangles.size());
  }
  const std::vector<Vertex> data = surface_vertices(o, axes);
  b->vertices.bind();
  b->vertices.allocate(data.data(), static_cast<int>(data.size() * sizeof(Vertex)));
  if (shape->triangles.rows() > kCoarseAbove) {
    const CoarseSurface coarse = coarse_surface(*shape, data, kCoarseTriangles);
    if (!b->coarse_vertices.isCreated()) b->coarse_vertices.create();
    if (!b->coarse_indices.isCreated()) b->coarse_indices.create();
    b->coarse_vertices.bind();
    b->coarse_vertices.allocate(coarse.vertices.data(), static_cast<int>(coarse.vertices.size() * sizeof(Vertex)));
    b->coarse_indices.bind();
    b->coarse_indices.allocate(coarse.indices.data(), static_cast<int>(coarse.indices.size() * sizeof(std::uint32_t)));
    b->coarse_count = static_cast<int>(coarse.indices.size());
  }
  b->paint = paint;
  return *b;
}

void SurfaceView::paintGL() {
  if (!draw_native() || overlay_parts_.empty()) return;
  // The overlay over the picture: its image as a texture (rows from the top),
  // the parts that hold something blended in.
  if (!overlay_texture_) {
    overlay_texture_ = std::make_unique<QOpenGLTexture>(overlay_, QOpenGLTexture::DontGenerateMipMaps);
    overlay_texture_->setMinificationFilter(QOpenGLTexture::Nearest);
    overlay_texture_->setMagnificationFilter(QOpenGLTexture::Nearest);
  }
  const float w = static_cast<float>(overlay_.width()), h = static_cast<float>(overlay_.height());
  const GLfloat corners[] = {0, 0, 1, 0, 0, 1, 1, 1};
  overlay_program_.bind();
  overlay_texture_->bind(0);
  overlay_program_.setUniformValue("picture", 0);
  overlay_program_.enableAttributeArray("corner");
  overlay_program_.setAttributeArray("corner", GL_FLOAT, corners, 2);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  for (const QRect& p : overlay_parts_) {
    const float x0 = p.x() / w, x1 = (p.x() + p.width()) / w, y0 = p.y() / h, y1 = (p.y() + p.height()) / h;
    overlay_program_.setUniformValue("place", QVector4D(2 * x0 - 1, 1 - 2 * y0, 2 * x1 - 1, 1 - 2 * y1));
    overlay_program_.setUniformValue("part", QVector4D(x0, y0, x1, y1));
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  }
  glDisable(GL_BLEND);
  overlay_program_.disableAttributeArray("corner");
  overlay_texture_->release(0);
  overlay_program_.release();
}

bool SurfaceView::draw_native() {
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (!ready_) return false;
  const Handle figure = plot_->figure();
  auto lock = graphics_.lock();
  if (figure == 0 || !graphics_.is_handle(figure)) return false;
  const double w = width(), h = height();
  const AxesLayout layout = layout_axes(graphics_, figure, w, h, plot_->shown_view());
  if (layout.axes == 0) return false;
  const GraphicsObject& axes = graphics_.object(layout.axes);
  double reach = 1;
  const QMatrix4x4 project = projection(layout, w, h, &reach);

  std::vector<const GraphicsObject*> solid, glass, marked;
  for (auto it = axes.children.rbegin(); it != axes.children.rend(); ++it) {
    const GraphicsObject& o = graphics_.object(*it);
    if (!o.visible) continue;
    if (o.type == ObjectType::surface && o.shape && o.shape->triangles.rows() > 0 && o.face_alpha > 0)
      (o.face_alpha < 1 ? glass : solid).push_back(&o);
    else if (o.type == ObjectType::line && o.marker != "none" && o.x.size() > 0)
      marked.push_back(&o);
  }

  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glDisable(GL_CULL_FACE);
  shaded_.bind();
  shaded_.setUniformValue("project", project);
  shaded_.setUniformValue("alpha", 1.0f);
  shaded_.setUniformValue("inverse_scale", vec(layout.scale.cwiseInverse()));
  const Eigen::Vector3d light = (layout.toward + 0.55 * layout.up - 0.4 * layout.right).normalized();
  shaded_.setUniformValue("light", vec(light));
  shaded_.setUniformValue("half_way", vec((light + layout.toward).normalized()));
  std::set<const SurfaceShape*> shown;
  const auto draw_surface = [&](const GraphicsObject& o) {
    Buffers& b = buffers_for(o, axes);
    shown.insert(o.shape.get());
    shaded_.setUniformValue("alpha", static_cast<float>(std::clamp(o.face_alpha, 0.0, 1.0)));
    const bool coarse = dragging_ && b.coarse_count > 0;
    (coarse ? b.coarse_vertices : b.vertices).bind();
    (coarse ? b.coarse_indices : b.indices).bind();
    shaded_.enableAttributeArray("position");
    shaded_.enableAttributeArray("normal");
    shaded_.enableAttributeArray("colour");
    shaded_.setAttributeBuffer("position", GL_FLOAT, offsetof(Vertex, position), 3, sizeof(Vertex));
    shaded_.setAttributeBuffer("normal", GL_FLOAT, offsetof(Vertex, normal), 3, sizeof(Vertex));
    // Qt passes bytes normalised: 255 is 1.
    shaded_.setAttributeBuffer("colour", GL_UNSIGNED_BYTE, offsetof(Vertex, colour), 4, sizeof(Vertex));
    glDrawElements(GL_TRIANGLES, coarse ? b.coarse_count : b.count, GL_UNSIGNED_INT, nullptr);
  };
  for (const GraphicsObject* o : solid) draw_surface(*o);
  shaded_.disableAttributeArray("position");
  shaded_.disableAttributeArray("normal");
  shaded_.disableAttributeArray("colour");
  shaded_.release();

  // The markers, over the opaque surfaces: one hidden only when it lies
  // clearly behind a surface (as the renderer hides them).
  if (!marked.empty()) {
    glEnable(kProgramPointSize);
    glEnable(kPointSprite);
    points_.bind();
    points_.setUniformValue("project", project);
    points_.setUniformValue("lift", static_cast<float>(0.02 / reach));
    marks_.bind();
    const double dpr = devicePixelRatioF();
    for (const GraphicsObject* o : marked) {
      std::vector<float> xyz;
      for (Eigen::Index i = 0; i < o->x.size(); ++i)
        if (std::isfinite(o->x(i)) && std::isfinite(o->y(i)) && std::isfinite(o->z(i)))
          xyz.insert(xyz.end(),
                     {static_cast<float>(o->x(i)), static_cast<float>(o->y(i)), static_cast<float>(o->z(i))});
      if (xyz.empty()) continue;
      marks_.allocate(xyz.data(), static_cast<int>(xyz.size() * sizeof(float)));
      const double size = o->marker_size * kDeviceUnitsPerPoint;
      points_.setUniformValue("size", static_cast<float>(size * dpr));
      points_.setUniformValue("rim",
                              static_cast<float>(std::min(1.0, 2 * o->line_width * kDeviceUnitsPerPoint / size)));
      points_.setUniformValue("face", o->marker_face ? rgba(*o->marker_face) : QVector4D(0, 0, 0, 0));
      points_.setUniformValue("edge", rgba(o->color));
      points_.enableAttributeArray("position");
      points_.setAttributeBuffer("position", GL_FLOAT, 0, 3, 3 * sizeof(float));
      glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(xyz.size() / 3));
    }
    points_.disableAttributeArray("position");
    marks_.release();
    points_.release();
  }

  // See-through surfaces: the nearest of them at each pixel over what lies
  // behind, first their depths alone, then their colours at those depths.
  if (!glass.empty()) {
    shaded_.bind();
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    for (const GraphicsObject* o : glass) draw_surface(*o);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    for (const GraphicsObject* o : glass) draw_surface(*o);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    shaded_.disableAttributeArray("position");
    shaded_.disableAttributeArray("normal");
    shaded_.disableAttributeArray("colour");
    shaded_.release();
  }
  QOpenGLBuffer::release(QOpenGLBuffer::VertexBuffer);
  QOpenGLBuffer::release(QOpenGLBuffer::IndexBuffer);
  glDisable(GL_DEPTH_TEST);
  std::erase_if(buffers_, [&](const auto& entry) { return shown.count(entry.first) == 0; });

  // The title and the colour key where the renderer puts them, drawn once for
  // each size and text.
  const std::string title =
      axes.title != 0 && graphics_.is_handle(axes.title) ? graphics_.object(axes.title).string : "";
  char key[64] = "";
  if (axes.colour_limits)
    std::snprintf(key, sizeof key, "%.17g %.17g", (*axes.colour_limits)[0], (*axes.colour_limits)[1]);
  const double dpr = devicePixelRatioF();
  const std::string overlay = std::to_string(w) + "x" + std::to_string(h) + "@" + std::to_string(dpr) + "|" + title +
                              "|" + key + "|" + axes.colour_label;
  if (overlay != overlay_key_) {
    overlay_key_ = overlay;
    overlay_ = QImage(QSize(static_cast<int>(std::ceil(w * dpr)), static_cast<int>(std::ceil(h * dpr))),
                      QImage::Format_ARGB32_Premultiplied);
    overlay_.fill(Qt::transparent);
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        overlay_.bits(), CAIRO_FORMAT_ARGB32, overlay_.width(), overlay_.height(), overlay_.bytesPerLine());
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, dpr, dpr);
    const TextOut out;
    cairo_set_source_rgb(cr, 0, 0, 0);
    if (axes.colour_limits)
      draw_colour_key(cr, out, 0.9 * w, 0.2 * h, 0.025 * w, 0.6 * h, (*axes.colour_limits)[0], (*axes.colour_limits)[1],
                      axes.colour_label);
    draw_axes_title(cr, out, graphics_, axes, w / 2, 0.075 * h - 6, false);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    // Only the parts that hold something are laid over each frame: each band
    // of rows from its first to its last column drawn on.
    overlay_parts_.clear();
    overlay_texture_.reset();
    constexpr int kRows = 24;
    for (int top = 0; top < overlay_.height(); top += kRows) {
      const int rows = std::min(kRows, overlay_.height() - top);
      int left = overlay_.width(), right = -1;
      for (int y = top; y < top + rows; ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(overlay_.constScanLine(y));
        for (int x = 0; x < overlay_.width(); ++x)
          if (line[x] != 0) {
            left = std::min(left, x);
            right = std::max(right, x);
          }
      }
      if (right >= left) overlay_parts_.emplace_back(left, top, right - left + 1, rows);
    }
  }
  return true;
}

void SurfaceView::resizeEvent(QResizeEvent* event) {
  QOpenGLWidget::resizeEvent(event);
  // The hidden plot view keeps this size: its zoom, pan and exports use it.
  plot_->resize(size());
  QTimer::singleShot(0, this, [this] {
    if (isVisible() && !size().isEmpty() && window()->windowHandle() != nullptr && !isValid()) fail("no context");
  });
}

void SurfaceView::forward(QEvent* event) { QCoreApplication::sendEvent(plot_, event); }
void SurfaceView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  dragging_ = event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton;
  forward(event);
}
void SurfaceView::mouseMoveEvent(QMouseEvent* event) { forward(event); }
void SurfaceView::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  forward(event);
  update();  // the whole surface again
}
void SurfaceView::wheelEvent(QWheelEvent* event) { forward(event); }
void SurfaceView::keyPressEvent(QKeyEvent* event) { forward(event); }

}  // namespace velmora
