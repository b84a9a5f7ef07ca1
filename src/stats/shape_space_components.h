// Principal components of the shape space of both samples.
#pragma once

#include <Eigen/Dense>

#include "runtime/sample.h"

namespace velmora {

/// c = min(n - 1, dims) components of n = N1 + N2 specimens, dims = 3p (2p for
/// a flat study); k = the score columns asked for, at most c.
struct ShapePca {
  Eigen::VectorXd proportions;  // c: each component's share of the total variance, largest first; sums to 1
  Eigen::VectorXd variances;    // c: variance of the scores along each component (divisor n - 1)
  Eigen::MatrixXd scores;       // n by k: specimen i's coordinates on components 1..k (first sample first)
  Eigen::MatrixXd loadings;     // dims by min(3, c): unit directions of components 1..3 in the flat layout
  Eigen::VectorXi sample;       // n: 1 or 2, the sample of each row of `scores`
  Eigen::MatrixXd mean;         // p by 3: the pooled mean shape the scores are measured from
};

/// Specimens superimposed together (getpproc3 on the pooled sample, p by 3 by
/// n), flattened to rows x1 y1 z1 ... xp yp zp (x1 y1 ... xp yp when `flat`).
struct PooledShapes {
  Eigen::MatrixXd coordinates;  // n by dims, not centred
  Eigen::MatrixXd mean;         // p by 3
};
PooledShapes pooled_shapes(const Sample& pooled, bool flat);

/// The pooled superimposition of all specimens of `data1` and `data2` (p by 3
/// by N1 and N2, same p) with getpproc3 (the first sample's fit and its three
/// iterations), then the principal components of the aligned coordinates
/// flattened to rows x1 y1 z1 ... xp yp zp (x1 y1 ... xp yp when `flat`: a 2D
/// study uses its x and y columns only) and centred on their mean.
/// The components come from the cross-product matrix of the smaller side of the
/// n by dims data matrix X (X X' when n <= dims, never a dims by dims
/// covariance then): its eigenvalues are the squared singular values of X. Each
/// component is oriented so that its largest absolute loading (the first of
/// equal ones) is positive. `kept` score columns are returned (at most c).
/// Throws RuntimeError for fewer than 3 specimens in all, different point
/// counts, or specimens that do not vary.
ShapePca shape_space_components(const Sample& data1, const Sample& data2, bool flat, Eigen::Index kept = 10);

/// The principal components of `coordinates` (n by dims, rows flattened as
/// pooled_shapes gives them, not centred; the first `first` rows are sample 1,
/// the others sample 2) as shape_space_components finds them: for an analysis
/// of other coordinates than the superimposition's, such as the residuals of
/// allometry. `mean` is their mean, p by 3 (z zero when `flat`). Throws
/// RuntimeError for fewer than 3 rows or rows that do not vary.
ShapePca coordinate_components(Eigen::MatrixXd coordinates, Eigen::Index first, bool flat, Eigen::Index kept = 10);

}  // namespace velmora
