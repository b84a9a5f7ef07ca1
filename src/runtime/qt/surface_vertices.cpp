#include "runtime/qt/surface_vertices.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "runtime/render_marks.h"

namespace velmora {
namespace {

unsigned char byte(double v) { return static_cast<unsigned char>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); }

}  // namespace

CoarseSurface coarse_surface(const SurfaceShape& s, const std::vector<SurfaceVertex>& full, double triangles) {
  const Eigen::Index n = s.vertices.rows(), m = s.triangles.rows();
  double area = 0;
  for (Eigen::Index t = 0; t < m; ++t) {
    const Eigen::RowVector3d ab = s.vertices.row(s.triangles(t, 1)) - s.vertices.row(s.triangles(t, 0)),
                             ac = s.vertices.row(s.triangles(t, 2)) - s.vertices.row(s.triangles(t, 0));
    area += ab.cross(ac).norm() / 2;
  }
  const Eigen::RowVector3d low = s.vertices.colwise().minCoeff(), high = s.vertices.colwise().maxCoeff();
  // Cells numbered by 21 bits on each axis.
  const double cell = std::max(std::sqrt(2 * area / triangles), (high - low).maxCoeff() / 2e6);
  if (!(cell > 0)) return {};
  struct Sum {
    double position[3] = {0, 0, 0}, normal[3] = {0, 0, 0}, colour[4] = {0, 0, 0, 0};
    int count = 0;
  };
  std::vector<Sum> sums;
  std::unordered_map<std::uint64_t, std::uint32_t> group_of_cell;
  group_of_cell.reserve(static_cast<std::size_t>(triangles));
  std::vector<std::uint32_t> group(static_cast<std::size_t>(n));
  for (Eigen::Index v = 0; v < n; ++v) {
    std::uint64_t key = 0;
    for (int k = 0; k < 3; ++k) key = key << 21 | static_cast<std::uint64_t>((s.vertices(v, k) - low(k)) / cell);
    const auto [at, added] = group_of_cell.try_emplace(key, static_cast<std::uint32_t>(sums.size()));
    if (added) sums.emplace_back();
    group[static_cast<std::size_t>(v)] = at->second;
    Sum& sum = sums[at->second];
    const SurfaceVertex& x = full[static_cast<std::size_t>(v)];
    for (int k = 0; k < 3; ++k) {
      sum.position[k] += x.position[k];
      sum.normal[k] += x.normal[k];
    }
    for (int k = 0; k < 4; ++k) sum.colour[k] += x.colour[k];
    ++sum.count;
  }
  CoarseSurface out;
  out.vertices.resize(sums.size());
  for (std::size_t g = 0; g < sums.size(); ++g) {
    const Sum& sum = sums[g];
    const double length =
        std::sqrt(sum.normal[0] * sum.normal[0] + sum.normal[1] * sum.normal[1] + sum.normal[2] * sum.normal[2]);
    for (int k = 0; k < 3; ++k) {
      out.vertices[g].position[k] = static_cast<float>(sum.position[k] / sum.count);
      out.vertices[g].normal[k] = static_cast<float>(length > 0 ? sum.normal[k] / length : 0);
    }
    for (int k = 0; k < 4; ++k)
      out.vertices[g].colour[k] = static_cast<unsigned char>(std::lround(sum.colour[k] / sum.count));
  }
  for (Eigen::Index t = 0; t < m; ++t) {
    const std::uint32_t a = group[static_cast<std::size_t>(s.triangles(t, 0))],
                        b = group[static_cast<std::size_t>(s.triangles(t, 1))],
                        c = group[static_cast<std::size_t>(s.triangles(t, 2))];
    if (a != b && b != c && a != c) out.indices.insert(out.indices.end(), {a, b, c});
  }
  return out;
}

std::string surface_paint(const GraphicsObject& o, const GraphicsObject& axes) {
  const bool keyed = axes.colour_limits && o.shape->values.size() == o.shape->vertices.rows();
  char text[160];
  std::snprintf(text, sizeof text, "%.17g %.17g %.17g %d %.17g %.17g", o.color.r, o.color.g, o.color.b, keyed ? 1 : 0,
                keyed ? (*axes.colour_limits)[0] : 0.0, keyed ? (*axes.colour_limits)[1] : 0.0);
  return text;
}

std::vector<SurfaceVertex> surface_vertices(const GraphicsObject& o, const GraphicsObject& axes) {
  const SurfaceShape& s = *o.shape;
  const Eigen::Index n = s.vertices.rows(), m = s.triangles.rows();
  // Vertex normals in data units: the triangles' normals around each vertex,
  // weighted by their areas (the cross product's length).
  Eigen::Matrix<double, Eigen::Dynamic, 3, Eigen::RowMajor> normal =
      Eigen::Matrix<double, Eigen::Dynamic, 3, Eigen::RowMajor>::Zero(n, 3);
  for (Eigen::Index t = 0; t < m; ++t) {
    const int a = s.triangles(t, 0), b = s.triangles(t, 1), c = s.triangles(t, 2);
    const Eigen::RowVector3d ab = s.vertices.row(b) - s.vertices.row(a), ac = s.vertices.row(c) - s.vertices.row(a);
    const Eigen::RowVector3d f = ab.cross(ac);
    normal.row(a) += f;
    normal.row(b) += f;
    normal.row(c) += f;
  }
  const bool keyed = axes.colour_limits && s.values.size() == n;
  std::vector<SurfaceVertex> out(static_cast<std::size_t>(n));
  for (Eigen::Index v = 0; v < n; ++v) {
    SurfaceVertex& x = out[static_cast<std::size_t>(v)];
    const double len = normal.row(v).norm();
    for (int k = 0; k < 3; ++k) {
      x.position[k] = static_cast<float>(s.vertices(v, k));
      x.normal[k] = static_cast<float>(len > 0 ? normal(v, k) / len : 0);
    }
    const Rgb c = keyed ? colour_for_value(s.values(v), (*axes.colour_limits)[0], (*axes.colour_limits)[1]) : o.color;
    x.colour[0] = byte(c.r);
    x.colour[1] = byte(c.g);
    x.colour[2] = byte(c.b);
    x.colour[3] = 255;
  }
  return out;
}

}  // namespace velmora
