// The first sample: point lists read in our own form or from the digitising
// tools' files, cut at the protocol's curves, resampled, scaled by the ruler
// and superimposed. One file because every reading goes through the same
// checked protocol values and the same cutting.
#include "io/load_file1.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <span>
#include <string>

#include "display/campos.h"
#include "display/sample_style.h"
#include "display/showshape3D.h"
#include "geometry/centsize3D.h"
#include "geometry/getpproc3.h"
#include "geometry/pick3points.h"
#include "geometry/similarity_fit.h"
#include "geometry/vertxy3D.h"
#include "io/deferred_console.h"
#include "io/formats/detect_format.h"
#include "io/formats/landmark_file.h"
#include "io/formats/tps_format.h"
#include "io/load_proto.h"
#include "io/load_switches.h"
#include "io/open_input.h"
#include "io/prepare_sample.h"
#include "io/tps_scan.h"
#include "runtime/available_memory.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

const std::string kProtocol = "in use";

bool whole(double v) { return std::isfinite(v) && v == std::floor(v); }

// The protocol values a first-sample load reads, checked before any file is asked for.
struct Protocol {
  bool ruler = false;
  double b1 = 0, b2 = 0, rlength = 0;
  long curves = 0;
  double code = 0;
  std::vector<double> types, points;
};

Protocol read_protocol(const Eigen::MatrixXd& proto) {
  if (proto.size() == 0) throw RuntimeError("No protocol is loaded: load the protocol file with LoadProto first.");
  Protocol p;
  p.ruler = protocol_value(proto, 1, kProtocol) == 1;
  const double curves = protocol_value(proto, 5, kProtocol);
  if (!whole(curves) || curves < 0)
    throw RuntimeError("The protocol's number of curves (value 5) is " + format_echo_number(curves) +
                       "; it must be a whole number of 0 or more.");
  p.curves = static_cast<long>(curves);
  p.code = protocol_value(proto, 6, kProtocol);
  for (long j = 1; j <= p.curves; ++j) {
    p.types.push_back(protocol_value(proto, 5 + 2 * j, kProtocol));
    p.points.push_back(protocol_value(proto, 6 + 2 * j, kProtocol));
  }
  if (p.ruler) {
    p.b1 = protocol_value(proto, 2, kProtocol);
    p.b2 = protocol_value(proto, 3, kProtocol);
    p.rlength = protocol_value(proto, 4, kProtocol);
    if (!whole(p.b1) || !whole(p.b2) || p.b1 < 1 || p.b2 < 1)
      throw RuntimeError(
          sprintf_m("The protocol's ruler landmarks (values 2 and 3) are %s and %s; they must be "
                    "landmark numbers (whole numbers from 1).",
                    format_echo_number(p.b1), format_echo_number(p.b2)));
    if (!std::isfinite(p.rlength) || !(p.rlength > 0))
      throw RuntimeError("The protocol's ruler length (value 4) is " + format_echo_number(p.rlength) +
                         "; it must be a positive number.");
  }
  return p;
}

Eigen::MatrixXd as_row(const std::vector<double>& v) {
  return Eigen::Map<const Eigen::RowVectorXd>(v.data(), static_cast<Eigen::Index>(v.size()));
}

}  // namespace

CutSample cut_specimens(const std::vector<Eigen::RowVectorXd>& y, const Eigen::MatrixXd& proto, Console& console,
                        bool echo_each_curve, const Eigen::RowVectorXd& previous_rbreak, bool last_point_unused) {
  const Protocol p = read_protocol(proto);
  const long n = static_cast<long>(y.size());
  if (n == 0) throw RuntimeError("The landmark file holds no specimens.");
  const long N = p.curves;

  // Each curve may be resampled to ten million points: a protocol can ask for
  // more memory than the machine has. The specimens' rows are held a few times
  // over (the table, the centred sample, its superimposition, the plot), so
  // the load is refused before anything is allocated when they cannot fit.
  double row_points = static_cast<double>(y.front().size() / 3);  // at least the fixed landmarks
  for (double count : p.points)
    if (count > 0) row_points += std::min(count, 1e7) + 1;
  constexpr double kCopies = 4;  // measured: a peak of 3.2 copies
  check_memory(
      kCopies * 3 * sizeof(double) * row_points * static_cast<double>(n),
      sprintf_m("Loading %d specimens of about %d points each", static_cast<double>(n), std::floor(row_points)));

  // Entries 1..N+1 are set from the first specimen, in order, over the kept row.
  std::vector<double> rbreak(previous_rbreak.data(), previous_rbreak.data() + previous_rbreak.size());
  const auto set_rbreak = [&rbreak](long entry, double value) {
    if (entry <= static_cast<long>(rbreak.size()))
      rbreak[entry - 1] = value;
    else
      rbreak.push_back(value);  // entries are set in order, so this is the next one
  };
  std::vector<double> table;  // the flat rows (lmpts), row by row, without the column of ones
  long width = 0;
  long fixed_first = 0;
  std::vector<long> breaklocation(N + 2);
  CurvePolylines clicks(static_cast<std::size_t>(n));
  std::vector<double> row;
  for (long i = 0; i < n; ++i) {
    const Eigen::RowVectorXd& t = y[i];
    const long specimen = i + 1;
    if (t.size() % 3 != 0)
      throw RuntimeError(
          sprintf_m("Specimen %d has %d coordinate values, which is not a whole number of points "
                    "(3 values each).",
                    specimen, static_cast<double>(t.size())));
    const long P = static_cast<long>(t.size() / 3);

    // The curve markers: points whose x equals the curve ending code.
    long found = 0;
    for (long lmpos = 1; found < N; ++lmpos) {
      if (lmpos > P) {
        throw RuntimeError(
            sprintf_m("Specimen %d has %d curve markers (points with x = %s); the protocol has %d "
                      "curves.",
                      specimen, found, format_echo_number(p.code), N));
      }
      if (t(3 * lmpos - 3) == p.code) breaklocation[++found] = lmpos;
    }
    breaklocation[N + 1] = last_point_unused ? P : P + 1;

    // Fixed landmarks, as read.
    const long fixed = breaklocation[1] - 1;
    row.assign(t.data(), t.data() + 3 * fixed);
    for (long k = 0; k < 3 * fixed; ++k)
      if (!std::isfinite(row[k]))
        throw RuntimeError(sprintf_m("Specimen %d: fixed landmark %d has a coordinate that is not a finite number.",
                                     specimen, k / 3 + 1));

    for (long j = 1; j <= N; ++j) {
      const long count = breaklocation[j + 1] - 1 - breaklocation[j];
      if (count <= 0)
        throw RuntimeError(
            sprintf_m("Specimen %d, curve %d: no digitised points between its marker and the next "
                      "(or the end of the list, whose last point is not used).",
                      specimen, j));
      Eigen::RowVectorXd temp;
      try {
        temp = pick3points(t.segment(3 * breaklocation[j], 3 * count), p.types[j - 1], p.points[j - 1]);
      } catch (const RuntimeError& e) {
        throw RuntimeError(sprintf_m("Specimen %d, curve %d: %s", specimen, j, std::string(e.what())));
      }
      Eigen::MatrixXd curve = t.segment(3 * breaklocation[j], 3 * count).reshaped(3, count).transpose();
      if (p.types[j - 1] == 1) {
        curve.conservativeResize(count + 1, 3);
        curve.row(count) = curve.row(0);
      }
      clicks[i].push_back(std::move(curve));
      if (i == 0) {
        set_rbreak(j, static_cast<double>(row.size()));
        if (echo_each_curve) console.echo("rbreak", as_row(rbreak));
      }
      row.insert(row.end(), temp.data(), temp.data() + temp.size());
    }

    if (i == 0) {
      width = static_cast<long>(row.size());
      fixed_first = fixed;
      table.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(n));
    } else if (fixed != fixed_first) {
      throw RuntimeError(
          sprintf_m("Specimen %d has %d fixed landmarks (points before the first curve marker); "
                    "specimen 1 has %d.",
                    specimen, fixed, fixed_first));
    } else if (static_cast<long>(row.size()) != width) {
      throw RuntimeError(sprintf_m("Specimen %d gives %d values after resampling; specimen 1 gives %d.", specimen,
                                   static_cast<double>(row.size()), width));
    }
    table.insert(table.end(), row.begin(), row.end());
  }
  const long nt = width;
  set_rbreak(N + 1, static_cast<double>(nt));
  console.echo("rbreak", as_row(rbreak));

  using RowMajor = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
  Eigen::MatrixXd lmpts = Eigen::Map<const RowMajor>(table.data(), n, nt);

  if (p.ruler) {
    const long b1 = static_cast<long>(p.b1), b2 = static_cast<long>(p.b2);
    if (b1 > fixed_first || b2 > fixed_first)
      throw RuntimeError(
          sprintf_m("Specimen 1: the ruler landmarks %d and %d must be among the fixed landmarks "
                    "before the first curve, and it has %d.",
                    b1, b2, fixed_first));
    Eigen::MatrixXd kept(n, nt - 6);
    for (long i = 0; i < n; ++i) {
      const double dx = lmpts(i, 3 * b1 - 3) - lmpts(i, 3 * b2 - 3);
      const double dy = lmpts(i, 3 * b1 - 2) - lmpts(i, 3 * b2 - 2);
      const double dz = lmpts(i, 3 * b1 - 1) - lmpts(i, 3 * b2 - 1);
      const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
      if (std::isinf(d))
        throw RuntimeError(sprintf_m(
            "Specimen %d: the coordinates are too large: the square of the distance between the ruler landmarks %d "
            "and %d overflows (divide the coordinates by a power of ten).",
            i + 1, b1, b2));
      if (!(d > 0) || !std::isfinite(d))
        throw RuntimeError(
            sprintf_m("Specimen %d: the ruler landmarks %d and %d coincide, so the ruler cannot give "
                      "its scale.",
                      i + 1, b1, b2));
      const double scale = p.rlength / d;
      lmpts.row(i) *= scale;
      for (Eigen::MatrixXd& curve : clicks[i]) curve *= scale;
      long to = 0;
      for (long k = 1; k <= nt / 3; ++k) {
        if (k == b1 || k == b2) continue;
        kept.block(i, 3 * to, 1, 3) = lmpts.block(i, 3 * k - 3, 1, 3);
        ++to;
      }
    }
    lmpts = std::move(kept);
    for (double& r : rbreak) r -= 6;
  }

  if (lmpts.cols() < 3)
    throw RuntimeError(
        "The specimens give no points to keep: with this protocol each list holds only its markers, "
        "the ruler landmarks and the unused last point.");

  CutSample out;
  out.rbreak = Eigen::Map<const Eigen::RowVectorXd>(rbreak.data(), static_cast<Eigen::Index>(rbreak.size()));
  const Eigen::Index points = lmpts.cols() / 3;
  out.centred = Sample(points, n);
  out.sizes.resize(n);
  for (long i = 0; i < n; ++i) {
    const Sample configuration = vertxy3D(lmpts.row(i));
    const CentredConfiguration c = centsize3D(configuration.values());
    if (std::isinf(c.ycs) && configuration.values().allFinite())
      throw RuntimeError(
          sprintf_m("Specimen %d: the coordinates are too large: the squares in its centroid size overflow (divide the "
                    "coordinates by a power of ten).",
                    i + 1));
    out.centred.specimen(i) = c.y;
    out.sizes(i) = c.ycs;
    // The curves move with the centring of their specimen.
    const Eigen::RowVector3d shift = configuration.values().colwise().mean();
    for (Eigen::MatrixXd& curve : clicks[i]) curve.rowwise() -= shift;
  }
  out.clicks = std::move(clicks);
  return out;
}

namespace {

// A file of landmarks in any format, for a protocol without curves: every point
// is a fixed landmark.
Specimens read_fixed_landmarks(std::istream& in, const FileChoice& choice, const DetectedFormat& detected,
                               const Protocol& p, int dims, const LoadSwitches& switches, UiPort& ui) {
  const std::string& fname = choice.name;
  const std::string what =
      detected.format == LandmarkFormat::tps ? "a TPS file with LM3= headers" : format_description(detected.format);
  if (p.curves > 0)
    throw RuntimeError(
        sprintf_m("%s is %s; with curves in the protocol (%d) the first sample must be a TPS file "
                  "of digitised curves (LM= headers, each curve after a marker point or in a CURVES= block).",
                  fname, what, static_cast<double>(p.curves)));
  // A table whose columns do not tell its dimension is read as LoadFile2D or
  // TableDimension asks (LoadFile1 refuses it otherwise).
  int table_dims = dims == 2 ? 2 : 0;
  if (dims == 3 && ui.has_control("TableDimension")) {
    const double asked = ui.control_value("TableDimension");
    if (asked == 2 || asked == 3) table_dims = static_cast<int>(asked);
  }
  Specimens s = read_landmarks(in, fname, detected.format, {switches.negative_missing, Frame::lps, table_dims});
  add_picked_files(s, choice, detected.format, switches.negative_missing, ui.console());
  if (dims == 2 && s.dims == 3) {
    for (const Specimen& sp : s.specimens)
      if ((sp.points.col(2).array().abs() > 0).any())
        throw RuntimeError(fname + " holds 3D points (x y z); load it with LoadFile1.");
  }
  ui.console().write(fname + " is " + what + (s.dims == 2 ? " of 2D points (z = 0)" : "") +
                     ": every point is a fixed landmark.\n");
  return s;
}

// Our own TPS form: point lists read by the irregular reader, as specimens.
Specimens read_digitised_lists(std::istream& in, const std::string& fname, const DetectedFormat& detected,
                               const Protocol& p, int dims, const LoadSwitches& switches, UiPort& ui) {
  Console& console = ui.console();
  int file_dims = dims;
  if (dims == 3 && detected.dims == 2) {
    console.write(fname + " holds 2 numbers a point (a 2D file): it is read as LoadFile2D reads it, with z = 0.\n");
    file_dims = 2;
  }
  if (dims == 2 && detected.dims == 3)
    throw RuntimeError(fname + " holds 3 numbers a point (a 3D file); load it with LoadFile1.");
  const IrregularTps file = read_irregular_tps(in, fname, console, file_dims);
  if (!file.notice.empty()) {
    console.write(file.notice + "\n");
    ui.message_box(file.notice, "Velmora3d", MessageMode::non_modal);
  }
  in.clear();
  in.seekg(0);
  const std::vector<std::string> names = tps_specimen_names(in, fname);
  Specimens s;
  s.dims = file_dims;
  for (std::size_t j = 0; j < file.y.size(); ++j) {
    const Eigen::RowVectorXd& list = file.y[j];
    if (list.size() % 3 != 0)
      throw RuntimeError(
          sprintf_m("%s: specimen %d has %d coordinate values, which is not a whole number of "
                    "points (3 values each).",
                    fname, static_cast<double>(j + 1), static_cast<double>(list.size())));
    Specimen sp;
    sp.name = j < names.size() ? names[j] : numbered_name(j + 1);
    sp.points = point_rows(std::span(list.data(), static_cast<std::size_t>(list.size())));
    s.specimens.push_back(std::move(sp));
  }
  if (switches.negative_missing && negative_points_missing(s, p.code) > 0)
    console.write(fname +
                  ": points with a negative coordinate (other than the curve markers) are read as missing "
                  "landmarks (NegativeMissing).\n");
  if (p.curves == 0)
    console.write(fname +
                  ": with no curves in the protocol, the last point of each list is not used (in this "
                  "TPS form it ends the list).\n");
  return s;
}

// A TPS file as the digitising tools write it: landmarks under LM=, curves
// under CURVES= (or OUTLINES=) as POINTS= blocks, and no curve markers.
struct ToolTps {
  Specimens read;                                 // each specimen's landmarks, then its curve points
  std::vector<std::vector<Eigen::Index>> curves;  // each specimen's curve point counts, when they are the protocol's
};

std::string specimen_label(std::size_t i, const std::string& name) {
  const std::string number = numbered_name(i + 1);
  return name == number ? number : number + " (" + name + ")";
}

ToolTps read_tool_tps(TpsCurveFile file, const std::string& fname, const Protocol& p, int dims, UiPort& ui) {
  Console& console = ui.console();
  if (dims == 2 && file.specimens.dims == 3)
    throw RuntimeError(fname + " holds 3 numbers a point (a 3D file); load it with LoadFile1.");
  if (dims == 3 && file.specimens.dims == 2)
    console.write(fname + " holds 2 numbers a point (a 2D file): it is read as LoadFile2D reads it, with z = 0.\n");

  // Images not yet digitised (LM=0 and no curve) are left out, each named.
  ToolTps out;
  out.read.dims = file.specimens.dims;
  out.read.notes = std::move(file.specimens.notes);
  std::vector<std::vector<Eigen::MatrixXd>> curves;
  std::vector<std::size_t> number;  // each kept specimen's place in the file, from 0
  std::string empty;
  std::size_t empties = 0;
  for (std::size_t i = 0; i < file.specimens.specimens.size(); ++i) {
    Specimen& s = file.specimens.specimens[i];
    Eigen::Index points = s.points.rows();
    for (const Eigen::MatrixXd& c : file.curves[i]) points += c.rows();
    if (points == 0) {
      empty += (empties++ == 0 ? "" : ", ") + specimen_label(i, s.name);
      continue;
    }
    number.push_back(i);
    out.read.specimens.push_back(std::move(s));
    curves.push_back(std::move(file.curves[i]));
  }
  if (empties > 0)
    console.write(sprintf_m("%s: %d specimen(s) have no points (LM=0, not digitised) and are left out: %s.\n", fname,
                            static_cast<double>(empties), empty));
  if (out.read.specimens.empty()) throw RuntimeError(fname + ": no specimen has any points.");

  // Counts that must agree: every specimen that differs from the most common count is named.
  const auto refuse_differing = [&](const std::vector<long long>& counts, const std::string& what,
                                    const std::string& why) {
    std::map<long long, std::size_t> seen;
    for (long long c : counts) ++seen[c];
    if (seen.size() < 2) return;
    const auto common =
        std::max_element(seen.begin(), seen.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    constexpr std::size_t kNamed = 10;
    std::string differ;
    std::size_t named = 0;
    for (std::size_t k = 0; k < counts.size(); ++k) {
      if (counts[k] == common->first) continue;
      if (named++ < kNamed)
        differ += (named == 1 ? "" : ", ") + specimen_label(number[k], out.read.specimens[k].name) + " has " +
                  std::to_string(counts[k]);
    }
    if (named > kNamed) differ += " and " + std::to_string(named - kNamed) + " more differ";
    throw RuntimeError(fname + ": " + differ + " " + what + " where " + std::to_string(common->second) + " of the " +
                       std::to_string(counts.size()) + " specimens have " + std::to_string(common->first) + "; " + why);
  };
  std::vector<long long> landmarks, curve_counts;
  for (std::size_t k = 0; k < curves.size(); ++k) {
    landmarks.push_back(static_cast<long long>(out.read.specimens[k].points.rows()));
    curve_counts.push_back(static_cast<long long>(curves[k].size()));
  }
  const long long file_curves = *std::max_element(curve_counts.begin(), curve_counts.end());
  if (p.curves > 0) {
    refuse_differing(curve_counts, "curves (CURVES= blocks)", "each must have the protocol's curves.");
    if (file_curves == 0)
      throw RuntimeError(sprintf_m(
          "%s holds no curves: no CURVES= blocks and no curve markers (points with x = %s); the protocol has %d "
          "curves.",
          fname, format_echo_number(p.code), static_cast<double>(p.curves)));
    if (file_curves != p.curves)
      throw RuntimeError(sprintf_m("%s has %d curves a specimen (CURVES= blocks); the protocol has %d.", fname,
                                   static_cast<double>(file_curves), static_cast<double>(p.curves)));
    refuse_differing(landmarks, "landmarks",
                     "the landmarks before the curves are fixed landmarks, the same in every specimen.");
    for (std::size_t k = 0; k < curves.size(); ++k) {
      std::vector<Eigen::Index> counts;
      Specimen& s = out.read.specimens[k];
      for (const Eigen::MatrixXd& c : curves[k]) {
        counts.push_back(c.rows());
        s.points.conservativeResize(s.points.rows() + c.rows(), 3);
        s.points.bottomRows(c.rows()) = c;
      }
      out.curves.push_back(std::move(counts));
    }
    console.write(
        sprintf_m("%s is a TPS file of landmarks and curves (no curve markers): each specimen's %d landmarks are fixed "
                  "landmarks and its %d curves (CURVES=) are the protocol's curves.\n",
                  fname, static_cast<double>(landmarks.front()), static_cast<double>(p.curves)));
  } else {
    for (std::size_t k = 0; k < curves.size(); ++k) {
      Specimen& s = out.read.specimens[k];
      for (const Eigen::MatrixXd& c : curves[k]) {
        s.points.conservativeResize(s.points.rows() + c.rows(), 3);
        s.points.bottomRows(c.rows()) = c;
      }
      landmarks[k] = static_cast<long long>(s.points.rows());
    }
    refuse_differing(landmarks, "points", "with no curves in the protocol every point is a fixed landmark.");
    console.write(fname + " is a TPS file of landmarks (no curve markers): every point is a fixed landmark" +
                  (file_curves > 0 ? std::string(", the points of its curves (CURVES=) after the landmarks") : "") +
                  ".\n");
  }
  return out;
}

// The specimen point lists of our own form from the landmarks and curves of a
// tools' file: each curve after a marker, so the cutting treats both alike.
std::vector<Eigen::RowVectorXd> marked_lists(const PreparedSample& prepared, const ToolTps& tool, double code) {
  std::vector<Eigen::RowVectorXd> lists;
  for (std::size_t i = 0; i < prepared.specimens.specimens.size(); ++i) {
    const Eigen::MatrixXd& points = prepared.specimens.specimens[i].points;
    const std::vector<Eigen::Index> none;
    const std::vector<Eigen::Index>& curves = tool.curves.empty() ? none : tool.curves[prepared.kept_from[i] - 1];
    Eigen::Index curve_points = 0;
    for (Eigen::Index c : curves) curve_points += c;
    const Eigen::Index fixed = points.rows() - curve_points;
    Eigen::RowVectorXd list(3 * (points.rows() + static_cast<Eigen::Index>(curves.size())));
    Eigen::Index at = 0, from = 0;
    const auto copy = [&](Eigen::Index count) {
      for (Eigen::Index k = 0; k < count; ++k, ++from, at += 3) list.segment<3>(at) = points.row(from);
    };
    copy(fixed);
    for (Eigen::Index c : curves) {
      list.segment<3>(at) = Eigen::RowVector3d(code, 0, 0);
      at += 3;
      copy(c);
    }
    lists.push_back(std::move(list));
  }
  return lists;
}

}  // namespace

std::optional<FirstSample> load_first_sample(const Eigen::MatrixXd& proto, UiPort& ui, int dims,
                                             const Eigen::RowVectorXd& previous_rbreak) {
  const Protocol p = read_protocol(proto);  // a missing or short protocol stops before the dialog
  const std::optional<FileChoice> choice =
      ui.open_file("*.txt", dims == 2 ? "Specify 2D input file to load" : "Specify 3D input file to load");
  if (!choice) return std::nullopt;
  ui.set_working_folder(choice->folder);
  const std::string& fname = choice->name;
  const LoadSwitches switches = load_switches(ui);
  auto [in, detected] = open_picked(*choice, ui.console());
  // Our own TPS form (LM= headers and curve markers) keeps its rules; a TPS file
  // without markers is the tools' form (landmarks, CURVES= blocks); other
  // formats give fixed landmarks only.
  bool digitised = detected.format == LandmarkFormat::unknown;
  std::optional<ToolTps> tool;
  std::optional<std::string> tool_error;
  if (detected.format == LandmarkFormat::tps && !detected.lm3) {
    try {
      // Markers are looked for before NegativeMissing could take them for missing points.
      TpsCurveFile file = read_tps_curves(in, fname);
      digitised = has_curve_markers(file, p.code);
      if (!digitised && switches.negative_missing) {
        in.clear();
        in.seekg(0);
        file = read_tps_curves(in, fname, {true});
      }
      if (!digitised) tool = read_tool_tps(std::move(file), fname, p, dims, ui);
    } catch (const RuntimeError& e) {
      // Our own form's reader says more about a damaged file of ours; a file
      // it reads without markers is not ours, and the first failure stands.
      tool_error = e.what();
      digitised = true;
    }
    in.clear();
    in.seekg(0);
  }
  const Specimens read = tool        ? tool->read
                         : digitised ? read_digitised_lists(in, fname, detected, p, dims, switches, ui)
                                     : read_fixed_landmarks(in, *choice, detected, p, dims, switches, ui);
  // A table the user said holds 2D points (TableDimension) makes a 2D study, as LoadFile2D would.
  if (dims == 3 && !tool && !digitised && read.dims == 2 && ui.has_control("TableDimension") &&
      ui.control_value("TableDimension") == 2)
    dims = 2;
  if (tool_error && !std::any_of(read.specimens.begin(), read.specimens.end(),
                                 [&p](const Specimen& s) { return (s.points.col(0).array() == p.code).any(); }))
    throw RuntimeError(*tool_error);
  const PreparedSample prepared = prepare_sample(read, fname, switches, ui.console());
  std::vector<Eigen::RowVectorXd> lists;
  if (tool) {
    lists = marked_lists(prepared, *tool, p.code);
  } else {
    for (const Specimen& s : prepared.specimens.specimens) {
      const Eigen::Matrix<double, Eigen::Dynamic, 3, Eigen::RowMajor> rows = s.points;
      lists.emplace_back(Eigen::Map<const Eigen::RowVectorXd>(rows.data(), rows.size()));
    }
  }
  // What is wrong with a specimen is said with the file it is in.
  const auto in_file = [&fname](const RuntimeError& e) { return RuntimeError(fname + ": " + e.what()); };
  CutSample cut;
  try {
    cut = cut_specimens(lists, proto, ui.console(), dims != 2, previous_rbreak, digitised);
  } catch (const RuntimeError& e) {
    throw in_file(e);
  }

  // Superimpose before the window opens, so a failure leaves no window behind;
  // the echoes still come after the window's.
  DeferredConsole deferred;
  Superimposition sup;
  try {
    sup = getpproc3(cut.centred, &deferred);
  } catch (const RuntimeError& e) {
    deferred.pass_on(ui.console());
    throw in_file(e);
  } catch (...) {
    deferred.pass_on(ui.console());
    throw;
  }
  Graphics& graphics = ui.graphics();
  const Handle fgg2 = graphics.new_figure();
  ui.console().echo("fgg2", static_cast<double>(fgg2));
  deferred.pass_on(ui.console());
  showshape3D(graphics, Sample(sup.mean), sample_style(1).mean);
  showshape3D(graphics, sup.aligned, sample_style(1).specimens);
  if (dims == 2) campos(graphics, Eigen::Vector3d(0, 0, 10));

  FirstSample out;
  out.rbreak = std::move(cut.rbreak);
  out.data1 = std::move(sup.aligned);
  out.data1cs = std::move(cut.sizes);
  out.mean1 = std::move(sup.mean);
  out.fname = fname;
  out.more = choice->more;
  out.curves1 = std::move(cut.clicks);
  for (Eigen::Index i = 0; i < out.data1.count(); ++i) {
    const Similarity s = similarity_fit(cut.centred.specimen(i), out.data1.specimen(i));
    for (Eigen::MatrixXd& curve : out.curves1[static_cast<std::size_t>(i)]) curve = s.of(curve);
  }
  out.names = sample_names(prepared, read.specimens.size());
  out.columns = prepared.specimens.columns;
  out.dims = dims;
  return out;
}

}  // namespace velmora
