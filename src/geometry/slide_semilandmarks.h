// One sliding step: the semilandmarks of a specimen slide along their tangents
// to minimise the bending energy or the Procrustes distance to a consensus.
#pragma once

#include <Eigen/Dense>
#include <span>
#include <vector>

#include "geometry/semilandmark_layout.h"

namespace velmora {

enum class SlideCriterion { bending, procrustes };

/// From this many semilandmarks on, the bending system is solved blocked.
inline constexpr Eigen::Index kBlockedFrom = 400;

/// y: the slid specimen (p by 3); unslid: the semilandmarks (indices into
/// layout.sliding, in order) left where they were because their two
/// neighbours coincide, so that their tangent has no direction.
struct SlidSpecimen {
  Eigen::MatrixXd y;
  std::vector<std::size_t> unslid;
};

/// Slides every semilandmark of `specimen` (p by 3) along its unit tangent t
/// (the normalised difference of its two neighbours on the specimen's curve):
///   Y' = Y - U (U' L U)^-1 U' L (Y - M),
/// Y and M the specimen and `consensus` (p by 3) flattened, U (3p by m) the m
/// tangents, L = I3 (x) Lp for `bending` (energy: Lp, p by p, from
/// consensus_bending_energy on the consensus) and the identity for
/// `procrustes` (energy is not used). A closed curve's closing repeat moves
/// with the curve's first point. The m by m system is solved with LDLT, or
/// from kBlockedFrom semilandmarks on with the blocked Cholesky factorisation
/// of the optimised LAPACK on one thread (LDLT when that fails); a semilandmark
/// with no tangent stays in place and is listed. The tangents differ from
/// specimen to specimen, and so does U' L U: each specimen has its own
/// factorisation, while Lp is shared.
SlidSpecimen slide_semilandmarks(const Eigen::MatrixXd& specimen, const Eigen::MatrixXd& consensus,
                                 SlideCriterion criterion, const Eigen::MatrixXd& energy,
                                 const SemilandmarkLayout& layout);

namespace detail {

/// What every specimen of one sliding pass shares: Lp at the semilandmarks
/// (among: m by m) and Lp's columns of the semilandmarks (columns: p by m);
/// both empty for `procrustes`.
struct SlideSystem {
  SlideCriterion criterion = SlideCriterion::bending;
  Eigen::MatrixXd among;
  Eigen::MatrixXd columns;
};

SlideSystem slide_system(SlideCriterion criterion, const Eigen::MatrixXd& energy, const SemilandmarkLayout& layout);

/// Scratch space for sliding specimens of p points with m semilandmarks, so
/// that sliding one allocates nothing.
struct SlideWorkspace {
  SlideWorkspace(Eigen::Index p, Eigen::Index m);
  Eigen::MatrixXd deviation;  // p by 3
  Eigen::MatrixXd tangents;   // m by 3
  Eigen::MatrixXd system;     // m by m
  Eigen::VectorXd rhs, shift;
  Eigen::LDLT<Eigen::MatrixXd> ldlt;
  Eigen::MatrixXd factor;  // m by m: the Cholesky factor, from kBlockedFrom semilandmarks on
};

/// The unit tangents (m by 3) of the semilandmarks of `x` (p by 3), a zero
/// row where the two neighbours coincide; those semilandmarks are appended to
/// `unslid`, and their number is returned.
std::size_t unit_tangents(const Eigen::Ref<const Eigen::MatrixXd>& x, const SemilandmarkLayout& layout,
                          Eigen::MatrixXd& tangents, std::vector<std::size_t>& unslid);

/// The sign that makes the bending system U' L U of `tangents` definite
/// positive (the energy form is positive in the plane, negative in space).
double bending_sign(const SlideSystem& system, const Eigen::MatrixXd& tangents);

/// The lower triangle of sign U' L U (m by m) into `into`, with the row and
/// column of every `pinned` semilandmark those of the identity.
void bending_system(const SlideSystem& system, const Eigen::MatrixXd& tangents, std::span<const std::size_t> pinned,
                    double sign, Eigen::MatrixXd& into);

/// U' L (Y - M) for the deviation Y - M (p by 3), zero at every `pinned`
/// semilandmark.
void bending_rhs(const SlideSystem& system, const Eigen::MatrixXd& tangents, const Eigen::MatrixXd& deviation,
                 std::span<const std::size_t> pinned, Eigen::Ref<Eigen::VectorXd> rhs);

/// slide_semilandmarks in place on `specimen` (p by 3); the semilandmarks
/// with no tangent are appended to `unslid`.
void slide_in_place(Eigen::Ref<Eigen::MatrixXd> specimen, const Eigen::MatrixXd& consensus, const SlideSystem& system,
                    const SemilandmarkLayout& layout, SlideWorkspace& work, std::vector<std::size_t>& unslid);

}  // namespace detail
}  // namespace velmora
