#include "stats/permutevariance.h"

#include <string>

#include "geometry/vertxy3D.h"
#include "geometry/x1y1z1.h"
#include "stats/busy_pointer.h"
#include "stats/cutoffs.h"
#include "stats/getdisparity.h"
#include "stats/resampling_sets.h"
#include "stats/result_texts.h"

namespace velmora {

void permuteVariance(const TwoSamples& samples, UiPort& ui) {
  const std::string action = "PermuteVariance";
  check_samples(action, samples);
  check_centroid_sizes(action, samples);
  const std::int64_t nboots = resampling_sets(action, ui.control_value("BootBox"));

  detail::BusyPointer pointer(ui);
  const double d1 = sample_variance(samples.mean1, samples.data1);
  const double d2 = sample_variance(samples.mean2, samples.data2);
  const double obsdifd = std::fabs(d1 - d2);

  // Deviation rows: each specimen's flat row less its own sample's flat mean
  // row, computed once; the first sample's rows above the second's.
  const Sample& data1 = samples.data1;
  const Sample& data2 = samples.data2;
  const int n1 = static_cast<int>(data1.count());
  const int n2 = static_cast<int>(data2.count());
  const int tcnt = n1 + n2;
  const Eigen::RowVectorXd flat_mean1 = x1y1z1(samples.mean1, 1);
  const Eigen::RowVectorXd flat_mean2 = x1y1z1(samples.mean2, 1);
  Eigen::MatrixXd ctemp(tcnt, flat_mean1.size());
  for (int i = 0; i < n1; ++i)
    ctemp.row(i) = x1y1z1(data1.specimen(i), samples.data1cs(i)) - flat_mean1;
  for (int i = 0; i < n2; ++i)
    ctemp.row(n1 + i) = x1y1z1(data2.specimen(i), samples.data2cs(i)) - flat_mean2;

  // Every deviation rebuilt around either mean, so that a set only picks
  // specimens: pool entry k around mean1, entry tcnt + k around mean2.
  Sample rebuilt(data1.points(), 2 * tcnt);
  std::vector<std::string> names;
  for (int g = 0; g < 2; ++g) {
    const Eigen::RowVectorXd& flat_mean = g == 0 ? flat_mean1 : flat_mean2;
    for (int k = 0; k < tcnt; ++k) {
      const Eigen::RowVectorXd row = ctemp.row(k) + flat_mean;
      rebuilt.specimen(g * tcnt + k) = vertxy3D(row).specimen(0);
      names.push_back("the deviation of specimen " + std::to_string(k < n1 ? k + 1 : k - n1 + 1) + " of the " +
                      (k < n1 ? "first" : "second") + " sample rebuilt around the " + (g == 0 ? "first" : "second") +
                      " mean");
    }
  }
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

  // Only a permuted difference strictly above the observed one counts.
  double overcount = 0;
  for (double d : sets.bdifd)
    if (d > obsdifd) overcount += 1;
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
              {"sets", sets_count},
              {"seed", static_cast<double>(seed)}}});
}

}  // namespace velmora
