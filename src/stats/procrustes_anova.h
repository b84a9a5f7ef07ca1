// Procrustes ANOVA with residual randomization, and the distances between
// group means, worked out on the n by n cross products of the coordinates.
//
// Goodall (1991), J. R. Stat. Soc. B 53:285-339: the sums of squares of
// Procrustes coordinates summed over all coordinates. Collyer, Sekora and Adams
// (2015), Heredity 115:357-365, and Collyer and Adams (2018), Methods Ecol. Evol.
// 9:1772-1779 (RRPP): for each term, the residuals of the reduced model (the
// terms before it) are permuted among specimens and added to its fitted values;
// every statistic of the term is then computed again on the permuted data. The
// effect size is Z = (log F_obs - mean log F) / sd log F over all arrangements,
// the observed one included, the standard deviation dividing by their number.
//
// With G = Y Y' (n by n) and H a projection, trace(Y' H Y) = trace(H G), and
// the permuted data A Y have the cross product A G A'. So an arrangement costs
// O(n^2 x rank of the model), whatever the number of coordinates.
#pragma once

#include <Eigen/Dense>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "stats/model_formula.h"

namespace velmora {

/// Called between blocks of arrangements with the number done and the total
/// (the ANOVA counts each term's arrangements); returning false cancels.
using ArrangementProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

/// The sequential (type I) ANOVA of k terms.
struct ProcrustesAnova {
  std::vector<std::string> terms;                // k
  std::vector<double> df, ss, ms, rsq, f, z, p;  // k each
  double residual_df = 0, residual_ss = 0, residual_ms = 0;
  double total_df = 0, total_ss = 0;
  std::int64_t arrangements = 0;            // the observed one and the random ones
  std::vector<std::vector<double>> f_sets;  // k by arrangements: F of each (0: the observed)
  bool cancelled = false;
};

/// The centred cross product Y Y' of n rows of coordinates (n by n, full).
Eigen::MatrixXd centred_cross_product(const Eigen::MatrixXd& coordinates);

/// The ANOVA of the data whose cross product is `cross` (n by n) for the
/// design's terms, with `arrangements` - 1 random permutations of residuals
/// beside the observed arrangement. Arrangement s >= 1 permutes the specimens by
/// RandomStream(seed, s).permutation(n): specimen i takes the residual of
/// specimen perm[i]; every term uses the same permutations. p = the share of
/// arrangements whose F is at least the observed F (less 1e-9 of it, so that
/// ties by rounding count).
ProcrustesAnova procrustes_anova(const Eigen::MatrixXd& cross, const ModelDesign& design, std::int64_t arrangements,
                                 std::uint64_t seed, const ArrangementProgress& progress = {});

/// The Euclidean distances between the means of each pair of groups.
struct PairwiseDistances {
  std::vector<std::string> levels;  // g, sorted
  std::vector<int> counts;          // g: the specimens of each level
  std::vector<std::string> a, b;    // g (g - 1) / 2 pairs, a before b
  std::vector<double> distance, p;
  std::vector<std::vector<double>> distance_sets;  // pairs by arrangements (0: the observed)
  std::int64_t arrangements = 0;
  bool cancelled = false;
};

/// The distances between the group means of the factor's levels, with p values
/// from residuals of the intercept-only model (the grand mean) permuted as
/// procrustes_anova permutes them, the same streams for the same seed.
PairwiseDistances pairwise_group_distances(const Eigen::MatrixXd& cross, const Variable& factor,
                                           std::int64_t arrangements, std::uint64_t seed,
                                           const ArrangementProgress& progress = {});

/// The share of `values` at least `observed` (less 1e-9 of it).
double share_at_least(const std::vector<double>& values, double observed);

}  // namespace velmora
