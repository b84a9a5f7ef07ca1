// Drawing a window of the graphics model into pictures with Cairo.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "runtime/graphics.h"

typedef struct _cairo cairo_t;

namespace velmora {

enum class ImageFormat { png, svg, pdf, eps };

/// A view chosen interactively (a plot window being rotated), overriding the
/// camera of the axes: azimuth and elevation in degrees, and a zoom factor.
struct RenderView {
  double azimuth = -37.5;
  double elevation = 30;
  double zoom = 1;
};

/// Draws window `figure` into a Cairo context of width by height device units.
void render_figure(cairo_t* cr, const Graphics& graphics, Handle figure, double width, double height,
                   const std::optional<RenderView>& view = std::nullopt);

/// The picture of window `figure` as the bytes of a file of the given format.
std::string render_figure_bytes(const Graphics& graphics, Handle figure, ImageFormat format, int width = 800,
                                int height = 600, const std::optional<RenderView>& view = std::nullopt);

/// Writes the picture to `path` (through a temporary file beside it); throws
/// RuntimeError naming the path when it cannot be written. Returns the bytes written.
std::uintmax_t write_figure(const Graphics& graphics, Handle figure, ImageFormat format,
                            const std::filesystem::path& path, int width = 800, int height = 600);

/// The format named by a file's extension (.png, .svg, .pdf, .eps).
std::optional<ImageFormat> format_for_path(const std::filesystem::path& path);

}  // namespace velmora
