// Placing the camera of the current axes.
#pragma once

#include <Eigen/Dense>

#include "runtime/graphics.h"

namespace velmora {

/// Places the camera of the current axes at `position` (x, y, z); [0 0 10]
/// looks at the axes from above along the z axis.
void campos(Graphics& graphics, const Eigen::Vector3d& position);

/// The camera position of `axes`: the one placed, else that of the default
/// view (azimuth -37.5, elevation 30), ten plot widths from the data origin in
/// the direction the renderer looks from, so that placing it gives the same view.
Eigen::Vector3d camera_position(const Graphics& graphics, Handle axes);

}  // namespace velmora
