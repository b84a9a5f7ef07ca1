// Placeholder until the renderer lands: every entry reports that no renderer is built.
#include "runtime/render.h"

#include "runtime/error.h"

namespace velmora {

void render_figure(cairo_t*, const Graphics&, Handle, double, double, const std::optional<RenderView>&) {
  throw RuntimeError("Rendering is not available in this build.");
}

std::string render_figure_bytes(const Graphics&, Handle, ImageFormat, int, int, const std::optional<RenderView>&) {
  throw RuntimeError("Rendering is not available in this build.");
}

std::uintmax_t write_figure(const Graphics&, Handle, ImageFormat, const std::filesystem::path&, int, int) {
  throw RuntimeError("Rendering is not available in this build.");
}

std::optional<ImageFormat> format_for_path(const std::filesystem::path& path) {
  const std::string ext = path.extension().string();
  if (ext == ".png") return ImageFormat::png;
  if (ext == ".svg") return ImageFormat::svg;
  if (ext == ".pdf") return ImageFormat::pdf;
  if (ext == ".eps") return ImageFormat::eps;
  return std::nullopt;
}

}  // namespace velmora
