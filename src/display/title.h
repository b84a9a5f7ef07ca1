// The title over the current axes.
#pragma once

#include <string>

#include "runtime/graphics.h"

namespace velmora {

/// Sets the title of the current axes and returns the title text object.
Handle title(Graphics& graphics, const std::string& text);

}  // namespace velmora
