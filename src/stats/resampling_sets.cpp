#include "stats/resampling_sets.h"

#include <oneapi/tbb/blocked_range.h>
#include <oneapi/tbb/enumerable_thread_specific.h>
#include <oneapi/tbb/parallel_for.h>

#include <algorithm>

#include "runtime/random.h"

namespace velmora {
namespace {

// Runs body(set, workspace) for every set in chunks, calling progress between
// chunks from this thread. Returns false when cancelled.
template <typename Body>
bool run_chunked(std::int64_t nboots, Eigen::Index points, int largest_group, int pool_count,
                 const SetProgress& progress, Body body) {
  tbb::enumerable_thread_specific<SetWorkspace> workspaces(
      [&] { return SetWorkspace(points, largest_group, pool_count); });
  const std::int64_t chunk = progress_chunk(nboots);
  for (std::int64_t begin = 0; begin < nboots; begin += chunk) {
    const std::int64_t end = std::min(nboots, begin + chunk);
    tbb::parallel_for(tbb::blocked_range<std::int64_t>(begin, end, 1),
                      [&](const tbb::blocked_range<std::int64_t>& range) {
                        SetWorkspace& work = workspaces.local();
                        for (std::int64_t set = range.begin(); set != range.end(); ++set) body(set, work);
                      });
    if (progress && !progress(end, nboots)) return false;
  }
  return true;
}

}  // namespace

std::int64_t progress_chunk(std::int64_t nboots) { return std::clamp<std::int64_t>(nboots / 50, 32, 512); }

FSets run_fscore_sets(const ResamplingPool& pool, int n1, int n2, GroupDraw draw, std::int64_t nboots,
                      std::uint64_t seed, const SetProgress& progress) {
  FSets out;
  const auto n = static_cast<size_t>(nboots);
  out.bdb.resize(n);
  out.bdbc.resize(n);
  out.bd1sum.resize(n);
  out.bd2sum.resize(n);
  out.bfscore.resize(n);
  const int tcnt = n1 + n2;
  const double count1 = n1, count2 = n2;
  const bool done =
      run_chunked(nboots, pool.points, std::max(n1, n2), tcnt, progress, [&](std::int64_t set, SetWorkspace& work) {
        RandomStream random(seed, static_cast<std::uint64_t>(set));
        work.group1.resize(n1);
        work.group2.resize(n2);
        if (draw == GroupDraw::bootstrap)
          draw_bootstrap_groups(random, tcnt, work.group1, work.group2);
        else
          draw_permutation_groups(random, tcnt, work.order, work.group1, work.group2);
        const FSet f = fscore_set(pool, work.group1, work.group2, count1, count2, work);
        out.bdb[set] = f.bdb;
        out.bdbc[set] = f.bdbc;
        out.bd1sum[set] = f.bdist1;
        out.bd2sum[set] = f.bdist2;
        out.bfscore[set] = f.fscore;
        if (set == nboots - 1) out.last_bmean1 = work.mean1;
      });
  out.cancelled = !done;
  return out;
}

VarianceSets run_variance_sets(const ResamplingPool& pool, int n1, int n2, std::int64_t nboots, std::uint64_t seed,
                               const SetProgress& progress) {
  VarianceSets out;
  out.bdifd.resize(static_cast<size_t>(nboots));
  const int tcnt = n1 + n2;
  const bool done =
      run_chunked(nboots, pool.points, std::max(n1, n2), tcnt, progress, [&](std::int64_t set, SetWorkspace& work) {
        RandomStream random(seed, static_cast<std::uint64_t>(set));
        work.group1.resize(n1);
        work.group2.resize(n2);
        draw_permutation_groups(random, tcnt, work.order, work.group1, work.group2);
        // Deviations placed in the second group are rebuilt around the second mean.
        for (int& g : work.group2) g += tcnt;
        out.bdifd[set] = variance_set(pool, work.group1, work.group2, work).bdifd;
      });
  out.cancelled = !done;
  return out;
}

}  // namespace velmora
