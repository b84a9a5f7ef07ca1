#include "display/incrementlinethickness.h"

#include <string>
#include <vector>

namespace velmora {

bool incrementlinethickness(Graphics& graphics, Handle fighandle, double weight) {
  const auto children = std::get<std::vector<Handle>>(graphics.get(fighandle, "Children"));
  std::vector<Handle> styled;
  for (Handle child : children) {
    const auto type = std::get<std::string>(graphics.get(child, "Type"));
    if (type.empty() || type[0] != 'l') continue;
    const auto style = std::get<std::string>(graphics.get(child, "LineStyle"));
    if (!style.empty() && style[0] == 'n') continue;
    if (!(std::get<double>(graphics.get(child, "LineWidth")) + weight >= kThinnestLine)) return false;
    styled.push_back(child);
  }
  for (Handle child : styled) {
    const double w = std::get<double>(graphics.get(child, "LineWidth"));
    graphics.set(child, "LineWidth", w + weight);
  }
  return true;
}

}  // namespace velmora
