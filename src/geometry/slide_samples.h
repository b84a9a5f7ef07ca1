// Sliding the semilandmarks of both samples, iterated with their superimposition.
#pragma once

#include <Eigen/Dense>
#include <functional>
#include <vector>

#include "geometry/consensus_bending_energy.h"
#include "geometry/curve_polylines.h"
#include "geometry/getpproc3.h"
#include "geometry/semilandmark_layout.h"
#include "geometry/slide_semilandmarks.h"
#include "runtime/sample.h"

namespace velmora {

struct SlideOptions {
  SlideCriterion criterion = SlideCriterion::bending;
  bool project = true;  // put every slid point back onto its specimen's curve
  int most_iterations = 10;
  double tolerance = 1e-4;  // a relative change of the Procrustes sum of squares below this has settled
};

/// A semilandmark that did not slide (its two neighbours coincide), named once
/// however many iterations met it.
struct UnslidSemilandmark {
  int sample = 1;             // 1 or 2
  Eigen::Index specimen = 0;  // from 1, within its sample
  Eigen::Index row = 0;       // from 0
};

struct SlidSamples {
  Superimposition first;            // mean1 and data1
  Superimposition second;           // mean2 and data2; empty without a second sample
  CurvePolylines curves1, curves2;  // every specimen's curves carried into its new frame
  int iterations = 0;
  bool settled = false;
  bool cancelled = false;
  /// The summed squared Procrustes distances of the pooled specimens from
  /// their consensus: before sliding, then after each iteration.
  std::vector<double> procrustes_ss;
  std::vector<UnslidSemilandmark> unslid;  // in sample, specimen and row order
  /// Sliding by bending energy: the curve points taken as the fixed landmark
  /// they lie on in the first consensus (points_on_landmarks), which did not
  /// slide; and the summed bending energy of the pooled specimens' deviations
  /// from their consensus, |tr((Y - M)' Lp (Y - M))| with Lp of that
  /// consensus, before sliding and after (empty for Procrustes distance).
  std::vector<MergedPoint> merged;
  std::vector<double> bending_energy;
};

/// Called after each iteration with the iterations done and the most there
/// may be; returning false cancels.
using SlideProgress = std::function<bool(int done, int most)>;

/// Slides the semilandmarks of `data1` (p by 3 by n1, superimposed) and
/// `data2` (p by 3 by n2, in the frame of data1's mean; may be empty), pooled,
/// as `layout` says which points slide. Each iteration slides every pooled
/// specimen towards the pooled consensus (slide_semilandmarks, the specimens
/// in parallel; Lp built once on the consensus for `bending`, every curve
/// point that lies on a fixed landmark in the first consensus taken as that
/// landmark and kept in place; from detail::kTogetherFrom semilandmarks on,
/// all specimens at once by detail::slide_together, to the same result within
/// rounding), puts the slid
/// points back onto their curves when `options.project`, and superimposes the
/// pool again with getpproc3. It stops when the summed squared Procrustes
/// distance to the consensus changes by less than `options.tolerance` of
/// itself (settled), or after `options.most_iterations` (the last result is
/// kept). Then data1 is superimposed on its own with getpproc3, and data2 in
/// its frame as a loaded second sample is (superimpose_second).
///
/// curves1, curves2: the polylines of every specimen's curves in its current
/// frame (the digitised clicks); an empty one stands for the polylines
/// through the specimens' own curve points as they are now. Slid points are
/// projected onto them (nearest_on_polyline), and they are carried along
/// through every superimposition into the frames returned.
/// The result does not depend on the number of threads.
/// Throws RuntimeError for an empty first sample, samples whose points do
/// not match the layout, polylines that do not match the samples, and as
/// consensus_bending_energy for a consensus that carries no spline.
SlidSamples slide_samples(const Sample& data1, const CurvePolylines& curves1, const Sample& data2,
                          const CurvePolylines& curves2, const SemilandmarkLayout& layout, const SlideOptions& options,
                          const SlideProgress& progress = {});

}  // namespace velmora
