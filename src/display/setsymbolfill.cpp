#include "display/setsymbolfill.h"

#include <string>
#include <vector>

namespace velmora {

void setsymbolfill(Graphics& graphics, Handle handle, double isfilled) {
  const auto children = std::get<std::vector<Handle>>(graphics.get(handle, "Children"));
  for (Handle child : children) {
    if (graphics.object(child).type != ObjectType::line) continue;
    if (isfilled == 0)
      graphics.set(child, "MarkerFaceColor", std::string("none"));
    else
      graphics.set(child, "MarkerFaceColor", graphics.get(child, "Color"));
  }
}

}  // namespace velmora
