#include "display/clf.h"

namespace velmora {

Handle clf(Graphics& graphics) {
  const Handle figure = graphics.gcf();
  graphics.clf(figure);
  return figure;
}

}  // namespace velmora
