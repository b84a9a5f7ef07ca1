#include "geometry/distance_to_mesh.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace velmora {
namespace {

using Vec = Eigen::Vector3d;

// The squared distance from p to the triangle abc, by the region of the
// triangle's plane that p projects into (vertex, edge or face).
double squared_distance(const Vec& p, const Vec& a, const Vec& b, const Vec& c) {
  const Vec ab = b - a, ac = c - a, ap = p - a;
  const double d1 = ab.dot(ap), d2 = ac.dot(ap);
  if (d1 <= 0 && d2 <= 0) return ap.squaredNorm();
  const Vec bp = p - b;
  const double d3 = ab.dot(bp), d4 = ac.dot(bp);
  if (d3 >= 0 && d4 <= d3) return bp.squaredNorm();
  const double vc = d1 * d4 - d3 * d2;
  if (vc <= 0 && d1 >= 0 && d3 <= 0) return (ap - ab * (d1 / (d1 - d3))).squaredNorm();
  const Vec cp = p - c;
  const double d5 = ab.dot(cp), d6 = ac.dot(cp);
  if (d6 >= 0 && d5 <= d6) return cp.squaredNorm();
  const double vb = d5 * d2 - d1 * d6;
  if (vb <= 0 && d2 >= 0 && d6 <= 0) return (ap - ac * (d2 / (d2 - d6))).squaredNorm();
  const double va = d3 * d6 - d5 * d4;
  if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0)
    return (bp - (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)))).squaredNorm();
  const double denominator = va + vb + vc;
  if (!(denominator > 0)) return std::min({ap.squaredNorm(), bp.squaredNorm(), cp.squaredNorm()});  // degenerate
  return (ap - ab * (vb / denominator) - ac * (vc / denominator)).squaredNorm();
}

}  // namespace

Eigen::VectorXd distance_to_mesh(const Mesh& mesh, const Eigen::MatrixXd& points) {
  const Eigen::Index m = mesh.triangles.rows();
  Eigen::MatrixXd low(m, 3), high(m, 3);
  for (Eigen::Index t = 0; t < m; ++t) {
    low.row(t) = mesh.vertices.row(mesh.triangles(t, 0))
                     .cwiseMin(mesh.vertices.row(mesh.triangles(t, 1)))
                     .cwiseMin(mesh.vertices.row(mesh.triangles(t, 2)));
    high.row(t) = mesh.vertices.row(mesh.triangles(t, 0))
                      .cwiseMax(mesh.vertices.row(mesh.triangles(t, 1)))
                      .cwiseMax(mesh.vertices.row(mesh.triangles(t, 2)));
  }
  Eigen::VectorXd out(points.rows());
  tbb::parallel_for(Eigen::Index{0}, points.rows(), [&](Eigen::Index q) {
    const Vec p = points.row(q).transpose();
    double best = std::numeric_limits<double>::infinity();
    for (Eigen::Index t = 0; t < m; ++t) {
      double box = 0;
      for (int j = 0; j < 3; ++j) {
        const double d = std::max({low(t, j) - p(j), 0.0, p(j) - high(t, j)});
        box += d * d;
      }
      if (box >= best) continue;
      best = std::min(best, squared_distance(p, mesh.vertices.row(mesh.triangles(t, 0)).transpose(),
                                             mesh.vertices.row(mesh.triangles(t, 1)).transpose(),
                                             mesh.vertices.row(mesh.triangles(t, 2)).transpose()));
    }
    out(q) = std::sqrt(best);
  });
  return out;
}

}  // namespace velmora
