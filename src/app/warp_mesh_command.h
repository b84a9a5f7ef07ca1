// velmora3d warp-mesh: a surface carried by the thin-plate spline from one
// landmark configuration to another.
#pragma once

#include <Eigen/Dense>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace velmora {

/// The one configuration (p by 3) a landmark file holds, in any format the
/// landmark readers take. Throws RuntimeError naming the file when it holds no
/// or several specimens, 2D points, or missing landmarks.
Eigen::MatrixXd read_one_configuration(const std::filesystem::path& path);

/// `velmora3d warp-mesh MESH --from LANDMARKS --to LANDMARKS --out OUT`: reads
/// the mesh and the two configurations, warps the mesh (warp_mesh) and writes
/// it to OUT (.ply, .stl or .obj) with its triangles and vertex order. One
/// summary line to `out`, messages to `err`. Returns 0 on success, 1 when a
/// file cannot be read, warped or written, 2 for a usage error.
int run_warp_mesh(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace velmora
