// The parts of the example generator: the shapes and draws of a design, the
// designs of the studies, their files, and the read-back check that reloads
// them the way the program does. For the generator's own files only.
#pragma once

#include <Eigen/Dense>
#include <Eigen/Geometry>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <numbers>
#include <optional>
#include <sstream>
#include <utility>

#include "geometry/mesh.h"
#include "io/formats/mesh_file.h"
#include "runtime/random.h"

namespace velmora::examples {


using Eigen::Vector3d;
using Points = std::vector<Vector3d>;
using Segments = std::vector<std::pair<int, int>>;

constexpr double kPi = std::numbers::pi;
// The curve ending code of both protocols: a point whose x is this value is a
// curve marker in a digitised point list.
constexpr double kCurveEnd = -999.0;

template <typename... Args>
std::string text(const char* format, Args... args) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

/// Random draws of one specimen, from its own stream so that every specimen
/// is the same whatever is generated before it.
class Draws {
 public:
  Draws(std::uint64_t seed, std::uint64_t stream) : stream_(seed, stream) {}
  double uniform(double low, double high) { return low + (high - low) * stream_.uniform(); }
  // Box-Muller: written out so that the numbers do not depend on the
  // standard library's distributions.
  double normal() {
    const double u1 = stream_.uniform();
    const double u2 = stream_.uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * kPi * u2);
  }
  int whole(int low, int high) {
    return low + static_cast<int>(stream_.below(static_cast<std::uint64_t>(high - low + 1)));
  }
  Vector3d jitter(double sd, bool flat) {
    const double x = sd * normal();
    const double y = sd * normal();
    const double z = flat ? 0.0 : sd * normal();
    return {x, y, z};
  }

 private:
  RandomStream stream_;
};

/// One curve of a protocol and its true course on the mean form.
struct Curve {
  std::string name;
  int type = 3;  // 1 closed, 2 open with its last point omitted, 3 open-ended
  int points = 0;
  std::string points_comment;
  int fewest_clicks = 0;
  int most_clicks = 0;
  std::function<Vector3d(double)> at;  // t in [0, 1]; a closed curve returns to at(0) at t = 1
};

/// Where the points of a loaded configuration lie: numbers count from 1.
struct Layout {
  int fixed = 0;
  std::vector<int> first;  // number of the first point of each curve
  std::vector<int> count;  // resampled points of each curve
  int total = 0;
};

struct Design {
  std::string folder;
  std::string what;
  bool flat = false;
  std::uint64_t seed = 0;
  int first_count = 0;
  int second_count = 0;
  std::vector<std::string> landmark_names;
  Points landmarks;
  std::vector<Curve> curves;
  double ruler_length = 10;
  Vector3d ruler_place;
  double landmark_noise = 0;
  double click_noise = 0;
  double size_sd = 0;
  double second_size = 1;
  std::vector<double> mode_sd;
  // The form of one specimen: the mean form deformed by its modes and, for the
  // second sample (group 1), by the shape change between the samples.
  std::function<Vector3d(const Vector3d&, const std::vector<double>&, double)> deform;
  double scale_low = 1;
  double scale_high = 1;
  Vector3d shift_centre;
  double shift = 0;
  std::string image_name;  // "" for none, else a printf format with the specimen number
  std::function<Segments(const Layout&, const Points&)> wireframe;
};

/// A specimen in millimetres, before it is digitised.
struct Specimen {
  Points landmarks;
  std::vector<Points> clicks;
  Vector3d ruler_a;
  Vector3d ruler_b;
};

/// How a specimen lies in the digitiser's frame: x -> scale * rotation * x + shift.
struct Placement {
  double scale = 1;
  Eigen::Matrix3d rotation = Eigen::Matrix3d::Identity();
  Vector3d shift = Vector3d::Zero();
  Vector3d apply(const Vector3d& x) const { return scale * (rotation * x) + shift; }
};

// Shapes and draws (example_design.cpp).
// Resamples one digitised curve to evenly spaced points along its polyline,
// exactly as the loading action does: closed curves get npts + 1 points (the
// first repeated), type 2 curves npts - 1 (the last left out), others npts.
Points pick3points(const Points& clicks, int opencode, int npts);

int resampled_count(const Curve& c);

Layout layout_of(const Design& d);

double centroid_size(const Points& form);

// Clicks along a curve: spaced unevenly by arc parameter, the first at its
// start; an open curve's last click at its end; a closed curve's clicks go
// once around the loop without coming back to the first.
std::vector<double> click_parameters(const Curve& c, Draws& draws);

Specimen make_specimen(const Design& d, Draws& draws, double group);

/// The configuration a loaded specimen has: fixed landmarks (no ruler), then
/// every curve resampled, in millimetres.
Points true_form(const Design& d, const Specimen& s);

Placement draw_placement(const Design& d, Draws& draws, bool scaled);

Vector3d marker();

/// The digitised point list: ruler ends, fixed landmarks, then a marker and
/// the clicks of each curve, then one last point that belongs to no curve.
Points point_list(const Specimen& s, const Placement& p);

std::string point_line(const Vector3d& x, bool flat, const char* number);

// The designs of the studies (example_design.cpp).
Design skull_design();
Design leaf_design();

// Reading back, the way the program reads, for the checks (example_check.cpp).
struct ReadSpecimen {
  Points points;
};

std::vector<ReadSpecimen> read_tps(const std::string& file_text, int per_point);

std::vector<std::vector<double>> read_table(const std::string& file_text);

/// Cuts a point list at its markers, resamples the curves, scales by the
/// ruler and drops the ruler points, as the loading action does; reports in
/// `problems` anything the protocol would not accept.
std::optional<Points> load_like_the_program(const Design& d, const Points& list, const std::string& where,
                                            std::vector<std::string>& problems);

double largest_distance_change(const Points& a, const Points& b);

}  // namespace velmora::examples
