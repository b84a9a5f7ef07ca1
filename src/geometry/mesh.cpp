#include "geometry/mesh.h"

#include <string>

#include "runtime/error.h"

namespace velmora {

void check_mesh(const Mesh& mesh, std::string_view source) {
  const std::string name(source);
  const Eigen::Index n = mesh.vertices.rows();
  if (n == 0 || mesh.vertices.cols() != 3) throw RuntimeError(name + " holds no vertices.");
  if (mesh.triangles.rows() == 0)
    throw RuntimeError(name + " holds no triangles (" + std::to_string(n) +
                       " vertices only): a surface needs triangles between its points.");
  for (Eigen::Index v = 0; v < n; ++v)
    if (!mesh.vertices.row(v).allFinite())
      throw RuntimeError(name + ": vertex " + std::to_string(v + 1) + " has a coordinate that is not a number.");
  for (Eigen::Index t = 0; t < mesh.triangles.rows(); ++t) {
    const auto row = mesh.triangles.row(t);
    for (int k = 0; k < 3; ++k)
      if (row(k) < 0 || row(k) >= n)
        throw RuntimeError(name + ": triangle " + std::to_string(t + 1) + " names vertex " +
                           std::to_string(static_cast<long long>(row(k)) + 1) + "; the file has " + std::to_string(n) +
                           " vertices.");
  }
  if (mesh.colours.rows() != 0 && mesh.colours.rows() != n)
    throw RuntimeError(name + " has " + std::to_string(mesh.colours.rows()) + " colours for " + std::to_string(n) +
                       " vertices.");
}

double mesh_centroid_size(const Mesh& mesh) {
  if (mesh.vertices.rows() == 0) return 0;
  return (mesh.vertices.rowwise() - mesh.vertices.colwise().mean()).norm();
}

}  // namespace velmora
