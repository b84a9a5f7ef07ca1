// Placing the camera of the current axes.
#pragma once

#include <Eigen/Dense>

#include "runtime/graphics.h"

namespace velmora {

/// Places the camera of the current axes at `position` (x, y, z); [0 0 10]
/// looks at the axes from above along the z axis.
void campos(Graphics& graphics, const Eigen::Vector3d& position);

}  // namespace velmora
