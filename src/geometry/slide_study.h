// "SlideSamples": the semilandmarks of both samples slid, as one step of the study.
#pragma once

#include <Eigen/Dense>
#include <optional>
#include <string>

#include "geometry/curve_polylines.h"
#include "geometry/slide_samples.h"
#include "runtime/sample.h"
#include "runtime/ui_port.h"

namespace velmora {

/// What the study keeps of a sliding: the samples, means and curves of
/// slide_samples, and the notice that says how they were slid
/// ("slid: bending energy, 4 iterations, projected on curves").
struct SlidStudy {
  SlidSamples samples;
  std::string notice;
};

/// "SlideSamples": reads the criterion from the control SlideCriterion (Value
/// 1 bending energy, 2 Procrustes distance) and the switch ProjectOnCurve
/// (Value nonzero: slid points go back onto their curves), finds the
/// semilandmarks from `proto` and `rbreak` (semilandmark_layout), and slides
/// data1 (p by 3 by n1) and data2 (p by 3 by n2, may be empty) together with
/// slide_samples; curves1 and curves2 are their kept curves (empty: their own
/// curve points). Progress goes to ui.progress after each iteration; a cancel
/// returns nothing and says so on the console. Otherwise opens a new plot
/// window with the slid mean1 ("r*") and data1 ("bo") titled "Slid
/// semilandmarks" (seen from above when every z is zero), shows the notice,
/// the Procrustes sums of squares, the points that did not slide and, for a
/// second sample, that it was projected onto its own resampled curves, in the
/// message box "Slide semilandmarks" and on the console, and reports a
/// `SlideSamples` result (criterion, iterations, settled, projected,
/// procrustes_ss, unslid).
/// Throws RuntimeError (before anything is shown) as semilandmark_layout and
/// slide_samples do, and for a SlideCriterion Value other than 1 or 2.
std::optional<SlidStudy> slide_study(const Eigen::MatrixXd& proto, const Eigen::RowVectorXd& rbreak,
                                     const Sample& data1, const CurvePolylines& curves1, const Sample& data2,
                                     const CurvePolylines& curves2, UiPort& ui);

}  // namespace velmora
