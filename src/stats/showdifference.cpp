#include "stats/showdifference.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "display/difference_plot.h"
#include "geometry/deformation_grid.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {

void show_difference_action(const TwoSamples& samples, const Eigen::MatrixXd& wirelist, Handle figure, UiPort& ui) {
  check_samples("ShowDifference", samples);
  const double chosen = ui.control_value("DiffScale");
  if (!std::isfinite(chosen) || chosen < 0 || chosen > 1e6)
    throw RuntimeError(
        "ShowDifference: the exaggeration chosen in DiffScale must be a number above 0 (1, 3, 5, "
        "10, ...); it is " +
        sprintf_m("%g", chosen) + ".");
  const bool flat = flat_study(samples);
  const Eigen::MatrixXd& mean1 = samples.mean1;
  const Eigen::MatrixXd change = samples.mean2 - mean1;
  const Eigen::Index p = mean1.rows();
  const Eigen::VectorXd lengths = change.rowwise().norm();
  const double factor = exaggeration_for(chosen, mean1, lengths);

  DifferencePlot plot;
  plot.from = mean1;
  plot.to = mean1 + factor * change;
  plot.lengths = lengths;
  plot.wirelist = wirelist;
  plot.flat = flat;
  plot.factor = factor;
  std::string grid_problem;
  try {
    const int m = flat ? 2 : 3;
    // In space three planes of 20 lines each way would hide the shape: 10.
    plot.grid = deformation_grid(plot.from.leftCols(m), plot.to.leftCols(m), flat ? 20 : 10);
  } catch (const RuntimeError& e) {
    grid_problem = e.what();
  }
  plot_difference(ui.graphics(), figure, plot);

  std::vector<Eigen::Index> order(p);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](Eigen::Index a, Eigen::Index b) { return plot.lengths(a) > plot.lengths(b); });
  std::string text =
      sprintf_m("Mean 1 to mean 2, %i points: largest displacements at landmark", static_cast<double>(p));
  text += p > 1 ? "s" : "";
  for (Eigen::Index k = 0; k < std::min<Eigen::Index>(5, p); ++k)
    text += sprintf_m(k == 0 ? " %i (%.4f)" : ", %i (%.4f)", static_cast<double>(order[k] + 1), plot.lengths(order[k]));
  text += sprintf_m("; vectors x %g", factor);
  ui.set_control_string("ResultsBox", text);
  if (!grid_problem.empty()) {
    const std::string message = "ShowDifference draws no deformation grid (the vectors are drawn): " + grid_problem;
    ui.console().write(message + "\n");
    ui.message_box_with_icon(message, "Deformation grid", MessageMode::non_modal, "warn");
  }

  Eigen::MatrixXd table(p, 5);
  for (Eigen::Index i = 0; i < p; ++i)
    table.row(i) << static_cast<double>(i + 1), change(i, 0), change(i, 1), change(i, 2), plot.lengths(i);
  std::vector<double> ranked;
  for (Eigen::Index i : order) ranked.push_back(static_cast<double>(i + 1));
  ui.result(
      {"ShowDifference",
       {{"factor", factor}, {"displacement", table}, {"order", ranked}, {"grid", grid_problem.empty() ? 1.0 : 0.0}}});
}

}  // namespace velmora
