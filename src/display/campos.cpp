#include "display/campos.h"

namespace velmora {

void campos(Graphics& graphics, const Eigen::Vector3d& position) {
  graphics.set_camera_position(graphics.gca(), position);
}

}  // namespace velmora
