#include "display/campos.h"

#include "runtime/render_layout.h"

namespace velmora {

void campos(Graphics& graphics, const Eigen::Vector3d& position) {
  graphics.set_camera_position(graphics.gca(), position);
}

Eigen::Vector3d camera_position(const Graphics& graphics, Handle axes) {
  if (const auto& placed = graphics.object(axes).camera_position) return *placed;
  const AxesLayout layout = layout_axes(graphics, graphics.object(axes).parent, 560, 420);
  return 10 * layout.toward.cwiseQuotient(layout.scale);
}

}  // namespace velmora
