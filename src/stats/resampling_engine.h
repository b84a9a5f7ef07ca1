// The arithmetic of one resampled set, reorganised for speed.
//
// A partial Procrustes fit of an already centred, unit-size specimen X onto a
// reference M is X * R with R the orthogonal polar factor of X' * M, and a
// specimen fitted again is still its centred original times one 3 by 3 matrix.
// So every group superimposition works on the pooled specimens centred and
// scaled once (`ResamplingPool::unit`), keeps one 3 by 3 matrix per member,
// and never writes out a fitted specimen. The starting reference of a group,
// the centred sum of its specimens, is the sum of the unit-size specimens
// weighted by their sizes. The results agree with the step by step
// superimposition (getpproc3, getpprocon3, getpdistance3) to rounding (the
// tests ask for 1e-12 relative).
#pragma once

#include <Eigen/Dense>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "runtime/random.h"
#include "runtime/sample.h"

namespace velmora {

/// The pooled specimens of a resampling test.
struct ResamplingPool {
  Eigen::Index points = 0;
  Eigen::Index count = 0;
  /// p by 3m: the specimens as given (a group of one starts from its own).
  Eigen::MatrixXd raw;
  /// p by 3m: each specimen centred and divided by its centroid size.
  Eigen::MatrixXd unit;
  /// The centroid size of each specimen (1 by m).
  std::vector<double> sizes;
};

/// Builds the pool from a sample (p by 3 by m). Throws RuntimeError naming the
/// specimen (names[i], or "pooled specimen i+1" without names) when one has
/// zero centroid size or coordinates that are not numbers.
ResamplingPool make_resampling_pool(const Sample& specimens, const std::vector<std::string>& names = {});

/// Buffers for the sets one thread runs; nothing is allocated inside a set.
class SetWorkspace {
 public:
  SetWorkspace(Eigen::Index points, int largest_group, int pool_count);

  std::vector<int> group1, group2, order;
  Eigen::MatrixXd mean1, mean2, fitted_mean2, reference, sum;
  std::vector<double> fits1, fits2, cross, distances, weights;
  std::vector<const double*> members1, members2;
};

/// The values of one F set (Goodall's statistic on two resampled groups).
struct FSet {
  double bdb = 0;     // distance between the group consensus configurations
  double bdbc = 0;    // the summed squared coordinate differences between them
  double bdist1 = 0;  // sum of squared distances of group 1 from its consensus
  double bdist2 = 0;  // the same for group 2, about its fitted consensus
  double fscore = 0;
};

/// The F score of two groups of pooled specimens (0-based indices; repeats
/// allowed): each group superimposed on its own consensus (three iterations),
/// the second consensus fitted onto the first and the second group refitted
/// onto it, then ((count1 + count2 - 2) bdb^2) / ((1/count1 + 1/count2)
/// (bdist1 + bdist2)) with the given counts. The first consensus is left in
/// `work.mean1`.
FSet fscore_set(const ResamplingPool& pool, std::span<const int> group1, std::span<const int> group2, double count1,
                double count2, SetWorkspace& work);

/// The values of one set of the variance permutation test.
struct VarianceSet {
  double bd1 = 0;  // variance of group 1 about its consensus
  double bd2 = 0;
  double bdifd = 0;  // |bd1 - bd2|
};

/// Each group superimposed on its own consensus; the variance of a group is
/// its summed squared distances from the consensus divided by (n - 1).
VarianceSet variance_set(const ResamplingPool& pool, std::span<const int> group1, std::span<const int> group2,
                         SetWorkspace& work);

/// Bootstrap groups: n1 then n2 indices ceil(tcnt * u) - 1, u uniform in (0, 1).
void draw_bootstrap_groups(RandomStream& random, int tcnt, std::vector<int>& group1, std::vector<int>& group2);

/// Permutation groups: a random ordering of 0..tcnt-1 split after n1 entries.
void draw_permutation_groups(RandomStream& random, int tcnt, std::vector<int>& order, std::vector<int>& group1,
                             std::vector<int>& group2);

}  // namespace velmora
