#include "example_study.h"

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
namespace {

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

// Resamples one digitised curve to evenly spaced points along its polyline,
// exactly as the loading action does: closed curves get npts + 1 points (the
// first repeated), type 2 curves npts - 1 (the last left out), others npts.
Points pick3points(const Points& clicks, int opencode, int npts) {
  Points data = clicks;
  bool omitlast = false;
  if (opencode == 1) {
    data.push_back(data.front());
    npts += 1;
  }
  if (opencode == 2) omitlast = true;
  const std::size_t m = data.size();
  std::vector<double> dc(m, 0.0);
  double dtotal = 0;
  for (std::size_t k = 1; k < m; ++k) {
    const double dl = (data[k] - data[k - 1]).norm();
    dc[k] = dc[k - 1] + dl;
    dtotal += dl;
  }
  const double dinc = dtotal / (npts - 1);
  Points y{data.front()};
  double dcur = 0;
  std::size_t clm = 0;
  for (int i = 2; i <= npts - 1; ++i) {
    dcur += dinc;
    while (clm < m && dc[clm] <= dcur) ++clm;
    clm = std::min(clm, m - 1) - 1;
    const Vector3d& a = data[clm];
    const Vector3d& b = data[clm + 1];
    y.push_back(a + (dcur - dc[clm]) / (dc[clm + 1] - dc[clm]) * (b - a));
  }
  if (!omitlast) y.push_back(data.back());
  return y;
}

int resampled_count(const Curve& c) { return c.type == 1 ? c.points + 1 : c.type == 2 ? c.points - 1 : c.points; }

Layout layout_of(const Design& d) {
  Layout l;
  l.fixed = static_cast<int>(d.landmarks.size());
  int next = l.fixed + 1;
  for (const auto& c : d.curves) {
    l.first.push_back(next);
    l.count.push_back(resampled_count(c));
    next += resampled_count(c);
  }
  l.total = next - 1;
  return l;
}

double centroid_size(const Points& form) {
  Vector3d centre = Vector3d::Zero();
  for (const auto& x : form) centre += x;
  centre /= static_cast<double>(form.size());
  double sum = 0;
  for (const auto& x : form) sum += (x - centre).squaredNorm();
  return std::sqrt(sum);
}

// Clicks along a curve: spaced unevenly by arc parameter, the first at its
// start; an open curve's last click at its end; a closed curve's clicks go
// once around the loop without coming back to the first.
std::vector<double> click_parameters(const Curve& c, Draws& draws) {
  const int k = draws.whole(c.fewest_clicks, c.most_clicks);
  const bool closed = c.type == 1;
  const int gaps = closed ? k : k - 1;
  std::vector<double> widths;
  double total = 0;
  for (int g = 0; g < gaps; ++g) {
    widths.push_back(0.35 + 1.3 * draws.uniform(0, 1));
    total += widths.back();
  }
  std::vector<double> t;
  double run = 0;
  for (int j = 0; j < k; ++j) {
    t.push_back(!closed && j == k - 1 ? 1.0 : run / total);
    if (j < gaps) run += widths[j];
  }
  return t;
}

Specimen make_specimen(const Design& d, Draws& draws, double group) {
  std::vector<double> modes;
  for (double sd : d.mode_sd) modes.push_back(sd * draws.normal());
  const double size = (group > 0 ? d.second_size : 1.0) * (1.0 + d.size_sd * draws.normal());
  auto form = [&](const Vector3d& x) -> Vector3d { return size * d.deform(x, modes, group); };
  Specimen s;
  for (const auto& lm : d.landmarks) s.landmarks.push_back(form(lm) + draws.jitter(d.landmark_noise, d.flat));
  for (const auto& c : d.curves) {
    Points pts;
    for (double t : click_parameters(c, draws)) pts.push_back(form(c.at(t)) + draws.jitter(d.click_noise, d.flat));
    s.clicks.push_back(pts);
  }
  const double ax = draws.uniform(-4, 4);
  const double ay = draws.uniform(-4, 4);
  const double az = d.flat ? 0.0 : draws.uniform(-4, 4);
  s.ruler_a = d.ruler_place + Vector3d(ax, ay, az);
  Vector3d direction;
  if (d.flat) {
    const double angle = draws.uniform(0, 2 * kPi);
    direction = {std::cos(angle), std::sin(angle), 0.0};
  } else {
    direction = draws.jitter(1.0, false).normalized();
  }
  s.ruler_b = s.ruler_a + d.ruler_length * direction;
  return s;
}

/// The configuration a loaded specimen has: fixed landmarks (no ruler), then
/// every curve resampled, in millimetres.
Points true_form(const Design& d, const Specimen& s) {
  Points out = s.landmarks;
  for (std::size_t j = 0; j < d.curves.size(); ++j) {
    const Points r = pick3points(s.clicks[j], d.curves[j].type, d.curves[j].points);
    out.insert(out.end(), r.begin(), r.end());
  }
  return out;
}

Placement draw_placement(const Design& d, Draws& draws, bool scaled) {
  Placement p;
  p.scale = scaled ? draws.uniform(d.scale_low, d.scale_high) : 1.0;
  // Specimens are set on the digitiser (leaves on the scanner) roughly the
  // same way up, turned by up to 25 degrees about some axis. The
  // superimposition starts from the sum of the specimens as they come, so
  // this keeps its start, and the plots, close to the anatomical frame.
  const double angle = draws.uniform(-25, 25) * kPi / 180;
  if (d.flat) {
    p.rotation << std::cos(angle), -std::sin(angle), 0, std::sin(angle), std::cos(angle), 0, 0, 0, 1;
  } else {
    const Vector3d axis = draws.jitter(1.0, false).normalized();
    p.rotation = Eigen::AngleAxisd(angle, axis).toRotationMatrix();
  }
  const double sx = draws.uniform(-1, 1);
  const double sy = draws.uniform(-1, 1);
  const double sz = d.flat ? 0.0 : draws.uniform(-1, 1);
  // A second sample is measured in millimetres near the origin; a first
  // sample lies wherever the digitiser put it.
  p.shift = scaled ? Vector3d(d.shift_centre + d.shift * Vector3d(sx, sy, sz)) : Vector3d(20 * Vector3d(sx, sy, sz));
  return p;
}

Vector3d marker() { return {kCurveEnd, 0.0, 0.0}; }

/// The digitised point list: ruler ends, fixed landmarks, then a marker and
/// the clicks of each curve, then one last point that belongs to no curve.
Points point_list(const Specimen& s, const Placement& p) {
  Points list{p.apply(s.ruler_a), p.apply(s.ruler_b)};
  for (const auto& x : s.landmarks) list.push_back(p.apply(x));
  for (const auto& curve : s.clicks) {
    list.push_back(marker());
    for (const auto& x : curve) list.push_back(p.apply(x));
  }
  list.push_back(marker());
  return list;
}

std::string point_line(const Vector3d& x, bool flat, const char* number) {
  if (x.x() == kCurveEnd) return flat ? "-999 0\n" : "-999 0 0\n";
  const std::string f = std::string(number) + " " + number + (flat ? "\n" : std::string(" ") + number + "\n");
  return flat ? text(f.c_str(), x.x(), x.y()) : text(f.c_str(), x.x(), x.y(), x.z());
}

// ---------------------------------------------------------------------------
// Reading back, the way the program reads: used by the checks only.

struct ReadSpecimen {
  Points points;
};

std::vector<ReadSpecimen> read_tps(const std::string& file_text, int per_point) {
  std::vector<ReadSpecimen> out;
  std::istringstream in(file_text);
  std::string line;
  std::vector<double> numbers;
  long wanted = 0;
  auto finish = [&] {
    ReadSpecimen s;
    for (std::size_t k = 0; k + per_point <= numbers.size(); k += per_point)
      s.points.emplace_back(numbers[k], numbers[k + 1], per_point == 3 ? numbers[k + 2] : 0.0);
    out.push_back(s);
    numbers.clear();
  };
  while (std::getline(in, line)) {
    if (line.rfind("LM=", 0) == 0) {
      wanted = std::stol(line.substr(3)) * per_point;
      continue;
    }
    if (static_cast<long>(numbers.size()) >= wanted) continue;  // identifier lines
    std::istringstream values(line);
    double v = 0;
    while (values >> v) numbers.push_back(v);
    if (static_cast<long>(numbers.size()) >= wanted) finish();
  }
  return out;
}

std::vector<std::vector<double>> read_table(const std::string& file_text) {
  std::vector<std::vector<double>> rows;
  std::istringstream in(file_text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream values(line);
    std::vector<double> row;
    double v = 0;
    while (values >> v) row.push_back(v);
    rows.push_back(row);
  }
  return rows;
}

/// Cuts a point list at its markers, resamples the curves, scales by the
/// ruler and drops the ruler points, as the loading action does; reports in
/// `problems` anything the protocol would not accept.
std::optional<Points> load_like_the_program(const Design& d, const Points& list, const std::string& where,
                                            std::vector<std::string>& problems) {
  const std::size_t n = d.curves.size();
  std::vector<std::size_t> markers;
  for (std::size_t k = 0; k + 1 < list.size(); ++k)
    if (list[k].x() == kCurveEnd) markers.push_back(k);
  if (markers.size() != n) {
    problems.push_back(
        where + text(": %zu curve markers before the last point, the protocol has %zu curves", markers.size(), n));
    return std::nullopt;
  }
  if (list.back().x() != kCurveEnd) problems.push_back(where + ": the last point is not a marker");
  const std::size_t expected_fixed = 2 + d.landmarks.size();
  if (markers.front() != expected_fixed) {
    problems.push_back(where +
                       text(": %zu points before the first curve, expected %zu", markers.front(), expected_fixed));
    return std::nullopt;
  }
  Points row(list.begin(), list.begin() + static_cast<long>(markers.front()));
  markers.push_back(list.size() - 1);
  for (std::size_t j = 0; j < n; ++j) {
    const Points clicks(list.begin() + static_cast<long>(markers[j] + 1),
                        list.begin() + static_cast<long>(markers[j + 1]));
    if (clicks.size() < (d.curves[j].type == 1 ? 3u : 2u)) {
      problems.push_back(where + text(": curve %zu has only %zu clicks", j + 1, clicks.size()));
      return std::nullopt;
    }
    const Points r = pick3points(clicks, d.curves[j].type, d.curves[j].points);
    row.insert(row.end(), r.begin(), r.end());
  }
  const double scale = d.ruler_length / (row[0] - row[1]).norm();
  Points form;
  for (std::size_t k = 2; k < row.size(); ++k) form.push_back(scale * row[k]);
  return form;
}

double largest_distance_change(const Points& a, const Points& b) {
  double worst = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    for (std::size_t j = i + 1; j < a.size(); ++j)
      worst = std::max(worst, std::abs((a[i] - a[j]).norm() - (b[i] - b[j]).norm()));
  return worst;
}

// ---------------------------------------------------------------------------
// The files.

std::string protocol_text(const Design& d) {
  std::vector<std::pair<std::string, std::string>> lines{
      {"1", "ruler: 1 = a ruler (scale bar) was digitised with every specimen"},
      {"1", "ruler: its first end is point 1 of every specimen"},
      {"2", "ruler: its second end is point 2 of every specimen"},
      {text("%g", d.ruler_length), "ruler: true length between its ends, in mm"},
      {text("%zu", d.curves.size()), "number of curves"},
      {text("%g", kCurveEnd), "curve ending code: a point whose x is -999 marks where a curve starts"},
  };
  for (std::size_t j = 0; j < d.curves.size(); ++j) {
    const Curve& c = d.curves[j];
    const char* kind = c.type == 1   ? "type 1 = closed"
                       : c.type == 2 ? "type 2 = open, last point omitted"
                                     : "type 3 = open-ended";
    lines.emplace_back(text("%d", c.type), text("curve %zu (%s): %s", j + 1, c.name.c_str(), kind));
    lines.emplace_back(text("%d", c.points), text("curve %zu: %s", j + 1, c.points_comment.c_str()));
  }
  std::string out;
  for (const auto& [value, comment] : lines) out += text("%-6s%% %s\n", value.c_str(), comment.c_str());
  return out;
}

struct StudyFiles {
  std::vector<ExampleFile> files;
  std::vector<std::string> summary;
  std::vector<double> first_sizes;
};

std::string flat_number(double v) { return text("%.8g", v == 0.0 ? 0.0 : v); }

// A closed surface around a mean form, for the surface pictures: the sphere
// of an icosahedron cut four times (5,120 triangles), each vertex pushed out
// from the form's centroid to the radius the landmarks in its direction have
// (a Gaussian average over the angle, corrected three times towards the
// landmarks' own radii), so the landmarks lie on or near it.
velmora::Mesh surface_around(const Points& form) {
  Vector3d centre = Vector3d::Zero();
  for (const Vector3d& x : form) centre += x;
  centre /= static_cast<double>(form.size());
  std::vector<Vector3d> toward;
  std::vector<double> radius;
  for (const Vector3d& x : form) {
    toward.push_back((x - centre).normalized());
    radius.push_back((x - centre).norm());
  }
  const double t = (1 + std::sqrt(5.0)) / 2;
  Points v{{-1, t, 0},  {1, t, 0},  {-1, -t, 0}, {1, -t, 0}, {0, -1, t},  {0, 1, t},
           {0, -1, -t}, {0, 1, -t}, {t, 0, -1},  {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
  for (auto& p : v) p.normalize();
  std::vector<std::array<int, 3>> f{{0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
                                    {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
                                    {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
  for (int level = 0; level < 4; ++level) {
    std::map<std::pair<int, int>, int> middle;
    const auto mid = [&](int a, int b) {
      const auto key = std::minmax(a, b);
      if (const auto it = middle.find(key); it != middle.end()) return it->second;
      v.push_back((v[a] + v[b]).normalized());
      return middle[key] = static_cast<int>(v.size()) - 1;
    };
    std::vector<std::array<int, 3>> finer;
    for (const auto& [a, b, c] : f) {
      const int ab = mid(a, b), bc = mid(b, c), ca = mid(c, a);
      finer.insert(finer.end(), {{a, ab, ca}, {b, bc, ab}, {c, ca, bc}, {ab, bc, ca}});
    }
    f = std::move(finer);
  }
  // r(u) = sum_i w_i(u) c_i / sum_i w_i(u), w_i = exp((u . toward_i - 1) / s):
  // first with c_i the landmarks' radii, then adding the average of what is
  // still missing at the landmarks.
  const double s = 0.03;
  const auto smooth = [&](const Vector3d& u, const std::vector<double>& c) {
    double sum = 0, weight = 0;
    for (std::size_t i = 0; i < c.size(); ++i) {
      const double w = std::exp((u.dot(toward[i]) - 1) / s);
      sum += w * c[i];
      weight += w;
    }
    return sum / weight;
  };
  std::vector<double> correction = radius;
  std::vector<double> at_vertex(v.size(), 0.0), at_landmark(form.size(), 0.0);
  for (int round = 0; round < 4; ++round) {
    for (std::size_t k = 0; k < v.size(); ++k) at_vertex[k] += smooth(v[k], correction);
    for (std::size_t i = 0; i < form.size(); ++i) at_landmark[i] += smooth(toward[i], correction);
    for (std::size_t i = 0; i < form.size(); ++i) correction[i] = radius[i] - at_landmark[i];
  }
  velmora::Mesh m;
  m.vertices.resize(static_cast<Eigen::Index>(v.size()), 3);
  for (std::size_t k = 0; k < v.size(); ++k)
    m.vertices.row(static_cast<Eigen::Index>(k)) = (centre + at_vertex[k] * v[k]).transpose();
  m.triangles.resize(static_cast<Eigen::Index>(f.size()), 3);
  for (std::size_t k = 0; k < f.size(); ++k) m.triangles.row(static_cast<Eigen::Index>(k)) << f[k][0], f[k][1], f[k][2];
  return m;
}

StudyFiles make_study(const Design& d, std::vector<std::string>& problems) {
  StudyFiles out;
  const Layout layout = layout_of(d);
  const int per_point = d.flat ? 2 : 3;

  // First sample: digitised with the ruler, curves of uneven clicks.
  std::string first;
  std::vector<Points> truths;
  std::vector<Placement> placements;
  for (int i = 1; i <= d.first_count; ++i) {
    Draws draws(d.seed, 1000 + static_cast<std::uint64_t>(i));
    const Specimen s = make_specimen(d, draws, 0.0);
    const Placement p = draw_placement(d, draws, true);
    const Points list = point_list(s, p);
    first += text("LM=%zu\n", list.size());
    for (const auto& x : list) first += point_line(x, d.flat, "%.5f");
    if (!d.image_name.empty()) first += "IMAGE=" + text(d.image_name.c_str(), i) + "\n";
    first += text("ID=%s-%02d\n", d.folder.c_str(), i);
    truths.push_back(true_form(d, s));
    out.first_sizes.push_back(centroid_size(truths.back()));
    placements.push_back(p);
  }

  // The checks: read the file back and load it as the program does.
  const auto read = read_tps(first, per_point);
  if (static_cast<int>(read.size()) != d.first_count)
    problems.push_back(d.folder + text("/first.tps: %zu specimens read back, %d written", read.size(), d.first_count));
  std::size_t fewest = SIZE_MAX, most = 0;
  double first_size = 0;
  for (std::size_t i = 0; i < read.size() && i < truths.size(); ++i) {
    const std::string where = d.folder + text("/first.tps specimen %zu", i + 1);
    const Points& list = read[i].points;
    fewest = std::min(fewest, list.size());
    most = std::max(most, list.size());
    for (std::size_t k = 0; k + 1 < list.size(); ++k)
      if (list[k].x() == kCurveEnd && k < 2 + d.landmarks.size())
        problems.push_back(where + text(": point %zu looks like a marker", k + 1));
    const double digitised_ruler = (list[0] - list[1]).norm() / placements[i].scale;
    if (std::abs(digitised_ruler - d.ruler_length) > 1e-4)
      problems.push_back(where + text(": the ruler measures %.6f mm at the specimen's scale", digitised_ruler));
    const auto loaded = load_like_the_program(d, list, where, problems);
    if (!loaded) continue;
    if (static_cast<int>(loaded->size()) != layout.total) {
      problems.push_back(where + text(": loads to %zu points, expected %d", loaded->size(), layout.total));
      continue;
    }
    const double change = largest_distance_change(*loaded, truths[i]);
    if (change > 2e-3)
      problems.push_back(where + text(": the loaded form differs from the true one by %.3g mm", change));
    first_size += centroid_size(*loaded);
  }
  out.files.push_back({d.folder + "/first.tps", first});

  // Second sample: the same points as a loaded first specimen, in millimetres.
  std::string table, tps;
  double second_size = 0;
  for (int i = 1; i <= d.second_count; ++i) {
    Draws draws(d.seed, 2000 + static_cast<std::uint64_t>(i));
    const Specimen s = make_specimen(d, draws, 1.0);
    const Placement p = draw_placement(d, draws, false);
    Points form;
    for (const auto& x : true_form(d, s)) form.push_back(p.apply(x));
    const double cs = centroid_size(form);
    second_size += cs;
    std::string row;
    tps += text("LM=%zu\n", form.size());
    for (const auto& x : form) {
      const std::string xs = flat_number(x.x()), ys = flat_number(x.y()), zs = flat_number(d.flat ? 0.0 : x.z());
      row += xs + " " + ys + " " + zs + " ";
      tps += xs + " " + ys + " " + zs + "\n";
    }
    table += row + flat_number(cs) + "\n";
    tps += text("ID=%s-second-%02d\n", d.folder.c_str(), i);
  }
  const auto rows = read_table(table);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& r = rows[i];
    if (static_cast<int>(r.size()) != 3 * layout.total + 1) {
      problems.push_back(d.folder +
                         text("/second.txt row %zu: %zu values, expected %d", i + 1, r.size(), 3 * layout.total + 1));
      continue;
    }
    Points form;
    for (int k = 0; k < layout.total; ++k) form.emplace_back(r[3 * k], r[3 * k + 1], r[3 * k + 2]);
    if (std::abs(centroid_size(form) - r.back()) > 1e-6 * r.back())
      problems.push_back(d.folder + text("/second.txt row %zu: the last value is not the centroid size", i + 1));
  }
  const auto tps_read = read_tps(tps, 3);
  for (std::size_t i = 0; i < tps_read.size() && i < rows.size(); ++i)
    for (std::size_t k = 0; k < tps_read[i].points.size(); ++k)
      for (int c = 0; c < 3; ++c)
        if (tps_read[i].points[k][c] != rows[i][3 * k + c])
          problems.push_back(d.folder +
                             text("/second.tps specimen %zu point %zu differs from second.txt", i + 1, k + 1));
  out.files.push_back({d.folder + "/second.txt", table});
  if (!d.flat) out.files.push_back({d.folder + "/second.tps", tps});

  // Wireframe, on the mean form resampled from densely spaced clicks.
  Specimen mean;
  mean.landmarks = d.landmarks;
  for (const auto& c : d.curves) {
    Points dense;
    const int k = 400;
    for (int j = 0; j < k; ++j) dense.push_back(c.at(c.type == 1 ? double(j) / k : double(j) / (k - 1)));
    mean.clicks.push_back(dense);
  }
  const Points mean_form = true_form(d, mean);
  const Segments wire = d.wireframe(layout, mean_form);
  std::string wire_text;
  for (std::size_t k = 0; k < wire.size(); ++k) {
    const auto [a, b] = wire[k];
    if (a < 1 || b < 1 || a > layout.total || b > layout.total || a == b)
      problems.push_back(d.folder + text("/wireframe.txt row %zu joins %d and %d", k + 1, a, b));
    wire_text += text("%zu %d %d\n", k + 1, a, b);
  }
  out.files.insert(out.files.begin(), {d.folder + "/protocol.txt", protocol_text(d)});
  out.files.push_back({d.folder + "/wireframe.txt", wire_text});
  if (!d.flat) {
    // The surface under the mean form, and the mean form as the landmarks placed on it.
    out.files.push_back(
        {d.folder + "/surface.ply", velmora::mesh_bytes(surface_around(mean_form), velmora::MeshFormat::ply_binary)});
    std::string marks = text("LM=%zu\n", mean_form.size());
    for (const Vector3d& x : mean_form) marks += point_line(x, false, "%.6f");
    out.files.push_back({d.folder + "/surface-landmarks.tps", marks + "ID=" + d.folder + "-mean\n"});
  }

  std::string curves;
  for (std::size_t j = 0; j < d.curves.size(); ++j) curves += text("%s%d", j == 0 ? "" : ", ", layout.count[j]);
  out.summary.push_back(text("%s (%s): a loaded specimen has %d points: %d fixed landmarks, then curves of %s points",
                             d.folder.c_str(), d.what.c_str(), layout.total, layout.fixed, curves.c_str()));
  out.summary.push_back(
      text("  first.tps: %d specimens of %zu to %zu digitised points (%d numbers a point), ruler %g mm", d.first_count,
           fewest, most, per_point, d.ruler_length));
  out.summary.push_back(text("  second.txt%s: %d specimens, rows of %d values", d.flat ? "" : " and second.tps",
                             d.second_count, 3 * layout.total + 1));
  out.summary.push_back(text("  mean centroid size: first %.2f mm, second %.2f mm; wireframe: %zu segments",
                             first_size / d.first_count, second_size / d.second_count, wire.size()));
  return out;
}

// ---------------------------------------------------------------------------
// The two studies.

int nearest(const Points& form, int first, int count, const Vector3d& to) {
  int best = first;
  for (int k = first; k < first + count; ++k)
    if ((form[k - 1] - to).norm() < (form[best - 1] - to).norm()) best = k;
  return best;
}

void chain(Segments& s, int first, int count) {
  for (int k = first; k + 1 < first + count; ++k) s.emplace_back(k, k + 1);
}

Design skull_design() {
  Design d;
  d.folder = "skull3d";
  d.what = "3D skull, ruler and three curves";
  d.seed = 20261208;
  d.first_count = 25;
  d.second_count = 23;

  Curve orbit;
  orbit.name = "left orbit rim";
  orbit.type = 1;
  orbit.points = 16;
  orbit.points_comment = "16 points around the loop, the first repeated at the end (17 kept)";
  orbit.fewest_clicks = 14;
  orbit.most_clicks = 32;
  orbit.at = [](double t) {
    const Vector3d centre(70, 24, -4);
    const Vector3d across = Vector3d(-0.35, 1, 0).normalized();
    const Vector3d up = Vector3d(0.1, 0, 1).normalized();
    const double bulge = 1 + 0.07 * std::cos(4 * kPi * t);
    return Vector3d(centre + bulge * (19 * std::cos(2 * kPi * t) * across + 16 * std::sin(2 * kPi * t) * up));
  };
  Curve vault;
  vault.name = "midline vault profile, glabella to lambda";
  vault.type = 2;
  vault.points = 12;
  vault.points_comment = "12 points from glabella to lambda; the last, on lambda, is omitted (11 kept)";
  vault.fewest_clicks = 10;
  vault.most_clicks = 28;
  vault.at = [](double t) {
    const double angle = 0.22 + t * (2.72 - 0.22);
    return Vector3d(-2 + 84 * std::cos(angle), 0, 92 * std::sin(angle) * (1 - 0.05 * std::pow(std::sin(angle), 4)));
  };
  Curve arch;
  arch.name = "left zygomatic arch";
  arch.type = 3;
  arch.points = 10;
  arch.points_comment = "10 points, both ends kept";
  arch.fewest_clicks = 7;
  arch.most_clicks = 20;
  arch.at = [](double t) {
    return Vector3d(58 - 50 * t, 50 + 10 * t + 9 * std::sin(kPi * t), -18 + 2 * t + 2 * std::sin(kPi * t));
  };
  d.curves = {orbit, vault, arch};

  d.landmark_names = {"nasion", "prosthion", "basion", "opisthion", "lambda", "left porion", "right porion"};
  d.landmarks = {Vector3d(78, 0, 12), Vector3d(80, 0, -48),  Vector3d(-12, 0, -30), Vector3d(-45, 0, -32),
                 vault.at(1.0),       Vector3d(-5, 62, -12), Vector3d(-5, -62, -12)};
  d.ruler_length = 10;
  d.ruler_place = Vector3d(-120, -100, -80);
  d.landmark_noise = 0.4;
  d.click_noise = 0.3;
  d.size_sd = 0.06;
  d.second_size = 1.03;
  d.mode_sd = {0.03, 0.03, 0.03, 0.025, 0.02, 0.015};
  // Individual variation: length, breadth, height, a forward lean, a bent
  // profile and a twist; the second sample has a higher vault and a shorter face.
  d.deform = [](const Vector3d& p, const std::vector<double>& a, double group) {
    const double x = p.x(), y = p.y(), z = p.z();
    return Vector3d(x * (1 + a[0]) + a[3] * z - group * 0.04 * std::max(x - 30, 0.0), y * (1 + a[1]) + a[5] * x,
                    z * (1 + a[2]) + a[4] * x * x / 80 + group * 0.05 * std::max(z, 0.0));
  };
  d.scale_low = 0.5;
  d.scale_high = 2.0;
  d.shift_centre = Vector3d::Zero();
  d.shift = 300;
  d.wireframe = [](const Layout& l, const Points& mean) {
    Segments s;
    const int orbit_first = l.first[0], vault_first = l.first[1], arch_first = l.first[2];
    chain(s, orbit_first, l.count[0]);
    s.emplace_back(1, vault_first);
    chain(s, vault_first, l.count[1]);
    s.emplace_back(vault_first + l.count[1] - 1, 5);
    chain(s, arch_first, l.count[2]);
    s.emplace_back(arch_first + l.count[2] - 1, 6);
    s.emplace_back(arch_first, nearest(mean, orbit_first, l.count[0] - 1, mean[arch_first - 1]));
    s.emplace_back(1, nearest(mean, orbit_first, l.count[0] - 1, mean[0]));
    for (auto [a, b] : {std::pair{1, 2}, {2, 3}, {3, 4}, {4, 5}, {3, 6}, {3, 7}, {5, 6}, {5, 7}}) s.emplace_back(a, b);
    return s;
  };
  return d;
}

// Half the width of the leaf blade at relative height u (0 at the base, 1 at the apex).
double blade_half_width(double u) { return 60 * std::pow(u, 0.6) * (1 - u); }

Design leaf_design() {
  Design d;
  d.folder = "leaf2d";
  d.what = "2D leaf, ruler and three curves";
  d.flat = true;
  d.seed = 20261209;
  d.first_count = 26;
  d.second_count = 24;

  Curve margin;
  margin.name = "blade margin, from the apex down the left side and up the right";
  margin.type = 1;
  margin.points = 24;
  margin.points_comment = "24 points around the blade, the first repeated at the end (25 kept)";
  margin.fewest_clicks = 30;
  margin.most_clicks = 60;
  margin.at = [](double t) {
    if (t <= 0.5) {
      const double u = 1 - 2 * t;
      return Vector3d(-blade_half_width(u), 70 * u, 0);
    }
    const double u = 2 * t - 1;
    return Vector3d(blade_half_width(u), 70 * u, 0);
  };
  Curve midrib;
  midrib.name = "midrib, blade base to apex";
  midrib.type = 2;
  midrib.points = 10;
  midrib.points_comment = "10 points from the blade base to the apex; the last, on the apex, is omitted (9 kept)";
  midrib.fewest_clicks = 6;
  midrib.most_clicks = 15;
  midrib.at = [](double t) { return Vector3d(1.5 * std::sin(kPi * t), 70 * t, 0); };
  Curve vein;
  vein.name = "left main vein, midrib to margin";
  vein.type = 3;
  vein.points = 8;
  vein.points_comment = "8 points, both ends kept";
  vein.fewest_clicks = 5;
  vein.most_clicks = 12;
  const Vector3d junction = midrib.at(0.3);
  const Vector3d tip(-blade_half_width(0.55), 70 * 0.55, 0);
  vein.at = [junction, tip](double t) {
    const Vector3d along = tip - junction;
    const Vector3d bow = Vector3d(along.y(), -along.x(), 0).normalized();
    return Vector3d(junction + t * along + 2.5 * std::sin(kPi * t) * bow);
  };
  d.curves = {margin, midrib, vein};

  d.landmark_names = {"apex", "blade base", "petiole end", "right main vein tip"};
  d.landmarks = {Vector3d(0, 70, 0), Vector3d(0, 0, 0), Vector3d(0.5, -18, 0),
                 Vector3d(blade_half_width(0.55), 70 * 0.55, 0)};
  d.ruler_length = 10;
  d.ruler_place = Vector3d(-45, -30, 0);
  d.landmark_noise = 0.25;
  d.click_noise = 0.15;
  d.size_sd = 0.12;
  d.second_size = 1.1;
  d.mode_sd = {0.05, 0.04, 0.03, 0.03, 0.08};
  // Individual variation: width, length, a sideways lean, a curved blade and
  // a taper; the second sample's leaves are broader and a little shorter.
  d.deform = [](const Vector3d& p, const std::vector<double>& a, double group) {
    const double x = p.x(), y = p.y();
    return Vector3d((x * (1 + a[0] + a[4] * (y / 70 - 0.5)) + a[2] * (y - 35)) * (1 + 0.07 * group),
                    (y * (1 + a[1]) + a[3] * x * x / 20) * (1 - 0.03 * group), 0.0);
  };
  d.scale_low = 6;
  d.scale_high = 14;
  d.shift_centre = Vector3d(1200, 900, 0);
  d.shift = 250;
  d.image_name = "leaf-%02d.jpg";
  d.wireframe = [junction](const Layout& l, const Points& mean) {
    Segments s;
    const int margin_first = l.first[0], midrib_first = l.first[1], vein_first = l.first[2];
    chain(s, margin_first, l.count[0]);
    chain(s, midrib_first, l.count[1]);
    s.emplace_back(midrib_first + l.count[1] - 1, 1);
    s.emplace_back(2, 3);
    chain(s, vein_first, l.count[2]);
    s.emplace_back(vein_first, nearest(mean, midrib_first, l.count[1], mean[vein_first - 1]));
    s.emplace_back(4, nearest(mean, midrib_first, l.count[1], junction));
    return s;
  };
  return d;
}

// The many-group study: leaves of three species from sites at several
// altitudes, one 2D TPS file and a specimen table (rows in another order than
// the file, as a spreadsheet would keep them). The species differ in breadth,
// length and lean; leaves from higher sites are narrower.
StudyFiles make_group_study(std::vector<std::string>& problems) {
  Design d = leaf_design();
  d.folder = "leafgroups2d";
  d.seed = 20261210;
  d.second_size = 1;
  const char* species[] = {"alnifolia", "cordata", "tenuis"};
  const int per_species = 15, count = 3 * per_species;
  // `group` carries the species (its whole part) and the altitude (its
  // fraction of 1000 m).
  const auto leaf = d.deform;
  d.deform = [leaf](const Vector3d& p, const std::vector<double>& a, double group) {
    const int k = static_cast<int>(group);
    const double altitude = group - k;
    const Vector3d base = leaf(p, a, 0.0);
    const double breadth[] = {0.10, 0.0, -0.12}, length[] = {-0.02, 0.06, 0.03}, lean[] = {0.0, 0.10, -0.08};
    return Vector3d(base.x() * (1 + breadth[k] - 0.35 * altitude) + lean[k] * (base.y() - 35),
                    base.y() * (1 + length[k]), 0.0);
  };
  std::string first, table = "id,species,altitude\n";
  std::vector<std::string> rows;
  for (int i = 1; i <= count; ++i) {
    Draws draws(d.seed, 1000 + static_cast<std::uint64_t>(i));
    const int k = (i - 1) / per_species;
    const int altitude = 100 * draws.whole(2, 9);
    const Specimen s = make_specimen(d, draws, k + altitude / 1000.0);
    const Placement p = draw_placement(d, draws, true);
    const Points list = point_list(s, p);
    first += text("LM=%zu\n", list.size());
    for (const auto& x : list) first += point_line(x, d.flat, "%.5f");
    first += text("ID=%s-%02d\n", species[k], i);
    rows.push_back(text("%s-%02d,%s,%d\n", species[k], i, species[k], altitude));
  }
  // The table lists the specimens by species name, not in the file's order.
  for (int i = 0; i < count; ++i) table += rows[(7 * i) % count];
  if (read_tps(first, 2).size() != static_cast<std::size_t>(count))
    problems.push_back("leafgroups2d/first.tps: the specimens do not read back");
  StudyFiles out;
  out.files.push_back({d.folder + "/protocol.txt", protocol_text(d)});
  out.files.push_back({d.folder + "/first.tps", first});
  out.files.push_back({d.folder + "/table.csv", table});
  out.files.push_back({d.folder + "/study.json",
                       "{\n  \"velmora3d-study\": 1,\n  \"protocol\": \"protocol.txt\",\n  \"first-sample\": "
                       "\"first.tps\",\n  \"first-sample-dimension\": 2,\n  \"specimen-table\": \"table.csv\",\n"
                       "  \"seed\": 1\n}\n"});
  out.summary.push_back(
      text("leafgroups2d (2D leaves of three species, %d each, with the altitude of their site): "
           "first.tps, table.csv (id, species, altitude), study.json",
           per_species));
  return out;
}

}  // namespace

ExampleSet make_example_studies() {
  ExampleSet set;
  for (const Design& d : {skull_design(), leaf_design()}) {
    StudyFiles study = make_study(d, set.problems);
    set.files.insert(set.files.end(), study.files.begin(), study.files.end());
    set.summary.insert(set.summary.end(), study.summary.begin(), study.summary.end());
    set.first_sizes[d.folder] = study.first_sizes;
    set.second_counts[d.folder] = d.second_count;
  }
  StudyFiles groups = make_group_study(set.problems);
  set.files.insert(set.files.end(), groups.files.begin(), groups.files.end());
  set.summary.insert(set.summary.end(), groups.summary.begin(), groups.summary.end());
  return set;
}

}  // namespace velmora::examples
