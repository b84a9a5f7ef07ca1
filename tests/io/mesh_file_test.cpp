// Mesh files: every format written and read back, files from other programs
// (binary PLY of either byte order with normals and colours), and damaged files
// refused with their name.
#include "io/formats/mesh_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <set>

#include "support/error_of.h"
#include "geometry/test_meshes.h"
#include "support/io_test_util.h"

namespace velmora {
namespace {

using testing::error_of;
using testing::TempFolder;

// A triangle as its three corners, rounded to single precision, starting at its
// smallest corner: the same triangle whatever the vertices' numbering.
using Corners = std::array<std::array<float, 3>, 3>;
std::multiset<Corners> triangle_set(const Mesh& m) {
  std::multiset<Corners> out;
  for (Eigen::Index t = 0; t < m.triangles.rows(); ++t) {
    Corners c;
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) c[j][k] = static_cast<float>(m.vertices(m.triangles(t, j), k));
    std::rotate(c.begin(), std::min_element(c.begin(), c.end()), c.end());
    out.insert(c);
  }
  return out;
}

struct RoundTrip {
  const char* file;
  MeshFormat format;
  bool keeps_order;  // PLY keeps the vertex numbering; STL and OBJ keep the triangles' corners
};

class MeshFileRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(MeshFileRoundTrip, IcosphereAndBoxComeBack) {
  const RoundTrip c = GetParam();
  TempFolder folder;
  Mesh sphere = testing::icosphere(2);
  sphere.vertices = sphere.vertices * 37.25;  // not a unit size
  Mesh shifted_box = testing::box(3, 4.5, 12);
  shifted_box.vertices.rowwise() += Eigen::RowVector3d(-100.125, 20, 3.5);
  for (const Mesh& m : {sphere, shifted_box}) {
    const auto path = folder.path() / c.file;
    EXPECT_GT(write_mesh_file(path, m, c.format), 0u);
    const Mesh back = read_mesh_file(path);
    ASSERT_EQ(back.vertices.rows(), m.vertices.rows()) << c.file;
    ASSERT_EQ(back.triangles.rows(), m.triangles.rows()) << c.file;
    if (c.keeps_order) {
      EXPECT_EQ(back.triangles, m.triangles) << c.file;
      EXPECT_LT((back.vertices - m.vertices).cwiseAbs().maxCoeff(), 1e-5 * m.vertices.cwiseAbs().maxCoeff());
    } else {
      EXPECT_EQ(triangle_set(back), triangle_set(m)) << c.file;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, MeshFileRoundTrip,
                         ::testing::Values(RoundTrip{"m.ply", MeshFormat::ply_binary, true},
                                           RoundTrip{"m.ply", MeshFormat::ply_ascii, true},
                                           RoundTrip{"m.stl", MeshFormat::stl_binary, false},
                                           RoundTrip{"m.stl", MeshFormat::stl_ascii, false},
                                           RoundTrip{"m.obj", MeshFormat::obj, false}));

TEST(MeshFile, ColouredPlyKeepsColoursAndUnusedVertices) {
  TempFolder folder;
  Mesh m = testing::box(1, 2, 3);
  m.vertices.conservativeResize(9, 3);
  m.vertices.row(8) << 7, 7, 7;  // used by no triangle
  m.colours.resize(9, 3);
  for (int v = 0; v < 9; ++v) m.colours.row(v) << 255 - 31 * v, 17 * v, v == 3 ? 0 : 128;
  write_mesh_file(folder.path() / "heat.ply", m);
  const Mesh back = read_mesh_file(folder.path() / "heat.ply");
  EXPECT_EQ(back.colours, m.colours);
  EXPECT_EQ(back.triangles, m.triangles);
  EXPECT_EQ(back.vertices.row(8), m.vertices.row(8));
}

// A binary PLY as other programs write it: float positions, normals, uchar
// colours, a quad among the faces, in either byte order.
std::string binary_ply(std::endian order) {
  std::string s = std::string("ply\nformat binary_") + (order == std::endian::little ? "little" : "big") +
                  "_endian 1.0\ncomment from a scanner\nelement vertex 5\nproperty float x\nproperty float y\n"
                  "property float z\nproperty float nx\nproperty float ny\nproperty float nz\nproperty uchar red\n"
                  "property uchar green\nproperty uchar blue\nelement face 2\nproperty list uchar int vertex_indices\n"
                  "end_header\n";
  const auto put = [&](auto value) {
    char bytes[sizeof(value)];
    std::memcpy(bytes, &value, sizeof(value));
    if (order != std::endian::native) std::reverse(bytes, bytes + sizeof(value));
    s.append(bytes, sizeof(value));
  };
  const float xyz[5][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5f, 0.5f, 2}};
  for (int v = 0; v < 5; ++v) {
    for (float x : xyz[v]) put(x);
    for (float n : {0.0f, 0.0f, 1.0f}) put(n);
    for (int k = 0; k < 3; ++k) put(static_cast<std::uint8_t>(40 * v + k));
  }
  put(std::uint8_t{4});
  for (int i : {0, 1, 2, 3}) put(i);
  put(std::uint8_t{3});
  for (int i : {0, 1, 4}) put(i);
  return s;
}

TEST(MeshFile, ReadsBinaryPlyOfEitherByteOrder) {
  TempFolder folder;
  for (std::endian order : {std::endian::little, std::endian::big}) {
    const Mesh m = read_mesh_file(folder.write("scan.ply", binary_ply(order)));
    ASSERT_EQ(m.vertices.rows(), 5);
    ASSERT_EQ(m.triangles.rows(), 3);  // the quad is cut in two
    EXPECT_EQ(m.vertices.row(4), Eigen::RowVector3d(0.5, 0.5, 2));
    // Cutting the quad may start a triangle at another corner; its turn stays.
    Eigen::RowVector3i last = m.triangles.row(2);
    while (last(0) != 0) last = Eigen::RowVector3i(last(1), last(2), last(0));
    EXPECT_EQ(last, Eigen::RowVector3i(0, 1, 4));
    ASSERT_EQ(m.colours.rows(), 5);
    EXPECT_EQ(m.colours(3, 0), 120);
    EXPECT_EQ(m.colours(4, 2), 162);
  }
}

TEST(MeshFile, DamagedFilesAreRefusedByName) {
  const std::string header =
      "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
      "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n";
  struct Case {
    const char* name;
    std::string content;
    const char* message;
  };
  const Case cases[] = {
      {"empty.ply", "", "empty.ply is empty."},
      {"points.ply",
       "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\nend_header\n"
       "0 0 0\n1 0 0\n0 1 0\n",
       "points.ply holds no triangles (3 vertices only): a surface needs triangles between its points."},
      {"nan.ply", header + "0 0 0\n1 nan 0\n0 1 0\n3 0 1 2\n",
       "nan.ply: vertex 2 has a coordinate that is not a number."},
      {"index.ply", header + "0 0 0\n1 0 0\n0 1 0\n3 0 1 7\n",
       "index.ply: triangle 1 names vertex 8; the file has 3 vertices."},
      {"huge.ply",
       "ply\nformat binary_little_endian 1.0\nelement vertex 900000000\nproperty float x\nproperty float y\n"
       "property float z\nelement face 1800000000\nproperty list uchar int vertex_indices\nend_header\n" +
           std::string(100, '\0'),
       "huge.ply is damaged: its header announces 900000000 vertices and 1800000000 faces, more than its 286 bytes "
       "can hold."},
      {"skull.vtk", "# vtk DataFile Version 3.0\n", "skull.vtk is no mesh file this program reads (PLY, STL or OBJ)."},
  };
  TempFolder folder;
  for (const Case& c : cases)
    EXPECT_EQ(error_of([&] { read_mesh_file(folder.write(c.name, c.content)); }), c.message) << c.name;
  // Whatever the library says of a file that is no STL, the message names the file.
  const std::string garbage = error_of([&] { read_mesh_file(folder.write("noise.stl", std::string(10, '\x7f'))); });
  EXPECT_TRUE(garbage.starts_with("Cannot read noise.stl as a mesh: ")) << garbage;
  EXPECT_EQ(error_of([&] { read_mesh_file(folder.path() / "missing.obj"); }),
            "Cannot open missing.obj: there is no such file.");
  EXPECT_EQ(error_of([&] { write_mesh_file(folder.path() / "out.vtk", testing::box(1, 1, 1)); }),
            "Cannot write out.vtk: name a mesh file .ply, .stl or .obj.");
}

}  // namespace
}  // namespace velmora
