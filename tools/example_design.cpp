// The designs of the example studies and the shapes and draws they are made of.
#include "example_parts.h"

namespace velmora::examples {

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

}  // namespace velmora::examples
