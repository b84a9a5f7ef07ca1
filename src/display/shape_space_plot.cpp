#include "display/shape_space_plot.h"

#include <algorithm>
#include <cmath>

#include "display/sample_style.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

constexpr double kChiSquare95TwoDf = 5.991464547107979;

std::string percent(double proportion) { return sprintf_m("%.1f %%", 100 * proportion); }

// The specimens of one group or sample (those for which `member` holds):
// their scores on the two components shown, and their names.
struct Members {
  Eigen::MatrixXd xy;
  std::vector<std::string> names;
};

template <typename Member>
Members members(const ShapeSpacePlot& plot, Eigen::Index cx, Eigen::Index cy, Member member) {
  std::vector<Eigen::Index> rows;
  for (Eigen::Index i = 0; i < plot.scores.rows(); ++i)
    if (member(i)) rows.push_back(i);
  Members out{Eigen::MatrixXd(static_cast<Eigen::Index>(rows.size()), 2), {}};
  for (std::size_t r = 0; r < rows.size(); ++r) {
    out.xy(static_cast<Eigen::Index>(r), 0) = plot.scores(rows[r], cx);
    out.xy(static_cast<Eigen::Index>(r), 1) = plot.scores(rows[r], cy);
    out.names.push_back(rows[r] < static_cast<Eigen::Index>(plot.names.size()) ? plot.names[rows[r]] : "");
  }
  return out;
}

void draw_groups(Graphics& g, const ShapeSpacePlot& plot, Eigen::Index cx, Eigen::Index cy) {
  for (std::size_t k = 0; k < plot.group_names.size(); ++k) {
    const auto [xy, names] = members(plot, cx, cy, [&](Eigen::Index i) { return plot.group[i] == static_cast<int>(k); });
    if (xy.rows() == 0) continue;
    const Rgb colour = group_style(k).colour;
    if (xy.rows() >= 3) {
      const Eigen::MatrixXd e = plot.hulls ? convex_hull(xy) : data_ellipse(xy);
      const Handle h = g.plot3(e.col(0), e.col(1), Eigen::VectorXd::Zero(e.rows()), "k-");
      g.modify(h, [&](GraphicsObject& o) {
        o.color = colour;
        o.line_width = 1.0;
        o.legend_with = plot.group_names[k] + " (" + std::to_string(xy.rows()) + ")";
      });
    }
    const Handle points =
        g.plot3(xy.col(0), xy.col(1), Eigen::VectorXd::Zero(xy.rows()), std::string("k") + group_style(k).marker);
    g.modify(points, [&](GraphicsObject& o) {
      o.names = names;
      o.display_name = plot.group_names[k] + " (" + std::to_string(xy.rows()) + ")";
      o.marker_size = 6;
      o.color = colour;
      o.marker_face = Rgb{0.55 + 0.45 * colour.r, 0.55 + 0.45 * colour.g, 0.55 + 0.45 * colour.b};
    });
  }
}

}  // namespace

Eigen::MatrixXd convex_hull(const Eigen::MatrixXd& xy) {
  std::vector<Eigen::Vector2d> p;
  for (Eigen::Index i = 0; i < xy.rows(); ++i) p.emplace_back(xy(i, 0), xy(i, 1));
  std::sort(p.begin(), p.end(),
            [](const auto& a, const auto& b) { return a.y() < b.y() || (a.y() == b.y() && a.x() < b.x()); });
  p.erase(std::unique(p.begin(), p.end()), p.end());
  // Graham's scan: the points by angle about the lowest one, keeping only left
  // turns.
  const Eigen::Vector2d o = p.front();
  auto cross = [](const Eigen::Vector2d& a, const Eigen::Vector2d& b, const Eigen::Vector2d& c) {
    return (b.x() - a.x()) * (c.y() - a.y()) - (b.y() - a.y()) * (c.x() - a.x());
  };
  std::sort(p.begin() + 1, p.end(), [&](const auto& a, const auto& b) {
    const double c = cross(o, a, b);
    return c > 0 || (c == 0 && (a - o).squaredNorm() < (b - o).squaredNorm());
  });
  std::vector<Eigen::Vector2d> hull;
  for (const auto& q : p) {
    while (hull.size() >= 2 && cross(hull[hull.size() - 2], hull.back(), q) <= 0) hull.pop_back();
    hull.push_back(q);
  }
  Eigen::MatrixXd out(hull.size() + 1, 2);
  for (std::size_t i = 0; i <= hull.size(); ++i) out.row(i) = hull[i % hull.size()].transpose();
  return out;
}

Eigen::MatrixXd data_ellipse(const Eigen::MatrixXd& xy, int steps) {
  const Eigen::RowVector2d centre = xy.colwise().mean();
  const Eigen::MatrixXd centred = xy.rowwise() - centre;
  const Eigen::Matrix2d covariance = centred.transpose() * centred / static_cast<double>(xy.rows() - 1);
  // The ellipse is the circle of radius sqrt(chi-square) through the symmetric
  // square root of the covariance.
  const Eigen::SelfAdjointEigenSolver<Eigen::Matrix2d> eig(covariance);
  const Eigen::Matrix2d root =
      eig.eigenvectors() * eig.eigenvalues().cwiseMax(0.0).cwiseSqrt().asDiagonal() * eig.eigenvectors().transpose();
  Eigen::MatrixXd out(steps + 1, 2);
  const double radius = std::sqrt(kChiSquare95TwoDf), pi = std::acos(-1.0);
  for (int i = 0; i <= steps; ++i) {
    const double a = 2 * pi * (i % steps) / steps;
    out.row(i) = centre + radius * (root * Eigen::Vector2d(std::cos(a), std::sin(a))).transpose();
  }
  return out;
}

void plot_shape_space(Graphics& g, Handle figure, const ShapeSpacePlot& plot) {
  const Eigen::Index k = plot.scores.cols();
  if (plot.x_component < 1 || plot.y_component < 1 || plot.x_component > k || plot.y_component > k)
    throw RuntimeError("The shape space plot has components 1 to " + std::to_string(k) + ".");
  g.clf(figure);
  g.figure(figure);
  g.set(figure, "Name", std::string("Shape space"));

  const Handle scatter = g.add_axes(figure, {0.10, 0.13, 0.54, 0.77});
  const Eigen::Index cx = plot.x_component - 1, cy = plot.y_component - 1;
  g.modify(scatter, [&](GraphicsObject& a) {
    a.flat = true;
    a.hold = true;
    a.axis_equal = true;
    a.xlabel = "PC" + std::to_string(plot.x_component) + " (" + percent(plot.proportions(cx)) + ")";
    a.ylabel = "PC" + std::to_string(plot.y_component) + " (" + percent(plot.proportions(cy)) + ")";
  });
  // The zero lines through the pooled mean shape, across the points.
  const Eigen::VectorXd sx = plot.scores.col(cx), sy = plot.scores.col(cy);
  Eigen::VectorXd zx(5), zy(5);
  zx << sx.minCoeff(), sx.maxCoeff(), NAN, 0, 0;
  zy << 0, 0, NAN, sy.minCoeff(), sy.maxCoeff();
  const Handle zero = g.plot3(zx, zy, Eigen::VectorXd::Zero(5), ":");
  g.modify(zero, [](GraphicsObject& o) { o.color = Rgb{0.55, 0.55, 0.55}; });
  if (!plot.group.empty()) draw_groups(g, plot, cx, cy);
  for (int sample = 1; sample <= 2; ++sample) {
    if (!plot.group.empty()) break;  // drawn by their groups
    const SampleStyle& style = sample_style(sample);
    const auto [xy, names] = members(plot, cx, cy, [&](Eigen::Index i) { return plot.sample(i) == sample; });
    if (xy.rows() == 0) continue;
    if (xy.rows() >= 3) {
      const Eigen::MatrixXd e = data_ellipse(xy);
      const Handle h = g.plot3(e.col(0), e.col(1), Eigen::VectorXd::Zero(e.rows()), std::string{style.letter, '-'});
      g.modify(h, [&](GraphicsObject& o) {
        o.line_width = 1.0;
        o.legend_with = "sample " + std::to_string(sample) + " (" + std::to_string(xy.rows()) + ")";
      });
    }
    const Handle points = g.plot3(xy.col(0), xy.col(1), Eigen::VectorXd::Zero(xy.rows()), style.specimens);
    g.modify(points, [&](GraphicsObject& o) {
      o.names = names;
      o.display_name = "sample " + std::to_string(sample) + " (" + std::to_string(xy.rows()) + ")";
      o.marker_size = 6;
      o.marker_face = style.face;
    });
  }
  g.set_current_axes(scatter);
  g.title("Shape space: PC" + std::to_string(plot.x_component) + " against PC" + std::to_string(plot.y_component));

  // The scree plot: one bar per component, its percentage of the variance.
  const Handle scree = g.add_axes(figure, {0.75, 0.13, 0.22, 0.77});
  const Eigen::Index bars = std::min<Eigen::Index>(10, plot.proportions.size());
  std::vector<double> ticks;
  Eigen::VectorXd x(6 * bars), y(6 * bars);
  for (Eigen::Index j = 0; j < bars; ++j) {
    const double c = static_cast<double>(j + 1), h = 100 * plot.proportions(j);
    x.segment(6 * j, 6) << c - 0.38, c + 0.38, c + 0.38, c - 0.38, c - 0.38, NAN;
    y.segment(6 * j, 6) << 0, 0, h, h, 0, NAN;
    ticks.push_back(c);
  }
  g.modify(scree, [&](GraphicsObject& a) {
    a.flat = true;
    a.hold = true;
    a.xlabel = "component";
    a.ylabel = "% of variance";
    a.xticks = ticks;
  });
  const Handle bar = g.plot3(x, y, Eigen::VectorXd::Zero(x.size()), "k-");
  g.modify(bar, [](GraphicsObject& o) { o.fill = Rgb{0.55, 0.62, 0.75}; });
  g.title("Scree");
  g.set_current_axes(scatter);
}

}  // namespace velmora
