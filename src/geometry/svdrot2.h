// The orthogonal matrix that best fits one configuration onto another.
#pragma once

#include <Eigen/Dense>

namespace velmora {

/// The 3 by 3 orthogonal matrix R minimising the summed squared differences
/// between subject * R and reference (both p by 3, rows in the same point
/// order): R = U V' from the singular value decomposition U S V' of
/// subject' * reference. The inputs are neither centred nor scaled here. R may
/// include a reflection (its determinant is then -1): the fit ranges over
/// rotations and reflections alike.
/// Throws RuntimeError when the configurations do not both have 3 columns and
/// the same number of points.
Eigen::Matrix3d svdrot2(const Eigen::MatrixXd& reference, const Eigen::MatrixXd& subject);

}  // namespace velmora
