// Small surfaces for tests: an icosphere and a box, built here, not read.
#pragma once

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "geometry/mesh.h"

namespace velmora::testing {

/// The unit sphere as an icosahedron whose triangles are cut in four
/// `levels` times, the new vertices pushed out onto the sphere.
inline Mesh icosphere(int levels) {
  const double t = (1 + std::sqrt(5.0)) / 2;
  std::vector<Eigen::RowVector3d> v{{-1, t, 0},  {1, t, 0},  {-1, -t, 0}, {1, -t, 0}, {0, -1, t},  {0, 1, t},
                                    {0, -1, -t}, {0, 1, -t}, {t, 0, -1},  {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
  for (auto& p : v) p.normalize();
  std::vector<std::array<int, 3>> f{{0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
                                    {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
                                    {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
  for (int level = 0; level < levels; ++level) {
    std::map<std::pair<int, int>, int> middle;
    const auto mid = [&](int a, int b) {
      const auto key = std::minmax(a, b);
      const auto it = middle.find(key);
      if (it != middle.end()) return it->second;
      v.push_back((v[a] + v[b]).normalized());
      return middle[key] = static_cast<int>(v.size()) - 1;
    };
    std::vector<std::array<int, 3>> finer;
    for (const auto& [a, b, c] : f) {
      const int ab = mid(a, b), bc = mid(b, c), ca = mid(c, a);
      finer.insert(finer.end(), {{a, ab, ca}, {b, bc, ab}, {c, ca, bc}, {ab, bc, ca}});
    }
    f = std::move(finer);
  }
  Mesh m;
  m.vertices.resize(static_cast<Eigen::Index>(v.size()), 3);
  for (std::size_t i = 0; i < v.size(); ++i) m.vertices.row(static_cast<Eigen::Index>(i)) = v[i];
  m.triangles.resize(static_cast<Eigen::Index>(f.size()), 3);
  for (std::size_t i = 0; i < f.size(); ++i) m.triangles.row(static_cast<Eigen::Index>(i)) << f[i][0], f[i][1], f[i][2];
  return m;
}

/// The box [0, a] x [0, b] x [0, c]: 8 corners, 12 triangles facing out.
inline Mesh box(double a, double b, double c) {
  Mesh m;
  m.vertices.resize(8, 3);
  for (int i = 0; i < 8; ++i) m.vertices.row(i) << (i & 1 ? a : 0), (i & 2 ? b : 0), (i & 4 ? c : 0);
  m.triangles.resize(12, 3);
  m.triangles << 0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4, 2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3,
      7, 5;
  return m;
}

}  // namespace velmora::testing
