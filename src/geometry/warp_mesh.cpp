#include "geometry/warp_mesh.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <cmath>
#include <string>
#include <vector>

#include "geometry/tps_system.h"
#include "runtime/error.h"

namespace velmora {
namespace {

// Landmarks this share of the configuration's extent apart lie on one spot;
// targets this share apart move together.
constexpr double kCoincident = 1e-9;
constexpr double kTogether = 1e-6;

}  // namespace

Mesh warp_mesh(const Mesh& mesh, const Eigen::MatrixXd& from, const Eigen::MatrixXd& to) {
  const Eigen::Index p = from.rows();
  if (from.cols() != 3 || to.cols() != 3 || to.rows() != p)
    throw RuntimeError("Warping a surface needs two 3D configurations of as many landmarks; got " +
                       std::to_string(p) + " landmarks of " + std::to_string(from.cols()) + " coordinates and " +
                       std::to_string(to.rows()) + " of " + std::to_string(to.cols()) + ".");
  if (!to.allFinite()) throw RuntimeError("Warping a surface needs finite target coordinates.");
  // Landmarks placed on one spot (a curve starting on a landmark) count once
  // when their targets (nearly) agree; their targets' mean is the target.
  const double extent = (from.colwise().maxCoeff() - from.colwise().minCoeff()).norm();
  const double target_extent = (to.colwise().maxCoeff() - to.colwise().minCoeff()).norm();
  std::vector<Eigen::Index> kept;
  std::vector<int> twins;
  Eigen::MatrixXd sum = to;
  for (Eigen::Index i = 0; i < p; ++i) {
    bool twin = false;
    for (std::size_t k = 0; k < kept.size() && !twin; ++k) {
      const Eigen::Index j = kept[k];
      if ((from.row(i) - from.row(j)).norm() > kCoincident * extent) continue;
      if ((to.row(i) - to.row(j)).norm() > kTogether * target_extent)
        throw RuntimeError("Landmarks " + std::to_string(j + 1) + " and " + std::to_string(i + 1) +
                           " lie on one spot of the surface but their targets lie apart, so no thin-plate spline "
                           "carries the surface onto them.");
      sum.row(j) += to.row(i);
      ++twins[k];
      twin = true;
    }
    if (!twin) {
      kept.push_back(i);
      twins.push_back(1);
    }
  }
  const Eigen::Index q = static_cast<Eigen::Index>(kept.size());
  Eigen::MatrixXd source(q, 3), right = Eigen::MatrixXd::Zero(q + 4, 3);
  for (Eigen::Index k = 0; k < q; ++k) {
    source.row(k) = from.row(kept[k]);
    right.row(k) = sum.row(kept[k]) / twins[k];
  }
  // [w; a; A'] with f(x) = a + x A' + sum_i w_i |x - source_i|.
  const Eigen::MatrixXd c = tps_system(source).partialPivLu().solve(right);

  // Flat copies the inner loop reads in order: landmarks and their weights.
  std::vector<double> centres(static_cast<std::size_t>(3 * q)), weights(static_cast<std::size_t>(3 * q));
  for (Eigen::Index i = 0; i < q; ++i)
    for (int j = 0; j < 3; ++j) {
      centres[static_cast<std::size_t>(3 * i + j)] = source(i, j);
      weights[static_cast<std::size_t>(3 * i + j)] = c(i, j);
    }
  const Eigen::RowVector3d shift = c.row(q);
  const Eigen::Matrix3d linear = c.middleRows(q + 1, 3);

  Mesh out;
  out.triangles = mesh.triangles;
  out.colours = mesh.colours;
  out.vertices.resize(mesh.vertices.rows(), 3);
  tbb::parallel_for(tbb::blocked_range<Eigen::Index>(0, mesh.vertices.rows(), 4096),
                    [&](const tbb::blocked_range<Eigen::Index>& range) {
                      for (Eigen::Index v = range.begin(); v != range.end(); ++v) {
                        const double x = mesh.vertices(v, 0), y = mesh.vertices(v, 1), z = mesh.vertices(v, 2);
                        double fx = 0, fy = 0, fz = 0;
                        for (std::size_t k = 0; k < centres.size(); k += 3) {
                          const double dx = x - centres[k], dy = y - centres[k + 1], dz = z - centres[k + 2];
                          const double u = std::sqrt(dx * dx + dy * dy + dz * dz);
                          fx += u * weights[k];
                          fy += u * weights[k + 1];
                          fz += u * weights[k + 2];
                        }
                        const Eigen::RowVector3d affine = shift + Eigen::RowVector3d(x, y, z) * linear;
                        out.vertices(v, 0) = affine(0) + fx;
                        out.vertices(v, 1) = affine(1) + fy;
                        out.vertices(v, 2) = affine(2) + fz;
                      }
                    });
  return out;
}

}  // namespace velmora
