// Reading and writing surface meshes: PLY, STL and OBJ files. This module alone
// sees the mesh file library (Open Asset Import).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "geometry/mesh.h"

namespace velmora {

enum class MeshFormat { ply_binary, ply_ascii, stl_binary, stl_ascii, obj };

/// The format a mesh file's extension names (.ply, .stl, .obj in any case:
/// PLY and STL binary); nothing for any other extension.
std::optional<MeshFormat> mesh_format_from_extension(const std::filesystem::path& path);

/// Whether `path` has the extension of a mesh file (.ply, .stl, .obj).
bool is_mesh_file(const std::filesystem::path& path);

/// Reads the mesh in the PLY (ASCII or binary, either byte order, with or
/// without normals and colours), STL (ASCII or binary) or OBJ file at `path`.
/// Polygons are cut into triangles; points and lines are left out. A PLY keeps
/// its vertices in file order, unreferenced ones included; an STL holds no
/// shared vertices and an OBJ's are split by the library, so for those the
/// vertices at one position are joined, in the order the triangles first use
/// them. Throws RuntimeError naming the file when it cannot be opened, is of
/// another format, is damaged or announces more than its size holds, would
/// need more memory than the machine has, or fails check_mesh.
Mesh read_mesh_file(const std::filesystem::path& path);

/// The file's bytes of `mesh` in `format` (vertices as single-precision
/// numbers, triangles and vertex order kept; OBJ and STL store no colours, PLY
/// stores them as 8-bit red, green, blue). A binary PLY with colours is written
/// as ASCII PLY, which every reader of coloured PLY files takes.
std::string mesh_bytes(const Mesh& mesh, MeshFormat format);

/// Writes `mesh` to `path` (through a temporary file) in `format`, or, when
/// that is nothing, in the format of the path's extension. Returns the bytes
/// written; `note`, when given, hears how the file was replaced when that is
/// news (a link written through). Throws RuntimeError naming the file when its
/// extension names no mesh format or it cannot be written.
std::uintmax_t write_mesh_file(const std::filesystem::path& path, const Mesh& mesh,
                               std::optional<MeshFormat> format = std::nullopt,
                               const std::function<void(const std::string&)>& note = {});

}  // namespace velmora
