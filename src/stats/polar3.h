// The orthogonal polar factor of a 3 by 3 matrix: the rotation fit of the
// resampling tests without a general SVD in the hot loop.
#pragma once

namespace velmora::detail {

/// R = U * V' for A = U * S * V' (A and R 3 by 3, stored column by column):
/// the orthogonal matrix, reflections included, that maximises trace(R' * A).
/// A scaled Newton iteration R <- (g R + R^-T / g) / 2 runs while it converges
/// fast; a near-singular, non-converging or non-finite A goes to the
/// singular value decomposition instead (NaN in, NaN out). Allocates nothing.
/// Returns true when the Newton iteration gave the result.
bool polar3(const double* a, double* r);

}  // namespace velmora::detail
