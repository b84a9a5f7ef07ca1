#include "io/load_file2.h"

#include <cmath>

#include "geometry/centsize3D.h"
#include "geometry/superimpose_second.h"
#include "geometry/vertxy3D.h"
#include "io/deferred_console.h"
#include "io/gettpsfile3D.h"
#include "io/mfload.h"
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
    data2.specimen(i) = c.y;
    out.data2cs(i) = c.ycs;
  }
  Superimposition sup = superimpose_second(data2, mean1, console);
  out.data2 = std::move(sup.aligned);
  out.mean2 = std::move(sup.mean);
  return out;
}

std::optional<SecondSample> load_file2(const Eigen::MatrixXd& mean1, UiPort& ui) {
  const double zepreq = ui.control_value("ZEPButton");
  ui.console().echo("zepreq", zepreq);
  if (mean1.size() == 0)
    throw RuntimeError("No first sample is loaded: load one with LoadFile1 or LoadFile2D before LoadFile2.");

  Eigen::MatrixXd rows;
  std::string fname;
  double nd = 0, md = 0;
  if (zepreq != 0) {
    std::optional<LoadedTable> table = mfload(ui);
    if (!table) return std::nullopt;
    if (table->table.cols() < 3)
      throw RuntimeError(
          sprintf_m("%s has %d columns; a specimen row needs x, y and z of each point (and its "
                    "centroid size last).",
                    table->fname, static_cast<double>(table->table.cols())));
    rows = std::move(table->table);
    fname = table->fname;
    nd = static_cast<double>(rows.rows());
    md = static_cast<double>(rows.cols()) - 1;
  } else {
    std::optional<TpsFile> tps = gettpsfile3D(ui);
    if (!tps) return std::nullopt;
    rows = std::move(tps->y);
    fname = tps->fname;
    nd = static_cast<double>(rows.rows());
    md = static_cast<double>(rows.cols());
  }

  // Fit first, so a failure leaves FileBox2 as it was; the echoes keep their order.
  DeferredConsole deferred;
  SecondSample out;
  try {
    out = fit_second_sample(rows, mean1, &deferred);
  } catch (...) {
    deferred.pass_on(ui.console());
    throw;
  }
  out.fname = fname;
  out.from_table = zepreq != 0;
  const Handle h = ui.control_handle("FileBox2");
  ui.console().echo("h", static_cast<double>(h));
  ui.set_control_string("FileBox2", sprintf_m("%s \\nhas %i specimens \\nwith %i landmarks", fname, nd, md / 3));
  deferred.pass_on(ui.console());
  return out;
}

}  // namespace velmora
