#include "stats/goodallf.h"

#include "stats/fcdf.h"
#include "stats/goodall_statistic.h"
#include "stats/result_texts.h"

namespace velmora {

void goodall_f_action(const TwoSamples& samples, UiPort& ui) {
  check_samples("GoodallF", samples);
  check_comparison("GoodallF", samples, {});
  const GoodallStatistic g = goodall_statistic(samples);
  // Shape space dimension: p landmarks in m dimensions less translation,
  // rotation and scale (3p - 7 in space). A flat study (every z zero) has
  // m = 2: 2p - 4. Neither count is rounded.
  const double m = flat_study(samples) ? 2 : g.m;
  const double df1 = g.k * m - m - m * (m - 1) / 2 - 1;
  const double df2 = (g.count1 + g.count2 - 2) * df1;
  const double plevel = 1 - fcdf(Eigen::MatrixXd::Constant(1, 1, g.fscore), Eigen::MatrixXd::Constant(1, 1, df1),
                                 Eigen::MatrixXd::Constant(1, 1, df2))(0, 0);
  const std::string stemp2 = goodall_text(g.db, g.fscore, df1, df2, plevel);
  const Handle h = ui.message_box(stemp2, "Results of Goodall F-Test", MessageMode::non_modal);
  ui.console().echo("h", static_cast<double>(h));
  ui.result({"GoodallF", {{"statistic", g.fscore}, {"df1", df1}, {"df2", df2}, {"p", plevel}}});
}

}  // namespace velmora
