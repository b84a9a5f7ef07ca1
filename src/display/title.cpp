#include "display/title.h"

namespace velmora {

Handle title(Graphics& graphics, const std::string& text) { return graphics.title(text); }

}  // namespace velmora
