#include "display/difference_plot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "display/sample_style.h"
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

double default_exaggeration(const Eigen::MatrixXd& from, const Eigen::VectorXd& lengths) {
  const double longest = lengths.size() > 0 ? lengths.maxCoeff() : 0;
  if (!(longest > 0) || from.rows() == 0 || !std::isfinite(longest)) return 1;
  const double size = (from.colwise().maxCoeff() - from.colwise().minCoeff()).maxCoeff();
  if (!(size > 0) || !std::isfinite(size)) return 1;
  const double raw = 0.1 * size / longest;
  // Two significant digits: a factor read from the title is the factor drawn.
  const double unit = std::pow(10.0, std::floor(std::log10(raw)) - 1);
  return std::max(unit, std::round(raw / unit) * unit);
}

double exaggeration_for(double chosen, const Eigen::MatrixXd& from, const Eigen::VectorXd& lengths) {
  return chosen == 0 ? default_exaggeration(from, lengths) : chosen;
}

std::string difference_title(double factor) { return "Mean difference \u00d7" + sprintf_m("%g", factor); }

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
  g.set(figure, "Name", difference_title(plot.factor));
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
  // Every element named in the legend; mean 1 in the first sample's colour,
  // mean 2 in the second's, as in every other picture.
  const std::string times = plot.factor == 1 ? std::string() : " (\u00d7" + sprintf_m("%g", plot.factor) + ")";
  for (const Eigen::MatrixXd& lines : plot.grid) {
    const Handle h = draw(g, lines, "-");
    g.modify(h, [&](GraphicsObject& o) {
      o.color = Rgb{0.78, 0.78, 0.80};
      o.display_name = "deformation grid" + times;
    });
  }
  const SampleStyle& first = sample_style(1);
  const SampleStyle& second = sample_style(2);
  if (!wires.empty()) {
    const Handle before = draw(g, segments(plot.from, wires), "-");
    g.modify(before, [&](GraphicsObject& o) {
      o.color = first.colour;
      o.line_width = 1;
      o.display_name = "wireframe of mean 1";
    });
    const Handle after = draw(g, segments(plot.to, wires), "-");
    g.modify(after, [&](GraphicsObject& o) {
      o.color = second.colour;
      o.line_width = 1;
      o.line_style = "--";
      o.display_name = "wireframe of mean 2" + times;
    });
  }
  const Handle dots = draw(g, plot.from, (std::string(1, first.letter) + ".").c_str());
  g.modify(dots, [&](GraphicsObject& o) {
    o.color = first.colour;
    o.marker_size = 9;
    o.display_name = "landmarks of mean 1";
  });
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
    o.display_name = "to mean 2" + times + ", by length";
  });
  if (!plot.flat) g.axis(axes, "equal");
  g.title(plot.factor == 1 ? std::string("Mean 1 to mean 2") : sprintf_m("Mean 1 to mean 2, change x %g", plot.factor));
}

}  // namespace velmora
