#include "display/group_scatter_plot.h"

#include <algorithm>
#include <cmath>

#include "display/sample_style.h"

namespace velmora {
namespace {

// The figure emptied and named, with one flat, held axes labelled for `plot`.
Handle flat_axes(Graphics& g, Handle figure, const GroupScatterPlot& plot, const std::string& ylabel) {
  g.clf(figure);
  g.figure(figure);
  g.set(figure, "Name", plot.name);
  const Handle axes = g.add_axes(figure, {0.11, 0.13, 0.62, 0.77});
  g.modify(axes, [&](GraphicsObject& a) {
    a.flat = true;
    a.hold = true;
    a.xlabel = plot.xlabel;
    a.ylabel = ylabel;
  });
  return axes;
}

}  // namespace

void plot_group_scatter(Graphics& g, Handle figure, const GroupScatterPlot& plot) {
  const Handle axes = flat_axes(g, figure, plot, plot.ylabel);
  const Eigen::Index n = plot.x.size();
  for (std::size_t k = 0; k < plot.group_names.size(); ++k) {
    std::vector<Eigen::Index> rows;
    for (Eigen::Index i = 0; i < n; ++i)
      if (plot.group[i] == static_cast<int>(k)) rows.push_back(i);
    if (rows.empty()) continue;
    const Rgb colour = group_style(k).colour;
    const std::string label = plot.group_names[k] + " (" + std::to_string(rows.size()) + ")";
    Eigen::VectorXd x(rows.size()), y(rows.size());
    std::vector<std::string> names;
    for (std::size_t r = 0; r < rows.size(); ++r) {
      x(r) = plot.x(rows[r]);
      y(r) = plot.y(rows[r]);
      names.push_back(rows[r] < static_cast<Eigen::Index>(plot.names.size()) ? plot.names[rows[r]] : "");
    }
    const Handle points = g.plot3(x, y, Eigen::VectorXd::Zero(x.size()), std::string("k") + group_style(k).marker);
    g.modify(points, [&](GraphicsObject& o) {
      o.names = names;
      o.display_name = label;
      o.marker_size = 6;
      o.color = colour;
      o.marker_face = Rgb{0.55 + 0.45 * colour.r, 0.55 + 0.45 * colour.g, 0.55 + 0.45 * colour.b};
    });
    const double mx = x.mean(), my = y.mean();
    if (plot.lines && x.size() >= 2) {
      const Eigen::VectorXd xc = x.array() - mx;
      const double sxx = xc.squaredNorm();
      if (sxx > 0) {
        const double slope = xc.dot(y.array().matrix() - Eigen::VectorXd::Constant(y.size(), my)) / sxx;
        Eigen::VectorXd lx(2), ly(2);
        lx << x.minCoeff(), x.maxCoeff();
        ly << my + slope * (lx(0) - mx), my + slope * (lx(1) - mx);
        const Handle line = g.plot3(lx, ly, Eigen::VectorXd::Zero(2), "k-");
        g.modify(line, [&](GraphicsObject& o) {
          o.color = colour;
          o.line_width = 1.5;
          o.legend_with = label;
        });
      }
    }
    if (plot.means) {
      Eigen::VectorXd mxv(1), myv(1);
      mxv << mx;
      myv << my;
      const Handle mean = g.plot3(mxv, myv, Eigen::VectorXd::Zero(1), "k+");
      g.modify(mean, [&](GraphicsObject& o) {
        o.color = colour;
        o.marker_size = 16;
        o.line_width = 2.5;
        o.names = {plot.group_names[k] + " mean"};
        o.legend_with = label;
      });
    }
  }
  g.set_current_axes(axes);
  g.title(plot.title);
}

void plot_group_histogram(Graphics& g, Handle figure, const GroupScatterPlot& plot) {
  const Handle axes = flat_axes(g, figure, plot, "count");
  const Eigen::Index n = plot.x.size();
  const int bins = std::max(5, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n)))));
  double low = plot.x.minCoeff(), high = plot.x.maxCoeff();
  if (!(high > low)) low -= 0.5, high += 0.5;
  const double width = (high - low) / bins;
  for (std::size_t k = 0; k < plot.group_names.size(); ++k) {
    std::vector<int> counts(static_cast<std::size_t>(bins), 0);
    int total = 0;
    for (Eigen::Index i = 0; i < n; ++i)
      if (plot.group[i] == static_cast<int>(k)) {
        ++counts[std::clamp(static_cast<int>((plot.x(i) - low) / width), 0, bins - 1)];
        ++total;
      }
    if (total == 0) continue;
    // The outline of the bars: up, across and down at each bin.
    Eigen::VectorXd x(2 * bins + 2), y(2 * bins + 2);
    x(0) = low, y(0) = 0;
    for (int b = 0; b < bins; ++b) {
      x(2 * b + 1) = low + b * width, y(2 * b + 1) = counts[b];
      x(2 * b + 2) = low + (b + 1) * width, y(2 * b + 2) = counts[b];
    }
    x(2 * bins + 1) = high, y(2 * bins + 1) = 0;
    const Rgb colour = group_style(k).colour;
    const Handle h = g.plot3(x, y, Eigen::VectorXd::Zero(x.size()), "k-");
    g.modify(h, [&](GraphicsObject& o) {
      o.color = colour;
      o.line_width = 2.0;
      o.display_name = plot.group_names[k] + " (" + std::to_string(total) + ")";
    });
  }
  g.set_current_axes(axes);
  g.title(plot.title);
}

}  // namespace velmora
