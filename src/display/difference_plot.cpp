#include "display/difference_plot.h"

#include <cmath>
#include <limits>

#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

constexpr double kGap = std::numeric_limits<double>::quiet_NaN();

// Segments between the rows a and b of `x` named by `pairs`, one polyline with NaN gaps.
Eigen::MatrixXd segments(const Eigen::MatrixXd& x, const std::vector<std::pair<Eigen::Index, Eigen::Index>>& pairs) {
  Eigen::MatrixXd out(3 * pairs.size(), 3);
  for (std::size_t k = 0; k < pairs.size(); ++k) {
    out.row(3 * k) = x.row(pairs[k].first);
    out.row(3 * k + 1) = x.row(pairs[k].second);
    out.row(3 * k + 2).setConstant(kGap);
  }
  return out;
}

Handle draw(Graphics& g, const Eigen::MatrixXd& xyz, const char* spec) {
  const Eigen::Index n = xyz.rows();
  return g.plot3(xyz.col(0), xyz.col(1), xyz.cols() > 2 ? Eigen::VectorXd(xyz.col(2)) : Eigen::VectorXd::Zero(n), spec);
}

}  // namespace

void plot_difference(Graphics& g, Handle figure, const DifferencePlot& plot) {
  const Eigen::Index p = plot.from.rows();
  std::vector<std::pair<Eigen::Index, Eigen::Index>> wires;
  for (Eigen::Index r = 0; r < plot.wirelist.rows(); ++r) {
    if (plot.wirelist.cols() < 3)
      throw RuntimeError("The wireframe table needs 3 columns (k a b); it has " + std::to_string(plot.wirelist.cols()) +
                         ".");
    const double a = plot.wirelist(r, 1), b = plot.wirelist(r, 2);
    if (!(a >= 1 && a <= p && b >= 1 && b <= p && a == std::floor(a) && b == std::floor(b)))
      throw RuntimeError(sprintf_m("Row %i of the wireframe joins landmarks %g and %g; mean 1 has %i.",
                                   static_cast<double>(r + 1), a, b, static_cast<double>(p)));
    wires.emplace_back(static_cast<Eigen::Index>(a) - 1, static_cast<Eigen::Index>(b) - 1);
  }

  g.clf(figure);
  g.figure(figure);
  const Handle axes = g.axes_of(figure);
  const double longest = plot.lengths.size() > 0 ? plot.lengths.maxCoeff() : 0;
  g.modify(axes, [&](GraphicsObject& a) {
    a.hold = true;
    a.axis_equal = true;
    a.flat = plot.flat;
    if (plot.flat) {
      a.xlabel = "x";
      a.ylabel = "y";
    }
    a.colour_limits = std::array<double, 2>{0, longest > 0 ? longest : 1};
    a.colour_label = "displacement";
  });
  for (const Eigen::MatrixXd& lines : plot.grid) {
    const Handle h = draw(g, lines, "-");
    g.modify(h, [](GraphicsObject& o) { o.color = Rgb{0.78, 0.78, 0.80}; });
  }
  if (!wires.empty()) {
    const Handle before = draw(g, segments(plot.from, wires), "-");
    g.modify(before, [](GraphicsObject& o) {
      o.color = Rgb{0.55, 0.55, 0.55};
      o.line_width = 1;
      o.display_name = "mean 1";
    });
    const Handle after = draw(g, segments(plot.to, wires), "k-");
    g.modify(after, [&](GraphicsObject& o) {
      o.line_width = 1;
      o.display_name = plot.factor == 1 ? std::string("mean 2") : sprintf_m("mean 2 (x %g)", plot.factor);
    });
  }
  const Handle dots = draw(g, plot.from, "k.");
  g.set(dots, "MarkerSize", 9.0);
  // One arrow per landmark: from, to, gap; the colour of each by its length.
  Eigen::MatrixXd arrows(3 * p, 3);
  Eigen::VectorXd values(3 * p);
  for (Eigen::Index i = 0; i < p; ++i) {
    arrows.row(3 * i) = plot.from.row(i);
    arrows.row(3 * i + 1) = plot.to.row(i);
    arrows.row(3 * i + 2).setConstant(kGap);
    values.segment(3 * i, 3).setConstant(plot.lengths(i));
  }
  const Handle vectors = draw(g, arrows, "-");
  g.modify(vectors, [&](GraphicsObject& o) {
    o.colour_values = values;
    o.arrows = true;
    o.line_width = 1.5;
  });
  if (!plot.flat) g.axis(axes, "equal");
  g.title(plot.factor == 1 ? std::string("Mean 1 to mean 2") : sprintf_m("Mean 1 to mean 2, change x %g", plot.factor));
}

}  // namespace velmora
