// Sliding the many semilandmarks of long curves by bending energy: every
// specimen's system solved at once by conjugate gradients.
#pragma once

#include <Eigen/Dense>
#include <vector>

#include "geometry/consensus_bending_energy.h"
#include "geometry/semilandmark_layout.h"
#include "geometry/slide_semilandmarks.h"
#include "runtime/sample.h"

namespace velmora::detail {

/// From this many semilandmarks on, sliding by bending energy solves the
/// specimens' systems together (slide_together) instead of factoring each.
inline constexpr Eigen::Index kTogetherFrom = 1000;

/// The Cholesky factorisation of one consensus's system sign U' L U (its
/// tangents in U) that slide_together preconditions with. The consensus moves
/// little from one iteration to the next, and the factorisation of an
/// earlier one serves as well, so it is made once and kept.
struct SlidePreconditioner {
  Eigen::MatrixXd factor;  // lower; empty when there is none
  double sign = 1;
  int most_steps = 0;  // the most steps a specimen took with it last time
  /// Whether a new one would pay: none yet, or the last took too many steps.
  bool stale() const;
};

/// Makes `pre` from the formed system of `consensus`; leaves it empty when
/// that system is not definite.
void prepare_preconditioner(SlidePreconditioner& pre, const SlideSystem& system, const Eigen::MatrixXd& consensus,
                            const SemilandmarkLayout& layout);

/// slide_in_place by bending energy for every specimen of `sample` (in
/// place), each system U' L U s = U' L (Y - M) solved by conjugate gradients
/// preconditioned by `pre`, with L applied through `energy`'s factorisation
/// and never formed. A specimen's tangents differ from the consensus's by a
/// rotation that varies slowly along its curves, and the energy of a rotated
/// field is near that of the field, so about 25 steps reach the direct
/// solution to rounding (1e-11 relative at 2,000 semilandmarks, as close as
/// two direct factorisations come to each other). A step is a solve with
/// each factor for a block of specimens together: a small fraction of
/// factoring each one's m by m system.
///
/// Returns, for each specimen, whether it was slid here; one whose iteration
/// does not settle within its steps is left as it was for slide_in_place. The
/// semilandmarks without a tangent of a specimen slid here are appended to
/// unslid[i]. Specimens are solved in blocks of a fixed size, each on one
/// thread, so the result is the same on any number of threads.
std::vector<char> slide_together(Sample& sample, const Eigen::MatrixXd& consensus,
                                 const ConsensusBendingEnergy& energy, SlidePreconditioner& pre,
                                 const SemilandmarkLayout& layout, std::vector<std::vector<std::size_t>>& unslid);

}  // namespace velmora::detail
