// Clearing the current window.
#pragma once

#include "runtime/graphics.h"

namespace velmora {

/// Deletes every object of the current window (its axes with their lines and
/// labels); the window stays open. Returns the window's handle.
Handle clf(Graphics& graphics);

}  // namespace velmora
