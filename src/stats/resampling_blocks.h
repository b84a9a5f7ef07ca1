// The resampled sets computed from 3 by 3 blocks of cross products between
// the pooled specimens, at a cost per set that does not grow with the number
// of points.
//
// A set only ever builds sums of the pool's unit-size specimens U_k (p by 3)
// times 3 by 3 matrices: a group's references and consensus, its fitted
// members, the fitted second consensus. So every cross product, size and
// distance a set needs is a sum of A_k' U_k' U_l A_l, and the blocks U_k' U_l,
// computed once for the pool, replace the pass over the points: a set costs
// O(n^2) 3 by 3 products instead of O(n p) point operations.
//
// Distances between fitted specimens are small differences of numbers near 1
// when expanded so. To keep their digits the blocks are taken about the mean
// Z of the specimens, U_k = Z + V_k, with Z'Z, F_k = Z'V_k and K_kl = V_k'V_l
// kept apart: a squared distance is then tr(E'Z'Z E) + 2 tr(E'Z'W) + |W|^2
// with E a 3 by 3 difference of fits and W a combination of the V_k, each
// term of the order of the distance itself. Each set also bounds the rounding
// of its sums of squares and of the distance between its consensus
// configurations; a set that could be off by more than 1e-10 of either
// (nearly identical specimens, a starting sum that cancels) is handed back
// to be computed on the points, so the results agree with the step-by-step
// superimposition to far better than 1e-9 relative whichever way they came.
#pragma once

#include <Eigen/Dense>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "stats/resampling_engine.h"

namespace velmora {

/// The blocks of a range of pooled specimens, first .. first + count - 1 (all
/// of them for the F tests, each half of the rebuilt deviations for the
/// variance test). Every 3 by 3 matrix is stored row by row.
struct GramBlocks {
  int first = 0;
  int count = 0;  // m
  Eigen::Index points = 0;
  /// Z'Z, Z (p by 3) the mean of the range's unit-size specimens.
  Eigen::Matrix3d zz = Eigen::Matrix3d::Zero();
  /// F_k = Z'V_k at 9k (9 m values).
  std::vector<double> f;
  /// K_kl = V_k'V_l for l >= k at row_start[k] + 9l (9 m (m + 1) / 2 values
  /// and 4 of padding); K_lk is its transpose.
  std::vector<double> k;
  std::vector<long> row_start;
  /// |V_k|, the Frobenius norm of each specimen's difference from Z (m values).
  std::vector<double> spread;
};

/// The blocks of pooled specimens first .. first + count - 1: one pass over
/// their points (p m^2 / 2 products), in parallel, the same numbers whatever
/// the number of threads. `keep_going` is asked between chunks of points
/// (from this thread); when it returns false the result is empty (count 0).
GramBlocks make_gram_blocks(const ResamplingPool& pool, int first, int count,
                            const std::function<bool()>& keep_going = {});

/// The memory the blocks of m specimens take: 36 m (m + 1) bytes, one
/// triangle of the symmetric m by m matrix of 3 by 3 blocks.
double gram_bytes(int count);

/// The machine's memory in bytes (0 when unknown).
double machine_memory_bytes();

/// Which computation runs the sets of a resampling test: chosen per study
/// (automatic), on the points (the pass over every point of every member,
/// resampling_engine.h) or on the blocks. The last two are for tests and
/// benchmarks.
enum class ResamplingPath { automatic, points, blocks };

/// The three resampling tests, which differ in how many specimens a set
/// touches and how many blocks they need.
enum class ResampledTest { bootstrap_f, permutation_f, variance };

/// The path the operation counts favour for `sets` sets of groups of n1 and n2
/// on a pool of p points (the variance test's pool holds every deviation twice,
/// and each half has its blocks): the points when the blocks would take more
/// than a quarter of `memory` bytes (0: no limit), otherwise the cheaper of
/// about (n1 + n2) p (points) and n1^2 + n2^2 + the precomputation p N^2 / 2
/// shared by the sets (blocks), each weighed by its measured cost per
/// operation. A bootstrap group counts its distinct members only.
ResamplingPath choose_resampling_path(ResampledTest test, Eigen::Index points, int n1, int n2, std::int64_t sets,
                                      double memory = machine_memory_bytes());

/// One group of a set: its distinct members (range indices, ascending) with
/// how often each was drawn, and the 3 by 3 matrices of its superimposition.
struct BlockGroup {
  int first = 0;  // the pool index of range index 0
  std::vector<int> members;
  std::vector<double> weights;
  int distinct = 0;
  double count = 0;
  /// Each member's fitting matrix (column by column, at 9j).
  std::vector<double> fits;
  /// The configuration sum_j U_j A_j: A_j (row by row, at 9j; padded) and
  /// Q_j = sum_l K_jl A_l (row by row, at 9j; padded).
  std::vector<double> coefficients, products;
  Eigen::Matrix3d sum, phi;  // sum_j A_j, sum_j F_j A_j
  double kappa = 0;          // |sum_j V_j A_j|^2
  double size = 0;           // |sum_j U_j A_j|: the consensus is that sum / size
};

/// Buffers for the sets one thread runs; nothing is allocated inside a set.
struct BlockWorkspace {
  BlockWorkspace(int largest_group);
  BlockGroup group1, group2;
  std::vector<double> cross, refits, products12;
};

/// The F score of two groups of pooled specimens as fscore_set, on the blocks
/// of the whole pool. Returns false, leaving `set` as it was, when the set must
/// be computed on the points instead.
bool fscore_set_blocks(const ResamplingPool& pool, const GramBlocks& blocks, std::span<const int> group1,
                       std::span<const int> group2, double count1, double count2, BlockWorkspace& work, FSet& set);

/// The first group's consensus (p by 3) of the last fscore_set_blocks call
/// that returned true.
Eigen::MatrixXd first_consensus(const ResamplingPool& pool, const BlockWorkspace& work);

/// The variances of two groups as variance_set, group 1 drawn from the range
/// of `first`, group 2 from the range of `second` (pool indices). Returns
/// false, leaving `set` as it was, when the set must be computed on the points.
bool variance_set_blocks(const ResamplingPool& pool, const GramBlocks& first, const GramBlocks& second,
                         std::span<const int> group1, std::span<const int> group2, BlockWorkspace& work,
                         VarianceSet& set);

}  // namespace velmora
