// Where the flat (x-y) plots of a window land on a page: each axes' plot
// rectangle, limits and ticks, shared by the renderer and by whoever looks
// for a point on the picture (a plot window naming the point under the mouse).
#pragma once

#include <Eigen/Dense>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "runtime/graphics.h"

namespace velmora {

/// One flat axes laid out on a page of width by height device units, y down.
struct FlatLayout {
  Handle axes = 0;
  double left = 0, top = 0, width = 1, height = 1;  // the plot rectangle, device units
  Eigen::Vector2d lower{0, 0}, upper{1, 1};         // x and y limits, data units
  std::array<std::vector<double>, 2> ticks;         // tick values of x and y
  std::array<double, 2> tick_step{0.2, 0.2};
  double y_numbers_width = 0;  // the widest y number, device units

  /// Device position of a data point.
  Eigen::Vector2d project(double x, double y) const;
};

/// Where the words around a flat plot go, device units from its frame: the
/// near edge of the numbers, the centre of the x axis' name below the frame,
/// the centre of the y axis' name beyond the y numbers, the title's centre above.
constexpr double kNumberGap = 8;
constexpr double kXNameDrop = 34;
constexpr double kYNameGap = 22;
constexpr double kTitleRise = 14;
/// The font sizes of the numbers and names (points).
constexpr double kFlatTextPoints = 10;

/// True when the window's current axes are flat.
bool is_flat_figure(const Graphics& graphics, Handle figure);

/// Every flat axes of window `figure`, oldest first: the plot rectangle from
/// the axes' box (the window's plot area when it has none, less room for a
/// colour key), limits around the data of its lines and texts (rounded out to
/// ticks; with equal units on both axes, widened to the rectangle's shape
/// instead), fixed x ticks when the axes carry them. When the box leaves too
/// little room on the page (or beside the axes to its left) for the numbers,
/// the names of the axes and the title, the rectangle shrinks until they fit.
std::vector<FlatLayout> layout_flat_axes(const Graphics& graphics, Handle figure, double width, double height);

/// The named point nearest to device position `at` within `radius` device
/// units, over the lines of the flat axes of the window: its name, or nothing.
std::optional<std::string> point_name_at(const Graphics& graphics, Handle figure, double width, double height,
                                         const Eigen::Vector2d& at, double radius);

}  // namespace velmora
