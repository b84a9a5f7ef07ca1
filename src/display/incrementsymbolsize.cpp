#include "display/incrementsymbolsize.h"

#include <algorithm>
#include <string>
#include <vector>

namespace velmora {

bool incrementsymbolsize(Graphics& graphics, Handle handle, double increment) {
  const auto children = std::get<std::vector<Handle>>(graphics.get(handle, "Children"));
  bool lines = false, changed = false;
  for (Handle child : children) {
    if (graphics.object(child).type != ObjectType::line) continue;
    lines = true;
    const double s = std::get<double>(graphics.get(child, "MarkerSize"));
    const double next = std::max(s + increment, std::min(s, kSmallestMarker));
    if (next == s) continue;
    graphics.set(child, "MarkerSize", next);
    changed = true;
  }
  return changed || !lines;
}

}  // namespace velmora
