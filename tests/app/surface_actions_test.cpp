// The surface actions on the 3D example, bad surfaces refused by name with the
// study unchanged, and the warp-mesh command.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/batch_runner.h"
#include "app/dispatcher.h"
#include "app/warp_mesh_command.h"
#include "geometry/test_meshes.h"
#include "io/formats/mesh_file.h"
#include "runtime/headless/headless_port.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
const fs::path kExamples = fs::path(VELMORA_SOURCE_DIR) / "examples";

struct Folder {
  fs::path path = fs::temp_directory_path() / ("velmora_surfaces_" + std::to_string(::getpid()));
  Folder() { fs::create_directories(path); }
  ~Folder() { fs::remove_all(path); }
  fs::path write(const std::string& name, const std::string& text) const {
    fs::create_directories((path / name).parent_path());
    std::ofstream(path / name, std::ios::binary) << text;
    return path / name;
  }
};

std::string tps_of(const Eigen::MatrixXd& points, const std::string& id) {
  std::ostringstream s;
  s.precision(17);
  s << "LM=" << points.rows() << "\n";
  for (Eigen::Index i = 0; i < points.rows(); ++i)
    s << points(i, 0) << " " << points(i, 1) << " " << points(i, 2) << "\n";
  s << "ID=" << id << "\n";
  return s.str();
}

TEST(SurfaceActions, ExampleSurfacesAreDrawnAndTheHeatMapWritten) {
  Folder f;
  const fs::path script = f.write("surfaces.txt", "LoadProto " + (kExamples / "skull3d/protocol.txt").string() +
                                                      "\nLoadFile1 " + (kExamples / "skull3d/first.tps").string() +
                                                      "\nLoadFile2 " + (kExamples / "skull3d/second.tps").string() +
                                                      "\nLoadSurfaces " + (kExamples / "skull3d/surface.ply").string() +
                                                      " " + (kExamples / "skull3d/surface-landmarks.tps").string() +
                                                      "\nShowSurface\nShowSurfaceDifference\nSaveSurface heat.ply\n"
                                                      "set SurfaceOverlay Value 1\nShowSurfaceDifference\n"
                                                      "set SurfaceSD Value 3\nShowPCSurfaces\n");
  BatchOptions options;
  options.script = script;
  options.figures = f.path / "figures";
  std::ostringstream out, err;
  ASSERT_EQ(run_batch(options, out, err), 0) << out.str();
  EXPECT_NE(out.str().find("Surface surface.ply: 2562 vertices, 5120 triangles"), std::string::npos) << out.str();
  const Mesh reference = read_mesh_file(kExamples / "skull3d/surface.ply");
  const Mesh heat = read_mesh_file(f.path / "heat.ply");
  EXPECT_EQ(heat.triangles, reference.triangles);
  ASSERT_EQ(heat.colours.rows(), reference.vertices.rows());
  EXPECT_GT((heat.colours.cast<int>().colwise().maxCoeff() - heat.colours.cast<int>().colwise().minCoeff()).maxCoeff(),
            50);  // a heat map, not one colour
  // LoadFile1's plot and the four surface pictures, each as PNG and SVG.
  EXPECT_EQ(std::distance(fs::directory_iterator(f.path / "figures"), fs::directory_iterator()), 10);
}

class BadSurfaces : public ::testing::Test {
 protected:
  void SetUp() override {
    port.set_answers({(kExamples / "skull3d/protocol.txt").string(), (kExamples / "skull3d/first.tps").string()},
                     kExamples);
    ASSERT_EQ(dispatcher.vm3sw("LoadProto"), Outcome::done);
    ASSERT_EQ(dispatcher.vm3sw("LoadFile1"), Outcome::done);
    port.keep_events();
  }
  // The message LoadSurfaces fails with; the study keeps no surface.
  std::string refused(std::vector<std::string> answers) {
    port.set_answers(std::move(answers), folder.path);
    const std::size_t before = port.events().size();
    EXPECT_EQ(dispatcher.vm3sw("LoadSurfaces"), Outcome::failed);
    EXPECT_FALSE(dispatcher.state().surfaces);
    for (std::size_t i = before; i < port.events().size(); ++i)
      if (port.events()[i].kind == "error") return port.events()[i].text("message");
    return "(no error)";
  }
  HeadlessPort port;
  Dispatcher dispatcher{port};
  Folder folder;
};

TEST_F(BadSurfaces, AreRefusedByNameAndChangeNothing) {
  const std::string surface = (kExamples / "skull3d/surface.ply").string();
  const std::string marks = (kExamples / "skull3d/surface-landmarks.tps").string();
  const std::string ascii =
      "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
      "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n";
  folder.write("meshes/nobody.ply", ascii + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
  folder.write("nan.ply", ascii + "0 0 0\nnan 0 0\n0 1 0\n3 0 1 2\n");
  folder.write("range.ply", ascii + "0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n");
  // The landmarks in centimetres where the surface is in millimetres.
  Eigen::MatrixXd other_units = read_mesh_file(surface).vertices.topRows(45);
  std::ifstream in(marks);
  std::string line;
  std::getline(in, line);
  for (Eigen::Index i = 0; i < 45 && std::getline(in, line); ++i) {
    std::istringstream row(line);
    row >> other_units(i, 0) >> other_units(i, 1) >> other_units(i, 2);
    other_units.row(i) /= 10;
  }
  folder.write("other_units.tps", tps_of(other_units, "other_units"));
  folder.write("short.tps", tps_of(other_units.topRows(10), "short"));

  EXPECT_NE(refused({"meshes"}).find("no mesh in meshes is named after a specimen of the study (nobody.ply"),
            std::string::npos);
  EXPECT_EQ(refused({"nan.ply"}), "nan.ply: vertex 2 has a coordinate that is not a number.");
  EXPECT_EQ(refused({"range.ply"}), "range.ply: triangle 1 names vertex 4; the file has 3 vertices.");
  EXPECT_NE(refused({surface, "other_units.tps"}).find("they are not on that surface"), std::string::npos);
  const std::string count = refused({surface, (folder.path / "short.tps").string()});
  EXPECT_TRUE(count.find("short.tps") != std::string::npos) << count;
  EXPECT_NE(refused({"missing.stl"}).find("missing.stl"), std::string::npos);
}

TEST(WarpMeshCommand, WritesTheWarpedMeshAndRefusesBadInput) {
  Folder f;
  const Mesh box = testing::box(1, 2, 3);
  write_mesh_file(f.path / "box.ply", box);
  f.write("from.tps", tps_of(box.vertices, "box"));
  Eigen::MatrixXd to = 2 * box.vertices;
  to.col(2).array() += 5;
  f.write("to.tps", tps_of(to, "bigger"));
  std::ostringstream out, err;
  const auto p = [&](const char* name) { return (f.path / name).string(); };
  ASSERT_EQ(
      run_warp_mesh({p("box.ply"), "--from", p("from.tps"), "--to", p("to.tps"), "--out", p("out.stl")}, out, err), 0)
      << err.str();
  const Mesh warped = read_mesh_file(f.path / "out.stl");
  ASSERT_EQ(warped.vertices.rows(), 8);
  // The STL comes back with its corners in another order: compare the sets of corners.
  for (Eigen::Index i = 0; i < 8; ++i)
    EXPECT_LT(((to.rowwise() - warped.vertices.row(i)).rowwise().norm()).minCoeff(), 1e-5);

  struct Case {
    std::vector<std::string> args;
    int status;
    const char* said;
  };
  const Case cases[] = {
      {{p("box.ply"), "--from", p("from.tps"), "--out", p("x.ply")}, 2, "MESH, --from, --to and --out are needed"},
      {{p("box.ply"), "--from", p("from.tps"), "--to", p("to.tps"), "--out", p("x.vtk")}, 2, "OUT must end in"},
      {{p("none.ply"), "--from", p("from.tps"), "--to", p("to.tps"), "--out", p("x.ply")}, 1, "none.ply"},
      {{p("box.ply"), "--from", p("from.tps"), "--to", p("box.ply"), "--out", p("x.ply")}, 1, "box.ply"},
  };
  for (const Case& c : cases) {
    std::ostringstream o, e;
    EXPECT_EQ(run_warp_mesh(c.args, o, e), c.status) << c.said;
    EXPECT_NE(e.str().find(c.said), std::string::npos) << e.str();
  }
  EXPECT_FALSE(fs::exists(f.path / "x.ply"));
}

}  // namespace
}  // namespace velmora
