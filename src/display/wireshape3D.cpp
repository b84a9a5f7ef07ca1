#include "display/wireshape3D.h"

#include <cmath>
#include <string>

#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

// The landmark number in `wirelist(row, column)` as a row index of `x`, or a
// RuntimeError that names the wireframe row (counted from 1).
Eigen::Index landmark(const Eigen::MatrixXd& wirelist, Eigen::Index row, Eigen::Index column, Eigen::Index points) {
  const double number = wirelist(row, column);
  if (!(std::isfinite(number) && number == std::floor(number)))
    throw RuntimeError(sprintf_m("Wireframe row %i names landmark %g; a landmark number must be a whole number.",
                                 static_cast<double>(row + 1), number));
  if (!(number >= 1 && number <= points)) {
    throw RuntimeError(
        sprintf_m("Wireframe row %i names landmark %g, but the configuration has landmarks 1 to %i only.",
                  static_cast<double>(row + 1), number, static_cast<double>(points)));
  }
  return static_cast<Eigen::Index>(number) - 1;
}

}  // namespace

void wireshape3D(Graphics& graphics, Console& console, const Eigen::MatrixXd& x, const Eigen::MatrixXd& wirelist,
                 std::string_view color) {
  const Eigen::Index m = x.rows();
  const Eigen::Index n = x.cols();
  console.echo("m", static_cast<double>(m));
  console.echo("n", static_cast<double>(n));
  const Eigen::Index mw = wirelist.rows();
  if (mw > 0 && wirelist.cols() < 3) {
    throw RuntimeError(sprintf_m(
        "Wireframe row 1 cannot be drawn: the wireframe table has %i column(s); columns 2 and 3 must hold the "
        "landmark numbers.",
        static_cast<double>(wirelist.cols())));
  }
  if (mw > 0 && n < 3) {
    throw RuntimeError(sprintf_m("The wireframe cannot be drawn: the configuration has %i column(s), not 3 (x y z).",
                                 static_cast<double>(n)));
  }
  for (Eigen::Index i = 0; i < mw; ++i) {
    const Eigen::Index a = landmark(wirelist, i, 1, m);
    const Eigen::Index b = landmark(wirelist, i, 2, m);
    graphics.plot3(Eigen::Vector2d(x(a, 0), x(b, 0)), Eigen::Vector2d(x(a, 1), x(b, 1)),
                   Eigen::Vector2d(x(a, 2), x(b, 2)), color);
  }
}

}  // namespace velmora
