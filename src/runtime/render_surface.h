// Surfaces in a 3D plot: a z-buffered, shaded raster drawn under the lines.
#pragma once

#include <Eigen/Dense>
#include <vector>

#include "runtime/graphics.h"
#include "runtime/render_layout.h"

typedef struct _cairo cairo_t;

namespace velmora {

/// Where the opaque surfaces of a picture lie, to hide the marks behind them.
struct SurfaceDepth {
  int width = 0, height = 0;   // pixels of the buffer; 0: no surface was drawn
  double pixels_per_unit = 1;  // buffer pixels per device unit
  std::vector<float> depth;    // per pixel, row by row: the nearest opaque surface's depth, -inf where none
  /// Whether a mark at device position `at` and depth `d` (AxesLayout::depth)
  /// lies clearly behind an opaque surface.
  bool hidden(const Eigen::Vector2d& at, double d) const;
};

/// An image of the surfaces: premultiplied ARGB, row by row, with its depths.
struct SurfaceImage {
  int width = 0, height = 0;
  std::vector<std::uint32_t> argb;  // 0 where no surface covers the pixel
  SurfaceDepth depth;
};

/// Rasterises every visible surface object of `axes` as laid out by `layout`
/// into an image of width by height device units at `pixels_per_unit`: each
/// triangle z-buffered, lit by one light from above left of the viewer on
/// both sides (ambient, diffuse and a little specular), its colours and shades
/// interpolated over it from its vertices (the axes' colour key gives the
/// colour of vertex values). Surfaces with FaceAlpha under 1 are laid over the
/// opaque ones, the nearest of them at each pixel, blended by their alpha.
/// Triangles are binned into bands of rows that are drawn in parallel.
SurfaceImage rasterise_surfaces(const Graphics& graphics, const GraphicsObject& axes, const AxesLayout& layout,
                                double width, double height, double pixels_per_unit);

/// Draws the surfaces of `axes` into `cr` (width by height device units) as
/// one image at the resolution of an image target (at least two samples a
/// pixel on each axis, averaged, unless `quick`), or three pixels a unit on a
/// vector target (SVG, PDF and EPS then hold a raster image). Returns where
/// they lie.
SurfaceDepth draw_surfaces(cairo_t* cr, const Graphics& graphics, const GraphicsObject& axes, const AxesLayout& layout,
                           double width, double height, bool quick = false);

}  // namespace velmora
