#include "display/setsymbolfill.h"

#include <string>
#include <vector>

namespace velmora {

void setsymbolfill(Graphics& graphics, Handle handle, double isfilled) {
  const auto children = std::get<std::vector<Handle>>(graphics.get(handle, "Children"));
  for (Handle child : children) {
    const auto type = std::get<std::string>(graphics.get(child, "Type"));
    if (type.empty() || type[0] != 'l') continue;
    if (isfilled == 0)
      graphics.set(child, "MarkerFaceColor", std::string("none"));
    else
      graphics.set(child, "MarkerFaceColor", graphics.get(child, "Color"));
  }
}

}  // namespace velmora
