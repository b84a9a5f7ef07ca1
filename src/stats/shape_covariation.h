// Size, discrimination and integration of shape: allometry, canonical
// variates with classification, and two-block partial least squares.
//
// Allometry: the multivariate regression of Procrustes coordinates on log
// centroid size, fitted and tested as procrustes_anova fits and tests a model
// (Goodall 1991; Collyer, Sekora and Adams 2015). The regression score is the
// projection of the centred shapes onto the normalised vector of regression
// coefficients of shape on log size alone (Drake and Klingenberg 2008, Proc. R.
// Soc. B 275:71-76); the predicted line is the first principal component of the
// fitted values (Adams and Nistri 2010, BMC Evol. Biol. 10:216); the common
// allometric component is the normalised pooled within-group regression vector
// (Mitteroecker, Gunz, Bernhard, Schaefer and Bookstein 2004, J. Hum. Evol.
// 46:679-698).
//
// Canonical variates: Campbell and Atchley (1981), Syst. Zool. 30:268-280;
// Klingenberg and Monteiro (2005), Syst. Biol. 54:678-688 for shape data. The
// analysis runs on the principal component scores of the shapes; W is the
// pooled within-group covariance (divisor n - g), B = sum n_g (m_g - m)(m_g -
// m)' / (g - 1); the canonical variates are the eigenvectors of W^-1 B scaled to
// unit within-group variance. Mahalanobis and Procrustes distances between group
// means are tested by permuting the group labels. Leave-one-out
// classification: Lachenbruch and Mickey (1968), Technometrics 10:1-11.
//
// Two-block PLS: Rohlf and Corti (2000), Syst. Biol. 49:740-753; Bookstein et
// al. (2003), J. Hum. Evol. 44:167-187; the correlation of the first pair of
// scores (r-PLS) and its effect size, Adams and Collyer (2016), Evolution
// 70:2623-2631.
//
// Every permutation works on n by n cross products of the specimens, so its
// cost does not grow with the number of points.
#pragma once

#include <Eigen/Dense>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "stats/model_formula.h"
#include "stats/procrustes_anova.h"

namespace velmora {

/// The regression of shape on log size, alone or with a factor.
struct AllometryFit {
  std::string model;                  // "logsize" or "logsize * FACTOR"
  ProcrustesAnova anova;              // the model's terms, tested
  Eigen::VectorXd regression_scores;  // n: Drake and Klingenberg
  Eigen::VectorXd predicted_line;     // n: Adams and Nistri, rising with size
  Eigen::VectorXd regression_vector;  // dims: unit, shape on logsize alone
  Eigen::VectorXd common_component;   // dims: unit pooled within-group vector (empty without a factor)
  Eigen::MatrixXd residuals;          // n by dims: the model's residuals plus the grand mean
  bool cancelled = false;
};

/// Fits `coordinates` (n by dims, superimposed, not centred) on `logsize` (a
/// covariate) or on logsize * `factor` when one is given (non-null), with
/// `arrangements` - 1 random permutations of residuals (procrustes_anova's
/// streams). Throws RuntimeError as model_design does.
AllometryFit allometry(const Eigen::MatrixXd& coordinates, const Variable& logsize, const Variable* factor,
                       std::int64_t arrangements, std::uint64_t seed, const ArrangementProgress& progress = {});

/// Canonical variates of the groups of a factor.
struct CanonicalVariates {
  std::vector<std::string> levels;  // g, sorted
  std::vector<int> counts;          // g
  Eigen::Index components = 0;      // principal components analysed
  Eigen::Index nonzero = 0;         // components of non-zero variance (at most n - 1)
  Eigen::VectorXd eigenvalues;      // of W^-1 B, largest first (at most g - 1)
  Eigen::VectorXd shares;           // each eigenvalue's share of their sum
  Eigen::MatrixXd scores;           // n by number of variates, centred on the grand mean
  Eigen::MatrixXd means;            // g by number of variates: the group means of the scores
  Eigen::MatrixXd coefficients;     // dims by number of variates: the variates in the shape coordinates
  std::vector<std::string> a, b;    // the pairs of groups, a before b
  std::vector<double> mahalanobis, mahalanobis_p, procrustes, procrustes_p;
  Eigen::Index classification_components = 0;  // components the classification uses
  Eigen::MatrixXi table;                       // g by g: true (rows) by assigned (columns), left out
  Eigen::MatrixXi resubstitution;              // the same, each specimen kept in
  double accuracy = 0, resubstitution_accuracy = 0;
  std::vector<int> assigned;  // n: each specimen's assigned group, left out
  std::int64_t arrangements = 0;
  bool cancelled = false;
};

/// The canonical variates of `coordinates` (n by dims, not centred) for the
/// groups of `factor`, with `arrangements` - 1 random permutations of the
/// labels (arrangement s >= 1: specimen i takes the label of specimen
/// RandomStream(seed, s).permutation(n)[i]). The principal components of
/// non-zero variance (relative 1e-12, at most n - 1) are analysed, cut to
/// n - g when there are more (W would be singular); the leave-one-out
/// classification uses at most n - g - 1. Throws RuntimeError naming a group
/// of one specimen, for fewer than two groups, and for no within-group variance.
CanonicalVariates canonical_variates(const Eigen::MatrixXd& coordinates, const Variable& factor,
                                     std::int64_t arrangements, std::uint64_t seed,
                                     const ArrangementProgress& progress = {});

/// Two blocks of points, counted from 0, in the order given.
struct PointBlocks {
  std::vector<Eigen::Index> first, second;
  std::string first_text, second_text;  // as the user wrote them, trimmed
};

/// Reads "1-12 | 13-40" (points counted from 1; ranges and single numbers
/// separated by commas or spaces) for a study of `points` points. Throws
/// RuntimeError for a missing bar, an empty block, a point out of range, and a
/// point in both blocks, naming it.
PointBlocks parse_point_blocks(std::string_view text, Eigen::Index points);

/// The two-block partial least squares of two blocks of variables.
struct TwoBlockPls {
  Eigen::VectorXd singular_values;   // of the cross-covariance Y1'Y2 / (n - 1), largest first
  Eigen::VectorXd covariance_share;  // each one's share of the summed squares
  Eigen::VectorXd scores1, scores2;  // n: the first pair of PLS scores
  double r_pls = 0, p = 0, z = 0;
  std::vector<double> r_sets;  // arrangements (0: the observed)
  std::int64_t arrangements = 0;
  bool cancelled = false;
};

/// The PLS of `block1` and `block2` (n by d1 and n by d2, not centred), r-PLS
/// tested by permuting the rows of the second block (arrangement s >= 1:
/// specimen i takes the block-2 row of RandomStream(seed, s).permutation(n)[i]);
/// p counts the arrangements with r at least the observed (ties within 1e-9
/// relative), Z = (r_obs - mean r) / sd r over all arrangements. Throws
/// RuntimeError for fewer than 3 specimens or a block without variation.
TwoBlockPls two_block_pls(const Eigen::MatrixXd& block1, const Eigen::MatrixXd& block2, std::int64_t arrangements,
                          std::uint64_t seed, const ArrangementProgress& progress = {});

}  // namespace velmora
