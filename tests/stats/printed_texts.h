// What BootF, PermuteF and PermuteVariance print for a study (the boxes'
// texts and BootF's echoes), with their sets run on a chosen path, so that
// the paths can be compared on what a user reads.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "runtime/console.h"
#include "stats/comparison_input.h"
#include "stats/cutoffs.h"
#include "stats/deviation_pool.h"
#include "stats/getdisparity.h"
#include "stats/goodall_statistic.h"
#include "stats/resampling_sets.h"
#include "stats/result_texts.h"

namespace velmora::testing {

struct PrintedTexts {
  std::string text;                     // the three results and BootF's echoes
  std::vector<double> cutoffs;          // the F cut-offs and the 95th percentile
  std::vector<std::int64_t> on_points;  // sets the blocks handed back, per test
};

inline PrintedTexts printed_texts(const TwoSamples& two, ResamplingPath path, std::int64_t nboots, std::uint64_t seed) {
  PrintedTexts out;
  const GoodallStatistic observed = goodall_statistic(two);
  const int n1 = static_cast<int>(two.data1.count()), n2 = static_cast<int>(two.data2.count());
  Sample jumbo(two.data1.points(), n1 + n2);
  jumbo.values() << two.data1.values(), two.data2.values();
  const ResamplingPool pool = make_resampling_pool(jumbo);
  for (GroupDraw draw : {GroupDraw::bootstrap, GroupDraw::permutation}) {
    FSets sets = run_fscore_sets(pool, n1, n2, draw, nboots, seed, {}, path);
    Eigen::MatrixXd table(10, 4);
    for (int i = 0; i < 10; ++i)
      table.row(i) << sets.bdb[i] * sets.bdb[i], sets.bdbc[i], sets.bd1sum[i], sets.bd2sum[i];
    const Cutoffs cut = f_cutoffs(sets.bfscore);
    out.text += resampling_f_text(draw == GroupDraw::permutation, observed.db, observed.fscore, cut.five_percent,
                                  cut.one_percent, static_cast<double>(nboots)) +
                "\n";
    if (draw == GroupDraw::bootstrap) out.text += format_echo("ans", table) + format_echo("bmean1", sets.last_bmean1);
    out.cutoffs.insert(out.cutoffs.end(), {cut.five_percent, cut.one_percent});
    out.on_points.push_back(sets.on_points);
  }
  const double d1 = sample_variance(two.mean1, two.data1), d2 = sample_variance(two.mean2, two.data2);
  const double obsdifd = std::fabs(d1 - d2);
  VarianceSets sets = run_variance_sets(make_resampling_pool(deviation_pool(two)), n1, n2, nboots, seed, {}, path);
  const double overcount = count_above(sets.bdifd, obsdifd);
  sort_ascending(sets.bdifd);
  const double bdif95 = sets.bdifd[static_cast<size_t>(cutoff_position(0.95, nboots) - 1)];
  out.text += permute_variance_text(d1, d2, obsdifd, static_cast<double>(nboots), bdif95,
                                    overcount * 100 / static_cast<double>(nboots));
  out.cutoffs.push_back(bdif95);
  out.on_points.push_back(sets.on_points);
  return out;
}

}  // namespace velmora::testing
