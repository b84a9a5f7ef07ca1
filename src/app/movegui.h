// Moving a window on the screen: fully onto it, or to a named edge, corner or point.
#pragma once

#include <array>
#include <string>
#include <variant>

namespace velmora {

/// A window rectangle in pixels: left, bottom, width, height (origin at the
/// bottom left of the screen).
struct WindowRect {
  double left = 0, bottom = 0, width = 0, height = 0;
  bool operator==(const WindowRect&) const = default;
};

/// Where to move: "onscreen", "center", "north", "south", "east", "west",
/// "northeast", "northwest", "southeast", "southwest", or a [left bottom] pair
/// (a negative value counts from the right or top edge).
using MoveguiTarget = std::variant<std::string, std::array<double, 2>>;

/// The new outer position of a window whose outer and inner positions are
/// given, on a screen of screen_width by screen_height pixels. A window larger
/// than the screen is shrunk to it. Throws RuntimeError "unrecognized position"
/// for another name.
WindowRect movegui(const WindowRect& outer, const WindowRect& inner, double screen_width, double screen_height,
                   const MoveguiTarget& target = std::string("onscreen"));

}  // namespace velmora
