#include "app/warp_mesh_command.h"

#include <optional>

#include "geometry/warp_mesh.h"
#include "io/formats/landmark_file.h"
#include "io/formats/mesh_file.h"
#include "runtime/error.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

const char* const kUsage =
    "usage: velmora3d warp-mesh MESH --from LANDMARKS --to LANDMARKS --out OUT\n"
    "Warps the surface MESH (PLY, STL or OBJ) by the thin-plate spline that carries the landmarks of\n"
    "--from (placed on MESH) onto those of --to, and writes it to OUT (.ply, .stl or .obj) with the\n"
    "same triangles and vertex order. Each landmark file holds one configuration, in any format the\n"
    "program reads (TPS, markups .fcsv and .mrk.json, IDAV .pts, ...).\n";

struct Usage {
  std::string message;
};

}  // namespace

Eigen::MatrixXd read_one_configuration(const fs::path& path) {
  const std::string name = path.filename().string();
  const LandmarkFile f = read_landmark_file(path, std::nullopt);
  const auto& specimens = f.specimens.specimens;
  if (specimens.size() != 1)
    throw RuntimeError(name + " holds " + std::to_string(specimens.size()) +
                       " configurations; a warp takes a file of one.");
  if (f.specimens.dims != 3) throw RuntimeError(name + " holds 2D points; a surface is warped by 3D landmarks.");
  const Eigen::MatrixXd& points = specimens.front().points;
  for (Eigen::Index i = 0; i < points.rows(); ++i)
    if (!points.row(i).allFinite())
      throw RuntimeError(name + ": landmark " + std::to_string(i + 1) + " is missing; a warp needs every landmark.");
  return points;
}

int run_warp_mesh(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::optional<std::string> mesh_path, from_path, to_path, out_path;
  try {
    for (std::size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      const auto value = [&]() -> std::string {
        if (i + 1 >= args.size()) throw Usage{a + " needs a file."};
        return args[++i];
      };
      if (a == "--help" || a == "-h") {
        out << kUsage;
        return 0;
      } else if (a == "--from") {
        from_path = value();
      } else if (a == "--to") {
        to_path = value();
      } else if (a == "--out") {
        out_path = value();
      } else if (a.starts_with("--")) {
        throw Usage{"unknown option " + a + "."};
      } else if (mesh_path) {
        throw Usage{"one mesh at a time; " + a + " is a second."};
      } else {
        mesh_path = a;
      }
    }
    if (!mesh_path || !from_path || !to_path || !out_path) throw Usage{"MESH, --from, --to and --out are needed."};
    if (!mesh_format_from_extension(*out_path)) throw Usage{"OUT must end in .ply, .stl or .obj."};
  } catch (const Usage& u) {
    err << "velmora3d warp-mesh: " << u.message << "\n" << kUsage;
    return 2;
  }
  try {
    const Mesh mesh = read_mesh_file(*mesh_path);
    const Eigen::MatrixXd from = read_one_configuration(*from_path), to = read_one_configuration(*to_path);
    if (from.rows() != to.rows())
      throw RuntimeError(fs::path(*from_path).filename().string() + " has " + std::to_string(from.rows()) +
                         " landmarks and " + fs::path(*to_path).filename().string() + " " + std::to_string(to.rows()) +
                         "; a warp needs as many in both.");
    const Mesh warped = warp_mesh(mesh, from, to);
    write_mesh_file(*out_path, warped, std::nullopt,
                    [&](const std::string& note) { err << "velmora3d warp-mesh: " << note << "\n"; });
    out << "warp-mesh: " << warped.vertices.rows() << " vertices and " << warped.triangles.rows()
        << " triangles warped by " << from.rows() << " landmarks, written to " << *out_path << "\n";
  } catch (const RuntimeError& e) {
    err << "velmora3d warp-mesh: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace velmora
