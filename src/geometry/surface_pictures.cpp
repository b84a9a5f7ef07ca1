#include "geometry/surface_pictures.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "geometry/distance_to_mesh.h"
#include "geometry/warp_mesh.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/render_marks.h"

namespace velmora {
namespace {

const Rgb kBone{0.88, 0.84, 0.74};
const Rgb kGhost{0.55, 0.6, 0.7};

Handle add_surface(Graphics& g, const Mesh& mesh, const Rgb& colour, Eigen::VectorXd values = {}) {
  auto shape = std::make_shared<SurfaceShape>();
  shape->vertices = mesh.vertices;
  shape->triangles = mesh.triangles;
  shape->values = std::move(values);
  return g.surface(std::move(shape), colour);
}

void add_landmarks(Graphics& g, const Eigen::MatrixXd& points) {
  const Handle h = g.plot3(points.col(0), points.col(1), points.col(2), "ko");
  g.modify(h, [](GraphicsObject& o) {
    o.marker_size = 3;
    o.marker_face = Rgb{0.8, 0.1, 0.1};
  });
}

// A window of surfaces, wider than a plot (two surfaces side by side): held
// axes of equal units without a box.
Handle start(Graphics& g, Handle figure) {
  g.figure(figure);
  g.modify(figure, [](GraphicsObject& f) { f.position = {100, 100, 900, 520}; });
  const Handle axes = g.gca();
  g.hold(axes, true);
  g.axis(axes, "equal");
  g.axis(axes, "off");
  // From the side (-y), a little ahead on x and above: x runs across the
  // picture, so surfaces set side by side along x stand side by side.
  g.set_camera_position(axes, Eigen::Vector3d(3, -10, 3.5));
  return axes;
}

Mesh shifted(Mesh m, double dx) {
  m.vertices.col(0).array() += dx;
  return m;
}

double x_extent(const Mesh& m) { return m.vertices.col(0).maxCoeff() - m.vertices.col(0).minCoeff(); }

}  // namespace

double landmark_offset(const Mesh& mesh, const Eigen::MatrixXd& landmarks) {
  std::vector<Eigen::Index> rows;
  for (Eigen::Index i = 0; i < landmarks.rows(); ++i)
    if (landmarks.row(i).allFinite()) rows.push_back(i);
  if (rows.size() < 2) return 0;
  Eigen::MatrixXd points(static_cast<Eigen::Index>(rows.size()), 3);
  for (std::size_t i = 0; i < rows.size(); ++i) points.row(static_cast<Eigen::Index>(i)) = landmarks.row(rows[i]);
  Eigen::VectorXd d = distance_to_mesh(mesh, points);
  std::sort(d.begin(), d.end());
  const Eigen::Index n = d.size();
  const double median = n % 2 ? d(n / 2) : (d(n / 2 - 1) + d(n / 2)) / 2;
  const double size = (points.rowwise() - points.colwise().mean()).norm();
  return size > 0 ? median / size : 0;
}

Eigen::VectorXd vertex_distances(const Mesh& a, const Mesh& b) { return (b.vertices - a.vertices).rowwise().norm(); }

void check_warpable(const StudySurfaces& surfaces, Eigen::Index points, const std::string& action) {
  if (surfaces.reference.vertices.rows() == 0)
    throw RuntimeError(action + ": there are no surfaces yet; load them with LoadSurfaces first.");
  if (!surfaces.unwarpable.empty()) throw RuntimeError(action + ": " + surfaces.unwarpable);
  if (surfaces.landmarks.rows() != points)
    throw RuntimeError(action + ": the landmarks on " + surfaces.reference_name + " (" + surfaces.landmarks_name +
                       ") are " + std::to_string(surfaces.landmarks.rows()) + " points; the study has " +
                       std::to_string(points) + " a specimen.");
}

Mesh show_surface(Graphics& g, Handle figure, const StudySurfaces& surfaces, const Eigen::MatrixXd& mean) {
  check_warpable(surfaces, mean.rows(), "ShowSurface");
  const Mesh warped = warp_mesh(surfaces.reference, surfaces.landmarks, mean);
  start(g, figure);
  add_surface(g, warped, kBone);
  add_landmarks(g, mean);
  g.title("Mean surface with the mean landmarks");
  return warped;
}

Mesh show_surface_difference(Graphics& g, Handle figure, const StudySurfaces& surfaces, const Eigen::MatrixXd& mean1,
                             const Eigen::MatrixXd& mean2, bool overlay) {
  check_warpable(surfaces, mean1.rows(), "ShowSurfaceDifference");
  if (mean2.rows() != mean1.rows())
    throw RuntimeError("ShowSurfaceDifference: the means have " + std::to_string(mean1.rows()) + " and " +
                       std::to_string(mean2.rows()) + " points.");
  const Mesh one = warp_mesh(surfaces.reference, surfaces.landmarks, mean1);
  const Mesh two = warp_mesh(surfaces.reference, surfaces.landmarks, mean2);
  const Eigen::VectorXd distance = vertex_distances(one, two);
  const double high = std::max(distance.maxCoeff(), 1e-12);
  const Handle axes = start(g, figure);
  g.modify(axes, [&](GraphicsObject& a) {
    a.colour_limits = std::array<double, 2>{0, high};
    a.colour_label = "distance";
  });
  if (overlay) {
    add_surface(g, two, kBone, distance);
    const Handle ghost = add_surface(g, one, kGhost);
    g.modify(ghost, [](GraphicsObject& o) { o.face_alpha = 0.35; });
    g.title("Mean 2 coloured by its distance from mean 1 (grey, see-through)");
  } else {
    add_surface(g, one, kBone);
    add_surface(g, shifted(two, 1.2 * x_extent(one)), kBone, distance);
    g.title("Mean 1 (left) and mean 2 (right), coloured by its distance from mean 1");
  }
  return coloured_mesh(two, distance, 0, high);
}

void show_component_surfaces(Graphics& g, Handle figure, const StudySurfaces& surfaces, const Eigen::MatrixXd& mean,
                             const Eigen::MatrixXd& direction, double sd, double k, int component, double proportion) {
  check_warpable(surfaces, mean.rows(), "ShowPCSurfaces");
  const Mesh centre = warp_mesh(surfaces.reference, surfaces.landmarks, mean);
  const Mesh low = warp_mesh(surfaces.reference, surfaces.landmarks, mean - k * sd * direction);
  const Mesh high = warp_mesh(surfaces.reference, surfaces.landmarks, mean + k * sd * direction);
  const Eigen::VectorXd d_low = vertex_distances(centre, low), d_high = vertex_distances(centre, high);
  const double top = std::max({d_low.maxCoeff(), d_high.maxCoeff(), 1e-12});
  const Handle axes = start(g, figure);
  g.modify(axes, [&](GraphicsObject& a) {
    a.colour_limits = std::array<double, 2>{0, top};
    a.colour_label = "distance";
  });
  add_surface(g, low, kBone, d_low);
  add_surface(g, shifted(high, 1.2 * x_extent(low)), kBone, d_high);
  g.title(sprintf_m("PC%i (%.1f %%): mean - %g SD (left), mean + %g SD (right), coloured by distance from the mean",
                    static_cast<double>(component), 100 * proportion, k, k));
}

Mesh coloured_mesh(const Mesh& mesh, const Eigen::VectorXd& values, double low, double high) {
  Mesh out = mesh;
  out.colours.resize(mesh.vertices.rows(), 3);
  for (Eigen::Index v = 0; v < mesh.vertices.rows(); ++v) {
    const Rgb c = colour_for_value(values(v), low, high);
    out.colours.row(v) << static_cast<std::uint8_t>(std::lround(c.r * 255)),
        static_cast<std::uint8_t>(std::lround(c.g * 255)), static_cast<std::uint8_t>(std::lround(c.b * 255));
  }
  return out;
}

}  // namespace velmora
