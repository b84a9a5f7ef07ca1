// Allocation-free building blocks of the Procrustes fits, shared by
// centsize3D, svdrot2, partialprocrustes3a, getpproc3 and getpprocon3.
//
// Every sum runs down the points in order, one coordinate column at a time, so
// that the results round the same way whichever public function computes them.
#pragma once

#include <Eigen/Dense>

namespace velmora {

class Console;

namespace detail {

using ConstBlock = Eigen::Ref<const Eigen::MatrixXd>;
using Block = Eigen::Ref<Eigen::MatrixXd>;

/// Mean of column j of x (p by c): the sum over the points, in order, divided by p.
double column_mean(const ConstBlock& x, Eigen::Index j);

/// Subtracts from every column of x (p by c) its mean, in place.
void centre_columns(Block x);

/// Centroid size of x (p by c): the square root of the summed squared
/// deviations of every entry from its column mean. Column sums are formed
/// first and then added in column order.
double centroid_size(const ConstBlock& x);

/// The orthogonal 3 by 3 matrix R that brings subject * R (p by 3) closest to
/// reference (p by 3): R = U V' from the singular value decomposition of
/// subject' * reference. Reflections are not removed.
Eigen::Matrix3d rotation_fit(const ConstBlock& reference, const ConstBlock& subject);

/// The orthogonality check of a fitted matrix: the first diagonal entry of
/// roto' * roto, rounded to 5 decimals (halves away from zero), must be 1.
/// When it is not, `stemp` ("Error in rotation"), `roto` and `temp` (roto' *
/// roto) are echoed on the console, when one is given. True when it passed.
bool check_rotation(const Eigen::Matrix3d& roto, Console* console);

/// What a partial Procrustes fit found.
enum class FitStatus { fitted, zero_size };

/// Partial Procrustes fit of subject (p by 3) onto reference (p by 3), in
/// place: centred, divided by its centroid size, then multiplied by the
/// rotation fit. A subject of zero centroid size is left centred and not
/// fitted. When the rotation is not orthogonal to 5 decimals (first diagonal
/// entry of R'R), `stemp`, `roto` and `temp` are echoed on the console (when
/// one is given) and the fit goes on.
FitStatus fit_in_place(const ConstBlock& reference, Block subject, Console* console);

}  // namespace detail
}  // namespace velmora
