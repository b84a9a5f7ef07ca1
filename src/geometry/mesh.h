// A triangulated surface: vertices, the triangles between them, and colours.
#pragma once

#include <Eigen/Dense>
#include <cstdint>
#include <string_view>

namespace velmora {

/// Triangles as rows of three vertex rows, counted from 0.
using MeshTriangles = Eigen::Matrix<int, Eigen::Dynamic, 3, Eigen::RowMajor>;
/// Colours as rows of red, green and blue, 0 to 255.
using MeshColours = Eigen::Matrix<std::uint8_t, Eigen::Dynamic, 3, Eigen::RowMajor>;

struct Mesh {
  Eigen::MatrixXd vertices;  // n by 3, one row per vertex
  MeshTriangles triangles;   // m by 3; holes and unreferenced vertices are allowed
  MeshColours colours;       // n by 3, one row per vertex, or empty
};

/// Throws RuntimeError naming `source` when `mesh` cannot be drawn or warped:
/// no vertices, no triangles, a vertex with a coordinate that is not a finite
/// number, a triangle naming a vertex that does not exist, or colours not one row per vertex. Numbers in messages count
/// from 1.
void check_mesh(const Mesh& mesh, std::string_view source);

/// The centroid size of the mesh's vertices: the square root of the summed
/// squared distances of the vertices from their mean.
double mesh_centroid_size(const Mesh& mesh);

}  // namespace velmora
