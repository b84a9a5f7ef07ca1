// The example studies' files: protocols, samples, wireframes, tables, surfaces
// and study files, from the designs.
#include "example_study.h"

#include "example_parts.h"

namespace velmora::examples {
namespace {


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
