#include "display/incrementlinethickness.h"

#include <algorithm>
#include <string>
#include <vector>

namespace velmora {

bool incrementlinethickness(Graphics& graphics, Handle fighandle, double weight) {
  const auto children = std::get<std::vector<Handle>>(graphics.get(fighandle, "Children"));
  bool styled = false, changed = false;
  for (Handle child : children) {
    if (graphics.object(child).type != ObjectType::line) continue;
    const std::string& style = graphics.object(child).line_style;
    if (!style.empty() && style[0] == 'n') continue;
    styled = true;
    const double w = std::get<double>(graphics.get(child, "LineWidth"));
    const double next = std::max(w + weight, std::min(w, kThinnestLine));
    if (next == w) continue;
    graphics.set(child, "LineWidth", next);
    changed = true;
  }
  return changed || !styled;
}

}  // namespace velmora
