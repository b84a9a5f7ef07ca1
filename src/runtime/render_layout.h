// Where a window's plot lands on a page: axis limits, ticks and the projection
// of data points, shared by the renderer and whoever needs to find a point on
// the picture (a test, a plot window picking a landmark).
#pragma once

#include <Eigen/Dense>
#include <array>
#include <optional>
#include <vector>

#include "runtime/graphics.h"
#include "runtime/render.h"

namespace velmora {

/// Device units per point of line width, marker size and font size (a screen
/// of 96 dots per inch).
constexpr double kDeviceUnitsPerPoint = 4.0 / 3.0;

/// The plot of one set of axes laid out on a page of width by height device
/// units, y pointing down.
struct AxesLayout {
  Handle axes = 0;                 // 0: the window has no axes (nothing but the background is drawn)
  Eigen::Vector3d lower{0, 0, 0};  // axis limits in data units
  Eigen::Vector3d upper{1, 1, 1};
  std::array<std::vector<double>, 3> ticks;  // tick values of x, y and z
  std::array<double, 3> tick_step{0.2, 0.2, 0.2};
  Eigen::Vector3d centre{0.5, 0.5, 0.5};  // centre of the limits, data units
  Eigen::Vector3d scale{1, 1, 1};         // box units per data unit along each axis
  double azimuth = -37.5;                 // degrees
  double elevation = 30;
  Eigen::Vector3d right{1, 0, 0};  // view basis in box units
  Eigen::Vector3d up{0, 0, 1};
  Eigen::Vector3d toward{0, -1, 0};   // towards the viewer
  double units_per_box = 1;           // device units per box unit
  Eigen::Vector2d origin{0, 0};       // device position of the centre
  Eigen::Vector2d zoom_centre{0, 0};  // device position that stays put when only the zoom changes
  // The plot area the box fills, device units: the page less the room of the
  // numbers, the axes' names and the title (the title's baseline lies above `top`).
  double area_left = 0, area_top = 0, area_right = 1, area_bottom = 1;

  /// Device position of a data point.
  Eigen::Vector2d project(const Eigen::Vector3d& p) const;
  /// Distance towards the viewer along the line of sight (larger is nearer).
  double depth(const Eigen::Vector3d& p) const;
};

/// The layout of the first axes of window `figure`: limits around the data of
/// its lines (rounded out to ticks), equal data units on all axes when the
/// axes ask for them, the view from `view` if given, else from the axes'
/// camera position (looking from the direction in which that position lies
/// from the data origin, so [0 0 10] looks straight down z with x to the right
/// and y up), else azimuth -37.5 and elevation 30. A view's zoom scales the
/// picture about `zoom_centre`, and its pan moves the picture.
AxesLayout layout_axes(const Graphics& graphics, Handle figure, double width, double height,
                       const std::optional<RenderView>& view = std::nullopt);

}  // namespace velmora
