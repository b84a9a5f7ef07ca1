#include "stats/bootf.h"

#include <string>

#include "runtime/busy_pointer.h"
#include "stats/cutoffs.h"
#include "stats/goodall_statistic.h"
#include "stats/resampled_f_test.h"
#include "stats/resampling_sets.h"
#include "stats/result_texts.h"

namespace velmora {
namespace detail {

void resampled_f_test(const TwoSamples& samples, UiPort& ui, GroupDraw draw) {
  const bool bootstrap = draw == GroupDraw::bootstrap;
  const std::string action = bootstrap ? "BootF" : "PermuteF";
  check_samples(action, samples);
  // Bootstrap groups drawn from 2 + 2 specimens are one specimen repeated in
  // both groups in 1 set of 16 (an F of rounding over rounding), from 3 + 3 in
  // 1 of 1,296.
  if (bootstrap)
    check_comparison(action, samples,
                     {.each = 3,
                      .total = 6,
                      .why_each = "bootstrap groups drawn from fewer are too often one specimen "
                                  "repeated, whose F scores mean nothing"});
  else
    check_comparison(action, samples, {});
  const std::int64_t nboots = resampling_sets(action, ui.control_value("BootBox"));

  BusyPointer pointer(ui);
  const GoodallStatistic observed = goodall_statistic(samples);

  // The pooled sample: the first sample's specimens, then the second's.
  const Sample& data1 = samples.data1;
  const Sample& data2 = samples.data2;
  const int n1 = static_cast<int>(data1.count());
  const int n2 = static_cast<int>(data2.count());
  Sample jumbo(data1.points(), n1 + n2);
  jumbo.values().leftCols(3 * n1) = data1.values();
  jumbo.values().rightCols(3 * n2) = data2.values();
  std::vector<std::string> names;
  for (int i = 0; i < n1; ++i) names.push_back("specimen " + std::to_string(i + 1) + " of the first sample");
  for (int i = 0; i < n2; ++i) names.push_back("specimen " + std::to_string(i + 1) + " of the second sample");
  const ResamplingPool pool = make_resampling_pool(jumbo, names);

  const std::uint64_t seed = ui.seed();
  std::int64_t reached = 0;
  FSets sets = run_fscore_sets(pool, n1, n2, draw, nboots, seed, [&](std::int64_t done, std::int64_t total) {
    reached = done;
    return ui.progress(action, done, total);
  });
  if (sets.cancelled) {
    pointer.arrow();
    ui.console().write(cancelled_text(action, reached, nboots));
    return;
  }

  // The console table shows the first ten sets in the order computed.
  Eigen::MatrixXd table(10, 4);
  if (bootstrap) {
    for (int i = 0; i < 10; ++i) {
      table(i, 0) = sets.bdb[i] * sets.bdb[i];
      table(i, 1) = sets.bdbc[i];
      table(i, 2) = sets.bd1sum[i];
      table(i, 3) = sets.bd2sum[i];
    }
  }
  const double p_resampling = resampling_p_value(sets.bfscore, observed.fscore);
  const Cutoffs cut = f_cutoffs(sets.bfscore);
  const auto sets_count = static_cast<double>(nboots);
  const std::string stemp2 =
      resampling_f_text(!bootstrap, observed.db, observed.fscore, cut.five_percent, cut.one_percent, sets_count);
  pointer.arrow();
  ui.message_box(stemp2, bootstrap ? "Results of Bootstrap F-Test" : "Results of Permutation F-Test",
                 MessageMode::non_modal);
  if (bootstrap) {
    ui.console().echo("ans", table);
    ui.console().echo("bmean1", sets.last_bmean1);
  }
  ui.result({action,
             {{"statistic", observed.fscore},
              {"cutoff5", cut.five_percent},
              {"cutoff1", cut.one_percent},
              {"p_resampling", p_resampling},
              {"sets", sets_count},
              {"seed", seed}}});
}

}  // namespace detail

void boot_f_action(const TwoSamples& samples, UiPort& ui) { detail::resampled_f_test(samples, ui, GroupDraw::bootstrap); }

}  // namespace velmora
