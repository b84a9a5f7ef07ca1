// What the surface view hands the graphics card for a surface object: one
// record a vertex (position, normal, colour), and for a large surface a coarser
// copy, drawn while the view is dragged.
#pragma once

#include <Eigen/Dense>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/graphics.h"

namespace velmora {

/// One vertex as the card reads it: data units, a unit normal, RGBA bytes.
struct SurfaceVertex {
  float position[3];
  float normal[3];
  unsigned char colour[4];
};

/// Above this many triangles a surface also gets a coarser copy of about
/// kCoarseTriangles for the frames drawn while it is dragged.
inline constexpr Eigen::Index kCoarseAbove = 300'000;
inline constexpr double kCoarseTriangles = 120'000;

/// The n vertices of surface object `o`: its positions, each vertex's normal
/// (the normals of the triangles around it weighted by their areas), and
/// `o`'s colour or, when `axes` has a colour key and `o` values, the colour of
/// each vertex's value.
std::vector<SurfaceVertex> surface_vertices(const GraphicsObject& o, const GraphicsObject& axes);

/// What the colours of surface_vertices are made from, to tell when they change.
std::string surface_paint(const GraphicsObject& o, const GraphicsObject& axes);

/// A coarser copy of a surface: its vertices and 3 indices a triangle.
struct CoarseSurface {
  std::vector<SurfaceVertex> vertices;
  std::vector<std::uint32_t> indices;
};

/// Vertex clustering of `s` (whose vertices are `full`): the vertices grouped
/// by the cell of a grid they lie in, cells of the size that leaves about
/// `triangles` triangles on the surface's area; each group becomes one vertex
/// at the mean of its positions, normals and colours, and a triangle whose
/// corners lie in three different cells is kept.
CoarseSurface coarse_surface(const SurfaceShape& s, const std::vector<SurfaceVertex>& full, double triangles);

}  // namespace velmora
