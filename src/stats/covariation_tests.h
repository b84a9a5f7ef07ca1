// "Allometry", "CVA" and "TwoBlockPLS": how shape changes with size, how well
// it tells groups apart, and whether two parts of the form vary together
// (shape_covariation.h has the methods and their sources).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "runtime/ui_port.h"
#include "stats/group_tests.h"

namespace velmora {

/// With "Use the residuals of allometry" (SizeCorrected) on: the correction
/// that fits the study's specimens (the same names and coordinates), else
/// RuntimeError naming `action` and saying to run Allometry first; with it off,
/// nullptr.
const SizeCorrection* size_correction_for(const std::string& action, const GroupStudy& study, UiPort& ui,
                                          const std::optional<SizeCorrection>& kept);

/// Shape on logsize (logsize * FACTOR when GroupBox names a factor) of the
/// pooled superimposition: the ANOVA table as ProcrustesANOVA shows it, the
/// regression scores, predicted line and common allometric component; a plot
/// of the regression score (the predicted line when AllometryLine is 1)
/// against logsize by group with a line per group, and in a second window the
/// shape change along the regression from the smallest to the largest size,
/// drawn as ShowDifference draws the mean difference. ResultsBox gets the table;
/// the `result` event "Allometry" has model, permutations, seed, terms, df, ss,
/// ms, rsq, f, z, p, residual and total rows, names, logsize,
/// regression_scores, predicted_line, regression_vector and (with a factor)
/// common_component.
/// Returns the residuals for a size-corrected study (nothing when cancelled).
std::optional<SizeCorrection> allometry_action(const GroupStudy& study, UiPort& ui);

/// Canonical variates of the factor in GroupBox: eigenvalues and shares,
/// Mahalanobis and Procrustes distances of the group means with permutation p
/// values, the leave-one-out classification table; a plot of CV1 against CV2
/// (CV1 against the specimens' order with two groups) with the means marked,
/// and in a second window the shape change along CV1 from the lowest group
/// mean to the highest.
/// The `result` event "CVA" has factor, levels, counts, components,
/// eigenvalues, variance, a, b, mahalanobis, mahalanobis_p, procrustes,
/// procrustes_p, table (true by assigned), accuracy, resubstitution,
/// resubstitution_accuracy, scores, permutations, seed.
/// With `corrected`, on the residuals of allometry, said in the result box
/// and the event (size_corrected, allometry_model).
void canonical_variates_action(const GroupStudy& study, UiPort& ui, const SizeCorrection* corrected = nullptr);

/// Two-block PLS of the blocks in BlockBox ("1-12 | 13-40"), superimposed
/// together, or each block on its own when SeparateBlocks is 1: singular values,
/// covariance shares, r-PLS with its permutation p and Z; a plot of the first
/// pair of scores by the groups of GroupBox (one group when it is empty). The
/// `result` event "TwoBlockPLS" has blocks, superimposition, singular_values,
/// covariance_share, r_pls, p, z, scores1, scores2, permutations, seed.
void two_block_pls_action(const GroupStudy& study, UiPort& ui, const SizeCorrection* corrected = nullptr);

}  // namespace velmora
