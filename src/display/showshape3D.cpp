#include "display/showshape3D.h"

#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {

void showshape3D(Graphics& graphics, const Sample& x, std::string_view dsymbol) {
  if (x.empty()) throw RuntimeError("There is nothing to draw: the configuration is empty.");
  if (x.count() == 0)
    throw RuntimeError(sprintf_m("There is nothing to draw: the configuration has %i column(s), not 3 (x y z).",
                                 static_cast<double>(x.values().cols())));
  auto draw = [&](Eigen::Index i) {
    const auto c = x.specimen(i);
    graphics.plot3(c.col(0), c.col(1), c.col(2), dsymbol);
  };
  // Axes hidden by the user stay hidden, even when the first drawing replaces
  // what unheld axes showed.
  const bool hidden = !graphics.object(graphics.gca()).axis_on;
  draw(0);
  const Handle axes = graphics.gca();
  graphics.hold(axes, true);
  graphics.axis(axes, "auto");
  graphics.axis(axes, "equal");
  if (hidden) graphics.axis(axes, "off");
  for (Eigen::Index i = 1; i < x.count(); ++i) draw(i);
}

}  // namespace velmora
