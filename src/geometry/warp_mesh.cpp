#include "geometry/warp_mesh.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
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
    throw RuntimeError("Warping a surface needs two 3D configurations of as many landmarks; got " + std::to_string(p) +
                       " landmarks of " + std::to_string(from.cols()) + " coordinates and " +
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

  const Eigen::RowVector3d shift = c.row(q);
  const Eigen::Matrix3d linear = c.middleRows(q + 1, 3);

  Mesh out;
  out.triangles = mesh.triangles;
  out.colours = mesh.colours;
  const Eigen::Index n = mesh.vertices.rows();
  out.vertices.resize(n, 3);
  // Blocks of vertices, the landmarks in the outer loop: the inner loop runs
  // over vertices stored one after another (the columns of `vertices`), each
  // summing its landmarks in their order, so it vectorises.
  constexpr Eigen::Index kBlock = 256;
  const double* x = mesh.vertices.col(0).data();
  const double* y = mesh.vertices.col(1).data();
  const double* z = mesh.vertices.col(2).data();
  tbb::parallel_for(tbb::blocked_range<Eigen::Index>(0, (n + kBlock - 1) / kBlock),
                    [&](const tbb::blocked_range<Eigen::Index>& blocks) {
                      double fx[kBlock], fy[kBlock], fz[kBlock];
                      for (Eigen::Index b = blocks.begin(); b != blocks.end(); ++b) {
                        const Eigen::Index first = b * kBlock, count = std::min(kBlock, n - first);
                        std::fill(fx, fx + count, 0.0);
                        std::fill(fy, fy + count, 0.0);
                        std::fill(fz, fz + count, 0.0);
                        for (Eigen::Index k = 0; k < q; ++k) {
                          const double cx = source(k, 0), cy = source(k, 1), cz = source(k, 2);
                          const double wx = c(k, 0), wy = c(k, 1), wz = c(k, 2);
                          for (Eigen::Index v = 0; v < count; ++v) {
                            const double dx = x[first + v] - cx, dy = y[first + v] - cy, dz = z[first + v] - cz;
                            const double u = std::sqrt(dx * dx + dy * dy + dz * dz);
                            fx[v] += u * wx;
                            fy[v] += u * wy;
                            fz[v] += u * wz;
                          }
                        }
                        for (Eigen::Index v = 0; v < count; ++v) {
                          const Eigen::RowVector3d p(x[first + v], y[first + v], z[first + v]);
                          const Eigen::RowVector3d affine = shift + p * linear;
                          out.vertices(first + v, 0) = affine(0) + fx[v];
                          out.vertices(first + v, 1) = affine(1) + fy[v];
                          out.vertices(first + v, 2) = affine(2) + fz[v];
                        }
                      }
                    });
  return out;
}

}  // namespace velmora
