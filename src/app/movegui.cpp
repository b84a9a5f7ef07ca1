#include "app/movegui.h"

#include <algorithm>

#include "runtime/error.h"

namespace velmora {

WindowRect movegui(const WindowRect& outer, const WindowRect& inner, double screen_width, double screen_height,
                   const MoveguiTarget& target) {
  double width = std::min(outer.width, screen_width);
  double height = std::min(outer.height, screen_height);
  const double right = screen_width - width;  // the largest left edge that keeps the window on the screen
  const double top = screen_height - height;
  double left = outer.left, bottom = outer.bottom;

  if (const auto* pair = std::get_if<std::array<double, 2>>(&target)) {
    left = (*pair)[0] < 0 ? right + (*pair)[0] : (*pair)[0];
    bottom = (*pair)[1] < 0 ? top + (*pair)[1] : (*pair)[1];
  } else {
    const std::string& name = std::get<std::string>(target);
    const double middle_x = right / 2, middle_y = top / 2;
    if (name == "onscreen") {
      left = std::min(std::max(outer.left, 0.0), right);
      bottom = std::min(std::max(outer.bottom, 0.0), top);
    } else if (name == "center") {
      left = middle_x, bottom = middle_y;
    } else if (name == "north") {
      left = middle_x, bottom = top;
    } else if (name == "south") {
      left = middle_x, bottom = 0;
    } else if (name == "east") {
      left = right, bottom = middle_y;
    } else if (name == "west") {
      left = 0, bottom = middle_y;
    } else if (name == "northeast") {
      left = right, bottom = top;
    } else if (name == "northwest") {
      left = 0, bottom = top;
    } else if (name == "southeast") {
      left = right, bottom = 0;
    } else if (name == "southwest") {
      left = 0, bottom = 0;
    } else {
      throw RuntimeError("unrecognized position");
    }
  }
  // A window that reports no frame gets room for one.
  if (inner.width > outer.width && inner.height > outer.height) {
    width += 6;
    height += 24;
  }
  return {left, bottom, width, height};
}

}  // namespace velmora
