// Drawing a window of the graphics model into pictures with Cairo.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "runtime/graphics.h"

typedef struct _cairo cairo_t;

namespace velmora {

enum class ImageFormat { png, svg, pdf, eps };

/// A view chosen interactively (a plot window being rotated), overriding the
/// camera of the axes: azimuth and elevation in degrees, a zoom factor, and a
/// shift of the whole picture in device units (right and down).
struct RenderView {
  double azimuth = -37.5;
  double elevation = 30;
  double zoom = 1;
  double pan_x = 0;
  double pan_y = 0;
  bool operator==(const RenderView&) const = default;
};

/// One row of a legend: a sample of a line's style beside its label.
struct LegendEntry {
  std::string label;
  Rgb color;
  std::string marker = "none";      // as a line object's Marker
  std::string line_style = "none";  // as a line object's LineStyle
  bool filled = false;
  std::vector<Handle> lines = {};  // the model's lines it stands for (hidden with it)
  bool shown = true;               // false: what it stands for is hidden, the row greyed
  bool operator==(const LegendEntry&) const = default;
};

/// The legend row of a line named in the model (its DisplayName), in the
/// colour the legend shows for it.
LegendEntry legend_entry_of(const GraphicsObject& axes, const GraphicsObject& line);

/// Points drawn above everything else, as filled dots (specimens picked in a list).
struct PointOverlay {
  Eigen::MatrixXd points;  // p by 3
  Rgb color{1, 0.55, 0};
  std::string label = "Selected specimen";  // its legend entry
};

/// What an interactive view adds to the picture of the model. None of it is in
/// the model, so the pictures of the actions and of batch runs stay as they are.
struct PlotExtras {
  std::vector<Handle> on_top;       // line objects drawn after all the others (means over specimens)
  std::vector<LegendEntry> legend;  // a box in the top right corner of the plot
  bool axis_names = false;          // "x", "y" and "z" beyond each axis' numbers
  std::vector<PointOverlay> highlight;
  // Lines drawn with the model's as if they were in its axes (what the study
  // holds beyond the figure); one whose DisplayName is the label of a legend
  // row that is not shown is left out with it.
  std::vector<GraphicsObject> added;
  std::vector<Handle> hidden;      // the model's lines left out
  // Flat plots: the legend rows (display names) clicked off; their lines are
  // left out and the rows greyed (draw_flat_figure).
  std::vector<std::string> hidden_names;
  bool svg_text_elements = false;  // SVG: text as <text> elements (editable) instead of glyph outlines
};

/// The legend row of the picture of window `figure` (as render_figure draws it
/// on a page of width by height device units) at device position `at`: its
/// index in `extras.legend`, nothing when `at` is on no row of it.
std::optional<std::size_t> legend_row_at(const Graphics& graphics, Handle figure, double width, double height,
                                         const PlotExtras& extras, const Eigen::Vector2d& at);

/// Draws window `figure` into a Cairo context of width by height device units.
void render_figure(cairo_t* cr, const Graphics& graphics, Handle figure, double width, double height,
                   const std::optional<RenderView>& view = std::nullopt, const PlotExtras* extras = nullptr);

/// The picture of window `figure` as the bytes of a file of the given format.
std::string render_figure_bytes(const Graphics& graphics, Handle figure, ImageFormat format, int width = 800,
                                int height = 600, const std::optional<RenderView>& view = std::nullopt,
                                const PlotExtras* extras = nullptr);

/// A quick picture for the frames drawn while a view is dragged: every marker
/// as a small dot in its colour (the `on_top` lines last), lines as thin
/// strokes, the axes box without numbers, no text. `pixels` is an ARGB32
/// premultiplied image of width by height pixels, `stride` bytes a row, drawn
/// at `scale` pixels per device unit.
void render_preview(unsigned char* pixels, int width, int height, int stride, double scale, const Graphics& graphics,
                    Handle figure, const std::optional<RenderView>& view = std::nullopt,
                    const PlotExtras* extras = nullptr);

/// Writes the picture to `path` (through a temporary file beside it); throws
/// RuntimeError naming the path when it cannot be written. Returns the bytes
/// written; `note`, when given, hears how the file was replaced (a link
/// written through, hard links left with the old content) when that is news.
std::uintmax_t write_figure(const Graphics& graphics, Handle figure, ImageFormat format,
                            const std::filesystem::path& path, int width = 800, int height = 600,
                            const std::function<void(const std::string&)>& note = {});

/// The format named by a file's extension (.png, .svg, .pdf, .eps).
std::optional<ImageFormat> format_for_path(const std::filesystem::path& path);

}  // namespace velmora
