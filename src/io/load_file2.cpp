#include "io/load_file2.h"

#include <cmath>

#include "geometry/centsize3D.h"
#include "geometry/superimpose_second.h"
#include "geometry/vertxy3D.h"
#include "io/deferred_console.h"
#include "io/dload2c.h"
#include "io/formats/detect_format.h"
#include "io/formats/landmark_file.h"
#include "io/formats/tps_format.h"
#include "io/gettpsfile3D.h"
#include "io/load_switches.h"
#include "io/open_input.h"
#include "io/prepare_sample.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {

SecondSample fit_second_sample(const Eigen::MatrixXd& rows, const Eigen::MatrixXd& mean1, Console* console) {
  if (mean1.size() == 0)
    throw RuntimeError("No first sample is loaded: load one with LoadFile1 or LoadFile2D before LoadFile2.");
  const Eigen::Index m = rows.rows();
  const Eigen::Index points = rows.cols() / 3;
  if (m == 0) throw RuntimeError("The second sample holds no specimens.");
  if (points != mean1.rows())
    throw RuntimeError(
        sprintf_m("The second sample has %d points per specimen; the first sample has %d. Both "
                  "samples must have the same points.",
                  static_cast<double>(points), static_cast<double>(mean1.rows())));
  SecondSample out;
  Sample data2(points, m);
  out.data2cs.resize(m);
  for (Eigen::Index i = 0; i < m; ++i) {
    for (Eigen::Index k = 0; k < 3 * points; ++k)
      if (!std::isfinite(rows(i, k)))
        throw RuntimeError(
            sprintf_m("Specimen %d of the second sample: point %d has a coordinate that is not a "
                      "finite number.",
                      static_cast<double>(i + 1), static_cast<double>(k / 3 + 1)));
    const CentredConfiguration c = centsize3D(vertxy3D(rows.row(i)).values());
    if (std::isinf(c.ycs))
      throw RuntimeError(
          sprintf_m("Specimen %d of the second sample: the coordinates are too large: the squares in its centroid size "
                    "overflow (divide the coordinates by a power of ten).",
                    static_cast<double>(i + 1)));
    data2.specimen(i) = c.y;
    out.data2cs(i) = c.ycs;
  }
  Superimposition sup = superimpose_second(data2, mean1, console);
  out.data2 = std::move(sup.aligned);
  out.mean2 = std::move(sup.mean);
  return out;
}

namespace {

// Flat rows (x1 y1 z1 ... and perhaps more values after the last point) as
// specimens of floor(c / 3) points with the given names, else numbered.
Specimens rows_as_specimens(const Eigen::MatrixXd& rows, const std::vector<std::string>& names) {
  Specimens out;
  const Eigen::Index points = rows.cols() / 3;
  for (Eigen::Index i = 0; i < rows.rows(); ++i) {
    Specimen s;
    s.name = static_cast<std::size_t>(i) < names.size() ? names[i] : numbered_name(static_cast<std::size_t>(i) + 1);
    s.points.resize(points, 3);
    for (Eigen::Index k = 0; k < points; ++k) s.points.row(k) = rows.block(i, 3 * k, 1, 3);
    out.specimens.push_back(std::move(s));
  }
  return out;
}

enum class Route { table, tps, other };

// Which reader a second sample goes to: the one the switch names unless the
// content shows another format.
Route route_of(const DetectedFormat& d, bool table_switch) {
  if (d.format == LandmarkFormat::flat_table || (d.format == LandmarkFormat::unknown && table_switch))
    return Route::table;
  if (d.format == LandmarkFormat::unknown || (d.format == LandmarkFormat::tps && !d.lm3 && d.dims != 2 && !d.tools))
    return Route::tps;
  return Route::other;
}

std::string what_it_is(const DetectedFormat& d) {
  if (d.format == LandmarkFormat::tps && d.dims == 2) return "a 2D TPS file (2 numbers a point; z is 0)";
  if (d.format == LandmarkFormat::tps && d.tools) return "a TPS file of landmarks and curves (CURVES= blocks)";
  if (d.format == LandmarkFormat::tps) return "a TPS file with LM3= headers";
  return format_description(d.format);
}

}  // namespace

std::optional<SecondSample> load_file2(const Eigen::MatrixXd& mean1, UiPort& ui) {
  const double zepreq = ui.control_value("ZEPButton");
  ui.console().echo("zepreq", zepreq);
  if (mean1.size() == 0)
    throw RuntimeError("No first sample is loaded: load one with LoadFile1 or LoadFile2D before LoadFile2.");

  const bool table_switch = zepreq != 0;
  const std::optional<FileChoice> choice = table_switch ? ui.open_file("*.*", "Enter file to Load?")
                                                        : ui.open_file("*.txt", "Specify 3D input file to load");
  if (!choice) return std::nullopt;
  ui.set_working_folder(choice->folder);
  const std::string& fname = choice->name;
  const LoadSwitches switches = load_switches(ui);
  auto [in, detected] = open_picked(*choice, ui.console());
  const Route route = route_of(detected, table_switch);
  Console& console = ui.console();
  if (route == Route::table && !table_switch)
    console.write(fname +
                  " is a table of flat rows, not a TPS file: it is read as a table (the table switch "
                  "ZEPButton is off).\n");
  if (route == Route::tps && table_switch)
    console.write(fname +
                  " is a TPS file, not a table of flat rows: it is read as a TPS file (the table switch "
                  "ZEPButton is on).\n");
  if (route == Route::other) console.write(fname + " is " + what_it_is(detected) + "; it is read as one.\n");
  // A file of no known format goes to the reader the switch names; its failure names the switch.
  const std::string switch_hint =
      detected.format != LandmarkFormat::unknown ? ""
      : table_switch ? " (The table switch ZEPButton is on, so the file was read as a table of flat rows.)"
                     : " (The table switch ZEPButton is off, so the file was read as a TPS file; turn it on for a "
                       "table of flat rows.)";

  Specimens read;
  if (route == Route::table) {
    CommentedTable table;
    try {
      table = dload2c(in, fname, ui);
    } catch (const RuntimeError& e) {
      throw RuntimeError(e.what() + switch_hint);
    }
    const Eigen::Index columns = table.table.cols();
    if (columns < 3)
      throw RuntimeError(
          sprintf_m("%s has %d columns; a specimen row needs x, y and z of each point (and its "
                    "centroid size last).",
                    fname, static_cast<double>(columns)));
    if (columns % 3 != 1)
      console.write(sprintf_m("%s: rows of %d values hold %d landmarks (x y z) and no size column was found%s.\\n",
                              fname, static_cast<double>(columns), static_cast<double>(columns / 3),
                              columns % 3 == 2 ? std::string("; their last 2 values are not used") : std::string()));
    read = rows_as_specimens(table.table, {});
  } else if (route == Route::tps) {
    TpsFile tps;
    try {
      tps = gettpsfile3D(in, fname);
    } catch (const RuntimeError& e) {
      throw RuntimeError(e.what() + switch_hint);
    }
    if (!tps.notice.empty()) {
      console.write(tps.notice + "\n");
      ui.message_box(tps.notice, "Velmora3d", MessageMode::non_modal);
    }
    in.clear();
    in.seekg(0);
    read = rows_as_specimens(tps.y, tps_specimen_names(in, fname));
    if (switches.negative_missing && negative_points_missing(read, std::nan("")) > 0)
      console.write(fname + ": points with a negative coordinate are read as missing landmarks (NegativeMissing).\n");
  } else {
    read = read_landmarks(in, fname, detected.format, {switches.negative_missing, Frame::lps});
    add_picked_files(read, *choice, detected.format, switches.negative_missing, console);
    const std::string empty = leave_out_empty(read, fname);
    if (!empty.empty()) console.write(empty + "\n");
    flat_rows(read, fname);  // the same points in every specimen
  }
  PreparedSample sample = prepare_sample(read, fname, switches, console);
  const Eigen::MatrixXd rows = flat_rows(sample.specimens, fname);
  const double nd = static_cast<double>(rows.rows());
  const double landmarks = static_cast<double>(rows.cols() / 3);

  // Fit first, so a failure leaves FileBox2 as it was; the echoes keep their order.
  DeferredConsole deferred;
  SecondSample out;
  try {
    out = fit_second_sample(rows, mean1, &deferred);
  } catch (const RuntimeError& e) {
    deferred.pass_on(ui.console());
    throw RuntimeError(fname + ": " + e.what());  // said with the file the sample is in
  } catch (...) {
    deferred.pass_on(console);
    throw;
  }
  out.fname = fname;
  out.more = choice->more;
  out.from_table = route == Route::table;
  const Handle h = ui.control_handle("FileBox2");
  console.echo("h", static_cast<double>(h));
  ui.set_control_string("FileBox2", sprintf_m("%s \\nhas %i specimens \\nwith %i landmarks", fname, nd, landmarks));
  deferred.pass_on(console);
  out.names = sample_names(sample, read.specimens.size());
  out.columns = sample.specimens.columns;
  return out;
}

}  // namespace velmora
