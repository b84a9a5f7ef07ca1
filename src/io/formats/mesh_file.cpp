#include "io/formats/mesh_file.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <array>
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <cctype>
#include <cmath>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "runtime/available_memory.h"
#include "runtime/error.h"
#include "runtime/file_write.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

std::string lower_extension(const fs::path& path) {
  std::string e = path.extension().string();
  std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return e;
}

// What a PLY header announces: enough to tell, before anything is allocated,
// whether the file can hold what it promises and how much memory it will take.
struct PlyHeader {
  bool binary = false;
  long long vertices = 0, faces = 0;
  double least_body_bytes = 0;  // the smallest body that holds the announced elements
  std::size_t header_bytes = 0;
};

std::size_t ply_type_size(const std::string& type) {
  static const std::array<std::pair<const char*, std::size_t>, 16> sizes{{{"char", 1},
                                                                          {"uchar", 1},
                                                                          {"int8", 1},
                                                                          {"uint8", 1},
                                                                          {"short", 2},
                                                                          {"ushort", 2},
                                                                          {"int16", 2},
                                                                          {"uint16", 2},
                                                                          {"int", 4},
                                                                          {"uint", 4},
                                                                          {"int32", 4},
                                                                          {"uint32", 4},
                                                                          {"float", 4},
                                                                          {"float32", 4},
                                                                          {"double", 8},
                                                                          {"float64", 8}}};
  for (const auto& [name, size] : sizes)
    if (type == name) return size;
  return 0;
}

// Reads the header's element and property lines (not the data). Nothing when
// the header does not end within its first 64 KB: then the library judges it.
std::optional<PlyHeader> ply_header(const fs::path& path, const std::string& name) {
  std::ifstream in(path, std::ios::binary);
  std::string head(65536, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  const std::size_t end = head.find("end_header");
  if (end == std::string::npos) return std::nullopt;
  const std::size_t line_end = head.find('\n', end);
  PlyHeader h;
  h.header_bytes = line_end == std::string::npos ? head.size() : line_end + 1;
  std::istringstream lines(head.substr(0, end));
  std::string line;
  long long count = 0;
  double element_bytes = 0;  // least bytes of one element of the current kind
  const auto close_element = [&] { h.least_body_bytes += static_cast<double>(count) * element_bytes; };
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word == "format") {
      words >> word;
      h.binary = word.starts_with("binary");
    } else if (word == "element") {
      close_element();
      std::string kind;
      words >> kind >> count;
      if (!words || count < 0) throw RuntimeError(name + " is damaged: its header has an unreadable element line.");
      if (kind == "vertex") h.vertices = count;
      if (kind == "face") h.faces = count;
      element_bytes = 0;
    } else if (word == "property") {
      std::string type;
      words >> type;
      if (type == "list") {
        std::string count_type, item_type;
        words >> count_type >> item_type;
        element_bytes += h.binary ? static_cast<double>(ply_type_size(count_type)) : 2;
      } else {
        element_bytes += h.binary ? static_cast<double>(ply_type_size(type)) : 2;
      }
    }
  }
  close_element();
  return h;
}

// Memory the library and this module take for a file: its bytes, the
// library's own vertices and faces, and the mesh that comes back.
double estimated_memory(std::uintmax_t file_bytes, const std::optional<PlyHeader>& ply) {
  if (ply) return static_cast<double>(file_bytes) + 120.0 * ply->vertices + 160.0 * ply->faces;
  return 8.0 * static_cast<double>(file_bytes);
}

struct PositionHash {
  std::size_t operator()(const std::array<float, 3>& p) const {
    std::size_t h = 0;
    for (float x : p) h = h * 1000003u ^ std::hash<float>{}(x);
    return h;
  }
};

Mesh mesh_from_scene(const aiScene& scene, bool join_positions, const std::string& name) {
  std::size_t vertex_count = 0, face_count = 0;
  bool colours = true;
  for (unsigned k = 0; k < scene.mNumMeshes; ++k) {
    vertex_count += scene.mMeshes[k]->mNumVertices;
    face_count += scene.mMeshes[k]->mNumFaces;
    colours = colours && scene.mMeshes[k]->HasVertexColors(0);
  }
  if (vertex_count > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    throw RuntimeError(name + " holds " + std::to_string(vertex_count) +
                       " vertices, more than this program can index.");
  Mesh mesh;
  mesh.vertices.resize(static_cast<Eigen::Index>(vertex_count), 3);
  if (colours) mesh.colours.resize(static_cast<Eigen::Index>(vertex_count), 3);
  std::vector<int> triangles;
  triangles.reserve(3 * face_count);
  Eigen::Index offset = 0;
  for (unsigned k = 0; k < scene.mNumMeshes; ++k) {
    const aiMesh& m = *scene.mMeshes[k];
    for (unsigned v = 0; v < m.mNumVertices; ++v) {
      mesh.vertices.row(offset + v) << m.mVertices[v].x, m.mVertices[v].y, m.mVertices[v].z;
      if (colours) {
        const aiColor4D& c = m.mColors[0][v];
        for (int j = 0; j < 3; ++j)
          mesh.colours(offset + v, j) = static_cast<std::uint8_t>(std::lround(std::clamp(c[j], 0.0f, 1.0f) * 255));
      }
    }
    for (unsigned f = 0; f < m.mNumFaces; ++f) {
      const aiFace& face = m.mFaces[f];
      if (face.mNumIndices != 3) continue;  // points and lines are no surface
      for (unsigned j = 0; j < 3; ++j) triangles.push_back(static_cast<int>(offset + face.mIndices[j]));
    }
    offset += m.mNumVertices;
  }
  mesh.triangles =
      Eigen::Map<const MeshTriangles>(triangles.data(), static_cast<Eigen::Index>(triangles.size() / 3), 3);

  if (join_positions && mesh.triangles.rows() > 0) {
    // Vertices at one position become one, numbered as the triangles first use them.
    std::unordered_map<std::array<float, 3>, int, PositionHash> seen;
    seen.reserve(vertex_count);
    std::vector<int> kept;
    for (Eigen::Index t = 0; t < mesh.triangles.rows(); ++t)
      for (int j = 0; j < 3; ++j) {
        int& index = mesh.triangles(t, j);
        const auto row = mesh.vertices.row(index);
        const std::array<float, 3> key{static_cast<float>(row(0)), static_cast<float>(row(1)),
                                       static_cast<float>(row(2))};
        const auto [it, added] = seen.try_emplace(key, static_cast<int>(kept.size()));
        if (added) kept.push_back(index);
        index = it->second;
      }
    Mesh joined;
    joined.vertices.resize(static_cast<Eigen::Index>(kept.size()), 3);
    if (colours) joined.colours.resize(static_cast<Eigen::Index>(kept.size()), 3);
    for (std::size_t v = 0; v < kept.size(); ++v) {
      joined.vertices.row(static_cast<Eigen::Index>(v)) = mesh.vertices.row(kept[v]);
      if (colours) joined.colours.row(static_cast<Eigen::Index>(v)) = mesh.colours.row(kept[v]);
    }
    joined.triangles = std::move(mesh.triangles);
    mesh = std::move(joined);
  }
  return mesh;
}

// The scene the exporter takes: one mesh, one plain material, one node.
std::unique_ptr<aiScene> scene_of(const Mesh& mesh) {
  auto scene = std::make_unique<aiScene>();
  scene->mRootNode = new aiNode();
  scene->mRootNode->mNumMeshes = 1;
  scene->mRootNode->mMeshes = new unsigned[1]{0};
  scene->mNumMaterials = 1;
  scene->mMaterials = new aiMaterial* [1] { new aiMaterial() };
  scene->mNumMeshes = 1;
  scene->mMeshes = new aiMesh* [1] { new aiMesh() };
  aiMesh& m = *scene->mMeshes[0];
  m.mMaterialIndex = 0;
  m.mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
  m.mNumVertices = static_cast<unsigned>(mesh.vertices.rows());
  m.mVertices = new aiVector3D[m.mNumVertices];
  for (unsigned v = 0; v < m.mNumVertices; ++v)
    m.mVertices[v] = aiVector3D(static_cast<float>(mesh.vertices(v, 0)), static_cast<float>(mesh.vertices(v, 1)),
                                static_cast<float>(mesh.vertices(v, 2)));
  if (mesh.colours.rows() == mesh.vertices.rows()) {
    m.mColors[0] = new aiColor4D[m.mNumVertices];
    // The writer truncates c * 255: a quarter step above each level keeps the level.
    for (unsigned v = 0; v < m.mNumVertices; ++v)
      m.mColors[0][v] = aiColor4D((mesh.colours(v, 0) + 0.25f) / 255, (mesh.colours(v, 1) + 0.25f) / 255,
                                  (mesh.colours(v, 2) + 0.25f) / 255, 1);
  }
  m.mNumFaces = static_cast<unsigned>(mesh.triangles.rows());
  m.mFaces = new aiFace[m.mNumFaces];
  for (unsigned f = 0; f < m.mNumFaces; ++f) {
    m.mFaces[f].mNumIndices = 3;
    m.mFaces[f].mIndices = new unsigned[3];
    for (int j = 0; j < 3; ++j) m.mFaces[f].mIndices[j] = static_cast<unsigned>(mesh.triangles(f, j));
  }
  return scene;
}

}  // namespace

std::optional<MeshFormat> mesh_format_from_extension(const fs::path& path) {
  const std::string e = lower_extension(path);
  if (e == ".ply") return MeshFormat::ply_binary;
  if (e == ".stl") return MeshFormat::stl_binary;
  if (e == ".obj") return MeshFormat::obj;
  return std::nullopt;
}

bool is_mesh_file(const fs::path& path) { return mesh_format_from_extension(path).has_value(); }

Mesh read_mesh_file(const fs::path& path) {
  const std::string name = path.filename().string();
  const std::optional<MeshFormat> format = mesh_format_from_extension(path);
  if (!format) throw RuntimeError(name + " is no mesh file this program reads (PLY, STL or OBJ).");
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) throw RuntimeError("Cannot open " + name + ": there is no such file.");
  const std::uintmax_t bytes = fs::file_size(path, ec);
  if (ec || !std::ifstream(path, std::ios::binary)) throw RuntimeError("Cannot open " + name + ".");
  if (bytes == 0) throw RuntimeError(name + " is empty.");

  std::optional<PlyHeader> ply;
  if (*format == MeshFormat::ply_binary) {
    ply = ply_header(path, name);
    if (ply && ply->least_body_bytes > static_cast<double>(bytes - std::min<std::uintmax_t>(bytes, ply->header_bytes)))
      throw RuntimeError(name + " is damaged: its header announces " + std::to_string(ply->vertices) +
                         " vertices and " + std::to_string(ply->faces) + " faces, more than its " +
                         memory_text(static_cast<double>(bytes)) + " can hold.");
  }
  check_memory(estimated_memory(bytes, ply), "Reading " + name);

  Assimp::Importer importer;
  const aiScene* scene = nullptr;
  try {
    // Triangulate only: no step that joins, sorts or drops vertices.
    scene = importer.ReadFile(path.string(), aiProcess_Triangulate);
  } catch (const std::bad_alloc&) {
    throw RuntimeError("Reading " + name + " needs more memory than this machine has available.");
  }
  if (scene == nullptr || scene->mNumMeshes == 0) {
    std::string why = importer.GetErrorString();
    if (scene != nullptr || why.empty()) why = "it holds no surface";
    while (!why.empty() && (why.back() == '.' || why.back() == '\n' || why.back() == ' ')) why.pop_back();
    throw RuntimeError("Cannot read " + name + " as a mesh: " + why + ".");
  }
  Mesh mesh = mesh_from_scene(*scene, *format != MeshFormat::ply_binary, name);
  check_mesh(mesh, name);
  return mesh;
}

std::string mesh_bytes(const Mesh& mesh, MeshFormat format) {
  const bool colours = mesh.colours.rows() > 0;
  const char* id = "plyb";
  switch (format) {
    case MeshFormat::ply_binary:
      id = colours ? "ply" : "plyb";
      break;
    case MeshFormat::ply_ascii:
      id = "ply";
      break;
    case MeshFormat::stl_binary:
      id = "stlb";
      break;
    case MeshFormat::stl_ascii:
      id = "stl";
      break;
    case MeshFormat::obj:
      id = "objnomtl";
      break;
  }
  const std::unique_ptr<aiScene> scene = scene_of(mesh);
  Assimp::Exporter exporter;
  const aiExportDataBlob* blob = exporter.ExportToBlob(scene.get(), id, 0);
  if (blob == nullptr) throw RuntimeError(std::string("Cannot write the mesh: ") + exporter.GetErrorString());
  return std::string(static_cast<const char*>(blob->data), blob->size);
}

std::uintmax_t write_mesh_file(const fs::path& path, const Mesh& mesh, std::optional<MeshFormat> format,
                               const std::function<void(const std::string&)>& note) {
  if (!format) format = mesh_format_from_extension(path);
  if (!format)
    throw RuntimeError("Cannot write " + path.filename().string() + ": name a mesh file .ply, .stl or .obj.");
  check_mesh(mesh, "The mesh for " + path.filename().string());
  return write_file_atomically(path, mesh_bytes(mesh, *format), note);
}

}  // namespace velmora
