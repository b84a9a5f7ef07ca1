#include "stats/resampling_sets.h"

#include <oneapi/tbb/blocked_range.h>
#include <oneapi/tbb/enumerable_thread_specific.h>
#include <oneapi/tbb/parallel_for.h>

#include <algorithm>
#include <atomic>

#include "runtime/random.h"

namespace velmora {
namespace {

// What one thread keeps between its sets: the buffers of both paths.
struct ThreadWork {
  ThreadWork(Eigen::Index points, int largest_group, int pool_count)
      : points(points, largest_group, pool_count), blocks(largest_group) {}
  SetWorkspace points;
  BlockWorkspace blocks;
};

// Runs body(set, work) for every set in chunks, calling progress between
// chunks from this thread. Returns false when cancelled.
template <typename Body>
bool run_chunked(std::int64_t nboots, Eigen::Index points, int largest_group, int pool_count,
                 const SetProgress& progress, Body body) {
  tbb::enumerable_thread_specific<ThreadWork> workspaces([&] { return ThreadWork(points, largest_group, pool_count); });
  const std::int64_t chunk = progress_chunk(nboots);
  for (std::int64_t begin = 0; begin < nboots; begin += chunk) {
    const std::int64_t end = std::min(nboots, begin + chunk);
    tbb::parallel_for(tbb::blocked_range<std::int64_t>(begin, end, 1),
                      [&](const tbb::blocked_range<std::int64_t>& range) {
                        ThreadWork& work = workspaces.local();
                        for (std::int64_t set = range.begin(); set != range.end(); ++set) body(set, work);
                      });
    if (progress && !progress(end, nboots)) return false;
  }
  return true;
}

// While the blocks are computed no set is done yet: progress says 0 and can
// cancel.
std::function<bool()> precomputing(const SetProgress& progress, std::int64_t nboots) {
  if (!progress) return {};
  return [&progress, nboots] { return progress(0, nboots); };
}

}  // namespace

std::int64_t progress_chunk(std::int64_t nboots) { return std::clamp<std::int64_t>(nboots / 50, 32, 512); }

FSets run_fscore_sets(const ResamplingPool& pool, int n1, int n2, GroupDraw draw, std::int64_t nboots,
                      std::uint64_t seed, const SetProgress& progress, ResamplingPath path) {
  FSets out;
  const auto n = static_cast<size_t>(nboots);
  out.bdb.resize(n);
  out.bdbc.resize(n);
  out.bd1sum.resize(n);
  out.bd2sum.resize(n);
  out.bfscore.resize(n);
  const int tcnt = n1 + n2;
  const double count1 = n1, count2 = n2;
  const ResampledTest test = draw == GroupDraw::bootstrap ? ResampledTest::bootstrap_f : ResampledTest::permutation_f;
  out.path = path == ResamplingPath::automatic ? choose_resampling_path(test, pool.points, n1, n2, nboots) : path;
  GramBlocks blocks;
  if (out.path == ResamplingPath::blocks) {
    blocks = make_gram_blocks(pool, 0, tcnt, precomputing(progress, nboots));
    if (blocks.count == 0) {
      out.cancelled = true;
      return out;
    }
  }
  std::atomic<std::int64_t> on_points = 0;
  const bool done =
      run_chunked(nboots, pool.points, std::max(n1, n2), tcnt, progress, [&](std::int64_t set, ThreadWork& work) {
        RandomStream random(seed, static_cast<std::uint64_t>(set));
        std::vector<int>& group1 = work.points.group1;
        std::vector<int>& group2 = work.points.group2;
        group1.resize(n1);
        group2.resize(n2);
        if (draw == GroupDraw::bootstrap)
          draw_bootstrap_groups(random, tcnt, group1, group2);
        else
          draw_permutation_groups(random, tcnt, work.points.order, group1, group2);
        FSet f;
        const bool by_blocks = out.path == ResamplingPath::blocks &&
                               fscore_set_blocks(pool, blocks, group1, group2, count1, count2, work.blocks, f);
        if (!by_blocks) {
          f = fscore_set(pool, group1, group2, count1, count2, work.points);
          if (out.path == ResamplingPath::blocks) ++on_points;
        }
        out.bdb[set] = f.bdb;
        out.bdbc[set] = f.bdbc;
        out.bd1sum[set] = f.bdist1;
        out.bd2sum[set] = f.bdist2;
        out.bfscore[set] = f.fscore;
        if (set == nboots - 1) out.last_bmean1 = by_blocks ? first_consensus(pool, work.blocks) : work.points.mean1;
      });
  out.cancelled = !done;
  out.on_points = on_points;
  return out;
}

VarianceSets run_variance_sets(const ResamplingPool& pool, int n1, int n2, std::int64_t nboots, std::uint64_t seed,
                               const SetProgress& progress, ResamplingPath path) {
  VarianceSets out;
  out.bdifd.resize(static_cast<size_t>(nboots));
  const int tcnt = n1 + n2;
  out.path = path == ResamplingPath::automatic
                 ? choose_resampling_path(ResampledTest::variance, pool.points, n1, n2, nboots)
                 : path;
  // Group 1 is drawn from the deviations around the first mean, group 2 from
  // those around the second: each half has its blocks.
  GramBlocks first, second;
  if (out.path == ResamplingPath::blocks) {
    first = make_gram_blocks(pool, 0, tcnt, precomputing(progress, nboots));
    if (first.count > 0) second = make_gram_blocks(pool, tcnt, tcnt, precomputing(progress, nboots));
    if (second.count == 0) {
      out.cancelled = true;
      return out;
    }
  }
  std::atomic<std::int64_t> on_points = 0;
  const bool done =
      run_chunked(nboots, pool.points, std::max(n1, n2), tcnt, progress, [&](std::int64_t set, ThreadWork& work) {
        RandomStream random(seed, static_cast<std::uint64_t>(set));
        std::vector<int>& group1 = work.points.group1;
        std::vector<int>& group2 = work.points.group2;
        group1.resize(n1);
        group2.resize(n2);
        draw_permutation_groups(random, tcnt, work.points.order, group1, group2);
        // Deviations placed in the second group are rebuilt around the second mean.
        for (int& g : group2) g += tcnt;
        VarianceSet v;
        const bool by_blocks = out.path == ResamplingPath::blocks &&
                               variance_set_blocks(pool, first, second, group1, group2, work.blocks, v);
        if (!by_blocks) {
          v = variance_set(pool, group1, group2, work.points);
          if (out.path == ResamplingPath::blocks) ++on_points;
        }
        out.bdifd[set] = v.bdifd;
      });
  out.cancelled = !done;
  out.on_points = on_points;
  return out;
}

}  // namespace velmora
