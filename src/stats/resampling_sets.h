// Running the sets of a resampling test in parallel, reproducibly.
#pragma once

#include <Eigen/Dense>
#include <cstdint>
#include <functional>
#include <vector>

#include "stats/resampling_blocks.h"
#include "stats/resampling_engine.h"

namespace velmora {

/// How the two groups of a set are drawn from the pool.
enum class GroupDraw { bootstrap, permutation };

/// Called from the calling thread between chunks of sets with the number of
/// sets done and the total; returning false cancels the run.
using SetProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

/// The per-set values of an F test, in set order (set k at index k).
struct FSets {
  std::vector<double> bdb, bdbc, bd1sum, bd2sum, bfscore;
  /// The first group's consensus of the last set (p by 3).
  Eigen::MatrixXd last_bmean1;
  bool cancelled = false;
  /// The path the sets took, and how many of them the blocks handed back to
  /// be computed on the points.
  ResamplingPath path = ResamplingPath::points;
  std::int64_t on_points = 0;
};

/// Runs `nboots` F sets on a pool of n1 + n2 specimens, groups of n1 and n2.
/// Set k draws from RandomStream(seed, k) only, so the result does not depend
/// on the number of threads (oneTBB runs the sets). `path` chooses between
/// the pass over the points and the blocks (resampling_blocks.h); the draws
/// are the same either way and the numbers agree to rounding.
FSets run_fscore_sets(const ResamplingPool& pool, int n1, int n2, GroupDraw draw, std::int64_t nboots,
                      std::uint64_t seed, const SetProgress& progress = {},
                      ResamplingPath path = ResamplingPath::automatic);

/// The per-set absolute differences of the variance permutation test.
struct VarianceSets {
  std::vector<double> bdifd;
  bool cancelled = false;
  ResamplingPath path = ResamplingPath::points;
  std::int64_t on_points = 0;
};

/// Runs `nboots` permutations on a pool of 2 (n1 + n2) specimens: deviation k
/// rebuilt around the first mean at k, around the second mean at n1 + n2 + k.
/// Each set orders the deviations at random; the first n1 form group 1 (around
/// the first mean), the rest group 2 (around the second mean). `path` as for
/// run_fscore_sets (the blocks of each half of the pool).
VarianceSets run_variance_sets(const ResamplingPool& pool, int n1, int n2, std::int64_t nboots, std::uint64_t seed,
                               const SetProgress& progress = {}, ResamplingPath path = ResamplingPath::automatic);

/// The number of sets run between two progress calls.
std::int64_t progress_chunk(std::int64_t nboots);

}  // namespace velmora
