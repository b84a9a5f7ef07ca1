#include "display/incrementsymbolsize.h"

#include <string>
#include <vector>

namespace velmora {

bool incrementsymbolsize(Graphics& graphics, Handle handle, double increment) {
  const auto children = std::get<std::vector<Handle>>(graphics.get(handle, "Children"));
  std::vector<Handle> lines;
  for (Handle child : children) {
    const auto type = std::get<std::string>(graphics.get(child, "Type"));
    if (type.empty() || type[0] != 'l') continue;
    if (!(std::get<double>(graphics.get(child, "MarkerSize")) + increment >= kSmallestMarker)) return false;
    lines.push_back(child);
  }
  for (Handle child : lines) {
    const double s = std::get<double>(graphics.get(child, "MarkerSize"));
    graphics.set(child, "MarkerSize", s + increment);
  }
  return true;
}

}  // namespace velmora
