// Drawing a wireframe: straight segments between pairs of landmarks.
#pragma once

#include <Eigen/Dense>
#include <string_view>

#include "runtime/console.h"
#include "runtime/graphics.h"

namespace velmora {

/// Draws one segment per row of `wirelist` (mw by at least 3; columns 2 and 3
/// hold the landmark numbers, counted from 1, of the segment's ends; column 1
/// and any later column are not read) on the configuration `x` (p by 3), each
/// as its own line object in the current axes with the line spec `color`.
/// Echoes the rows m and the columns n of `x` first. Neither hold nor the axes
/// are changed: the segments add to the plot `showshape3D` has just drawn.
/// A row naming a landmark that does not exist, or a number that is not whole,
/// throws RuntimeError naming the row; the segments of the rows before it stay
/// drawn.
void wireshape3D(Graphics& graphics, Console& console, const Eigen::MatrixXd& x, const Eigen::MatrixXd& wirelist,
                 std::string_view color = "b-");

}  // namespace velmora
