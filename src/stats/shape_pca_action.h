// "ShapePCA": the shape space of both samples in a new plot window.
#pragma once

#include "runtime/ui_port.h"
#include "stats/comparison_input.h"
#include "stats/group_tests.h"

namespace velmora {

/// The principal components of both samples' pooled superimposition
/// (shape_space_components; x and y only for a flat study), shown in a new plot window: the
/// scatter of the components chosen in PCXBox and PCYBox (1 and 2 unless
/// changed) with the samples in their plot colours and 95 % data ellipses, each
/// point named "sample 1, " and its specimen's name ("specimen 7" when the file
/// gave none), and the scree plot. ResultsBox gets "PCA of N1 + N2 specimens,
/// P points: PC1 a %, PC2 b %, PC3 c %"; the result event
/// `variance` (every component's proportion), `scores` (n by min(10,
/// components)), `sample` (1 or 2 a row), `names` (each row's specimen) and
/// `loadings` (first three). Throws
/// RuntimeError, before anything is shown, as check_samples does, for fewer
/// than 3 specimens, and for a component choice that is not a whole number from
/// 1 to the number of components or names one component twice. A cancel
/// reported through the port's progress shows nothing and says so on the
/// console.
void shape_pca_action(const TwoSamples& samples, UiPort& ui);

/// shape_pca_action on the size-corrected study: the components of the
/// residuals of allometry in `corrected` (its rows the first sample's
/// specimens, then the second's), said in ResultsBox and the event
/// (size_corrected, allometry_model).
void shape_pca_size_corrected_action(const TwoSamples& samples, UiPort& ui, const SizeCorrection& corrected);

}  // namespace velmora

namespace velmora {

/// ShapePCA by the groups of the factor in GroupBox: the principal components
/// of the study's specimens (one sample is enough), each group with its colour
/// and marker, its legend entry with its count and, as GroupOutline chooses, its
/// 95 % data ellipse (1) or convex hull (2); each point named "LEVEL, NAME".
/// ResultsBox gets the text of shape_pca_action with the groups and their counts
/// on a second line; the result event adds `groups` (each row's level) and
/// `factor`. Throws RuntimeError as shape_pca_action does and for a GroupBox that
/// names no factor of the study. With `corrected`, on the residuals of
/// allometry, as shape_pca_action says.
void shape_pca_groups_action(const GroupStudy& study, UiPort& ui, const SizeCorrection* corrected = nullptr);

}  // namespace velmora
