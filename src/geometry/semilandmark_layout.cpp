#include "geometry/semilandmark_layout.h"

#include <cmath>

#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

bool whole(double v) { return std::isfinite(v) && v == std::floor(v); }

}  // namespace

SemilandmarkLayout semilandmark_layout(const Eigen::MatrixXd& proto, const Eigen::RowVectorXd& rbreak,
                                       Eigen::Index points) {
  const auto value = [&proto](Eigen::Index position) { return proto.reshaped()(position - 1); };
  if (proto.size() < 5)
    throw RuntimeError("No protocol is loaded: load it with LoadProto, then the first sample, before sliding.");
  const double n = value(5);
  if (!whole(n) || n < 0)
    throw RuntimeError(sprintf_m("The protocol gives %g curves; the number of curves must be a whole number.", n));
  const auto count = static_cast<Eigen::Index>(n);
  if (count == 0)
    throw RuntimeError("The protocol has no curves, so there are no semilandmarks to slide. Nothing was changed.");
  if (proto.size() < 5 + 2 * count)
    throw RuntimeError(
        sprintf_m("The protocol names %i curves but holds no type for curve %i.", count, (proto.size() - 5) / 2 + 1));
  if (rbreak.size() < count + 1)
    throw RuntimeError(
        sprintf_m("The curve starts of the first sample cover %i curves, the protocol %i; load the first sample "
                  "again with this protocol.",
                  std::max<Eigen::Index>(rbreak.size() - 1, 0), count));

  SemilandmarkLayout layout;
  layout.points = points;
  const double row_values = 3.0 * static_cast<double>(points);
  double previous_end = 0;
  for (Eigen::Index k = 1; k <= count; ++k) {
    const double start = rbreak(k - 1), end = rbreak(k);
    if (!whole(start) || !whole(end) || start < previous_end || end > row_values || end < start ||
        std::fmod(start, 3) != 0 || std::fmod(end, 3) != 0)
      throw RuntimeError(
          sprintf_m("Curve %i lies at values %g to %g of a specimen row of %g values; load the first sample again "
                    "with this protocol.",
                    k, start + 1, end, row_values));
    previous_end = end;
    CurveSpan curve;
    curve.first = static_cast<Eigen::Index>(start) / 3;
    curve.count = static_cast<Eigen::Index>(end - start) / 3;
    curve.closed = value(5 + 2 * k) == 1;
    // An open curve needs a point between its ends; a closed one three
    // distinct points besides its closing repeat.
    const Eigen::Index fewest = curve.closed ? 4 : 3;
    if (curve.count < fewest)
      throw RuntimeError(sprintf_m("Curve %i has %i points; a%s curve needs at least %i to slide its semilandmarks.", k,
                                   curve.count, std::string(curve.closed ? " closed" : "n open"), fewest));
    layout.curves.push_back(curve);

    const Eigen::Index first = curve.first, last = curve.first + curve.count - 1;
    const int index = static_cast<int>(k - 1);
    if (curve.closed) {
      // The closing repeat (last) stands for the first point; the first
      // point's neighbour behind it is the last distinct point.
      layout.sliding.push_back({first, last - 1, first + 1, last, index});
      for (Eigen::Index i = first + 1; i < last; ++i) layout.sliding.push_back({i, i - 1, i + 1, -1, index});
    } else {
      for (Eigen::Index i = first + 1; i < last; ++i) layout.sliding.push_back({i, i - 1, i + 1, -1, index});
    }
  }
  return layout;
}

std::string point_name(const SemilandmarkLayout& layout, Eigen::Index row) {
  for (std::size_t j = 0; j < layout.curves.size(); ++j) {
    const CurveSpan& c = layout.curves[j];
    if (row >= c.first && row < c.first + c.count)
      return sprintf_m("curve %i, point %i", static_cast<double>(j + 1), row - c.first + 1);
  }
  return sprintf_m("landmark %i", row + 1);
}

}  // namespace velmora
