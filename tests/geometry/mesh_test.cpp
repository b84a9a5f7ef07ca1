// Surfaces: their checks, their distance from points and their thin-plate warp.
#include <gtest/gtest.h>

#include <random>

#include "support/error_of.h"
#include "geometry/distance_to_mesh.h"
#include "geometry/test_meshes.h"
#include "geometry/warp_mesh.h"

namespace velmora {
namespace {

using testing::box;
using testing::error_of;
using testing::icosphere;

TEST(CheckMesh, RefusesWhatCannotBeASurfaceByName) {
  const Mesh good = box(1, 2, 3);
  struct Case {
    const char* what;
    Mesh mesh;
    const char* message;
  };
  Mesh no_triangles = good, nan = good, out_of_range = good, negative = good, colours = good;
  no_triangles.triangles.resize(0, 3);
  nan.vertices(5, 1) = std::nan("");
  out_of_range.triangles(3, 2) = 8;
  negative.triangles(0, 0) = -1;
  colours.colours.resize(3, 3);
  const Case cases[] = {
      {"no triangles", no_triangles,
       "skull.ply holds no triangles (8 vertices only): a surface needs triangles between its points."},
      {"NaN", nan, "skull.ply: vertex 6 has a coordinate that is not a number."},
      {"index past the end", out_of_range, "skull.ply: triangle 4 names vertex 9; the file has 8 vertices."},
      {"negative index", negative, "skull.ply: triangle 1 names vertex 0; the file has 8 vertices."},
      {"colours", colours, "skull.ply has 3 colours for 8 vertices."},
  };
  for (const Case& c : cases) EXPECT_EQ(error_of([&] { check_mesh(c.mesh, "skull.ply"); }), c.message) << c.what;
  EXPECT_EQ(error_of([&] { check_mesh(good, "skull.ply"); }), "(no error)");
}

TEST(DistanceToMesh, MeasuresToFacesEdgesAndCorners) {
  const Mesh b = box(2, 2, 2);
  Eigen::MatrixXd p(5, 3);
  Eigen::VectorXd expected(5);
  p << 1, 1, 5, /**/ 3, 3, 1, /**/ 3, 3, 3, /**/ 1, 1, 1.5, /**/ 1, 0, 1;
  expected << 3, std::sqrt(2.0), std::sqrt(3.0), 0.5, 0;  // face, edge, corner, inside, on a face
  EXPECT_LT((distance_to_mesh(b, p) - expected).cwiseAbs().maxCoeff(), 1e-12);
}

// Landmarks spread through space around the unit sphere (not in one plane).
Eigen::MatrixXd landmarks_of(const Mesh& sphere, std::initializer_list<int> rows) {
  Eigen::MatrixXd x(static_cast<Eigen::Index>(rows.size()), 3);
  Eigen::Index i = 0;
  for (int r : rows) x.row(i++) = sphere.vertices.row(r);
  return x;
}

TEST(WarpMesh, CarriesLandmarksOntoTargetsAndKeepsTriangles) {
  const Mesh sphere = icosphere(3);
  const std::initializer_list<int> rows{0, 3, 5, 8, 10, 40, 100, 200, 300, 500};
  const Eigen::MatrixXd from = landmarks_of(sphere, rows);
  std::mt19937_64 rng(7);
  std::normal_distribution<double> normal(0, 0.1);
  Eigen::MatrixXd to = from;
  for (Eigen::Index k = 0; k < to.size(); ++k) to(k) += normal(rng);

  const Mesh warped = warp_mesh(sphere, from, to);
  ASSERT_EQ(warped.vertices.rows(), sphere.vertices.rows());
  EXPECT_EQ(warped.triangles, sphere.triangles);
  Eigen::Index i = 0;
  for (int r : rows) EXPECT_LT((warped.vertices.row(r) - to.row(i++)).norm(), 1e-10) << "vertex " << r;
  EXPECT_GT((warped.vertices - sphere.vertices).rowwise().norm().maxCoeff(), 0.01);

  const Mesh same = warp_mesh(sphere, from, from);
  EXPECT_LT((same.vertices - sphere.vertices).cwiseAbs().maxCoeff(), 1e-10);
}

TEST(WarpMesh, PlaneUnderAnAffineChangeOfItsLandmarksStaysAPlane) {
  // A flat sheet of triangles in z = 0.3, landmarks on the corners of a box around it.
  Mesh sheet;
  const int side = 20;
  sheet.vertices.resize(side * side, 3);
  for (int i = 0; i < side; ++i)
    for (int j = 0; j < side; ++j) sheet.vertices.row(i * side + j) << i / 10.0, j / 10.0 - 0.5, 0.3;
  sheet.triangles.resize(2 * (side - 1) * (side - 1), 3);
  int t = 0;
  for (int i = 0; i + 1 < side; ++i)
    for (int j = 0; j + 1 < side; ++j) {
      const int a = i * side + j;
      sheet.triangles.row(t++) << a, a + side, a + 1;
      sheet.triangles.row(t++) << a + 1, a + side, a + side + 1;
    }
  const Eigen::MatrixXd from = box(2, 1.5, 1).vertices;
  Eigen::Matrix3d a;
  a << 1.2, 0.3, -0.1, 0.2, 0.8, 0.4, -0.3, 0.1, 1.1;
  const Eigen::RowVector3d shift(0.5, -2, 3);
  const Mesh warped = warp_mesh(sheet, from, (from * a).rowwise() + shift);
  const Eigen::MatrixXd expected = (sheet.vertices * a).rowwise() + shift;
  EXPECT_LT((warped.vertices - expected).cwiseAbs().maxCoeff(), 1e-9);
  // Flat: the smallest spread of the warped sheet's vertices about their mean vanishes.
  const Eigen::MatrixXd centred = warped.vertices.rowwise() - warped.vertices.colwise().mean();
  const Eigen::Vector3d spread = Eigen::JacobiSVD<Eigen::MatrixXd>(centred).singularValues();
  EXPECT_LT(spread(2), 1e-9 * spread(0));
}

TEST(WarpMesh, RefusesMismatchedOrFlatLandmarks) {
  const Mesh b = box(1, 1, 1);
  EXPECT_EQ(error_of([&] { warp_mesh(b, b.vertices, b.vertices.topRows(7)); }),
            "Warping a surface needs two 3D configurations of as many landmarks; got 8 landmarks of 3 coordinates "
            "and 7 of 3.");
  // Landmarks on one spot count once when they move together, and are refused when they move apart.
  Eigen::MatrixXd twice(9, 3), moved(9, 3);
  twice << b.vertices, b.vertices.row(2);
  moved = 1.5 * twice;
  EXPECT_LT((warp_mesh(b, twice, moved).vertices - 1.5 * b.vertices).cwiseAbs().maxCoeff(), 1e-12);
  moved(8, 0) += 0.1;
  EXPECT_EQ(error_of([&] { warp_mesh(b, twice, moved); }),
            "Landmarks 3 and 9 lie on one spot of the surface but their targets lie apart, so no thin-plate spline "
            "carries the surface onto them.");
  Eigen::MatrixXd flat = b.vertices.topRows(4);
  EXPECT_EQ(error_of([&] { warp_mesh(b, flat, flat); }),
            "The landmarks lie in one plane, so no thin-plate spline passes through them.");
}

}  // namespace
}  // namespace velmora
