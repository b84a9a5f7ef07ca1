#include "stats/permutevariance.h"

#include <cmath>
#include <string>

#include "runtime/busy_pointer.h"
#include "stats/cutoffs.h"
#include "stats/deviation_pool.h"
#include "stats/getdisparity.h"
#include "stats/resampling_sets.h"
#include "stats/result_texts.h"

namespace velmora {

void permute_variance_action(const TwoSamples& samples, UiPort& ui) {
  const std::string action = "PermuteVariance";
  check_samples(action, samples);
  check_comparison(action, samples, {.each = 2, .total = 4});
  check_centroid_sizes(action, samples);
  const std::int64_t nboots = resampling_sets(action, ui.control_value("BootBox"));

  detail::BusyPointer pointer(ui);
  const double d1 = sample_variance(samples.mean1, samples.data1);
  const double d2 = sample_variance(samples.mean2, samples.data2);
  const double obsdifd = std::fabs(d1 - d2);

  const int n1 = static_cast<int>(samples.data1.count());
  const int n2 = static_cast<int>(samples.data2.count());
  std::vector<std::string> names;
  const Sample rebuilt = deviation_pool(samples, &names);
  const ResamplingPool pool = make_resampling_pool(rebuilt, names);

  const std::uint64_t seed = ui.seed();
  std::int64_t reached = 0;
  VarianceSets sets = run_variance_sets(pool, n1, n2, nboots, seed, [&](std::int64_t done, std::int64_t total) {
    reached = done;
    return ui.progress(action, done, total);
  });
  if (sets.cancelled) {
    pointer.arrow();
    ui.console().write(detail::cancelled_text(action, reached, nboots));
    return;
  }

  const double overcount = count_above(sets.bdifd, obsdifd);
  const double p_resampling = resampling_p_value(sets.bdifd, obsdifd);
  sort_ascending(sets.bdifd);
  const auto sets_count = static_cast<double>(nboots);
  const double bdif95 = sets.bdifd[static_cast<size_t>(cutoff_position(0.95, nboots) - 1)];
  const double plevel = overcount * 100 / sets_count;

  pointer.arrow();
  ui.set_control_string("ResultsBox", permute_variance_text(d1, d2, obsdifd, sets_count, bdif95, plevel));
  ui.result({action,
             {{"statistic", obsdifd},
              {"variance1", d1},
              {"variance2", d2},
              {"cutoff5", bdif95},
              {"p", overcount / sets_count},
              {"p_resampling", p_resampling},
              {"sets", sets_count},
              {"seed", seed}}});
}

}  // namespace velmora
