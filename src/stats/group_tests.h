// "ProcrustesANOVA" and "PairwiseGroups": the tests of a study of any design.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/sample.h"
#include "runtime/ui_port.h"
#include "stats/model_formula.h"
#include "stats/procrustes_anova.h"

namespace velmora {

/// The specimens a group test analyses and where their variables come from.
struct GroupStudy {
  Sample specimens;                // p by 3 by n: the loaded specimens the table keeps, first sample first
  std::vector<std::string> names;  // n
  bool flat = false;               // x and y only
  /// The variable of that name over the n specimens; throws RuntimeError for a
  /// name the study does not have or a specimen without a value.
  std::function<Variable(const std::string& name)> variable;
  std::vector<std::string> notes;  // said on the console before the test
};

/// The residuals of an allometry plus the grand mean (n rows of the pooled
/// superimposition, flattened), and the specimens they belong to: the
/// size-corrected study ("Use the residuals of allometry", SizeCorrected).
struct SizeCorrection {
  Sample specimens;
  std::vector<std::string> names;
  std::string model;
  Eigen::MatrixXd residuals;
};

/// "Size-corrected: the residuals of allometry (MODEL) plus the grand mean",
/// the line every result of a size-corrected study states it with.
std::string size_corrected_line(const SizeCorrection& corrected);

/// The permutations in PermutationsBox (999 when the window has no such box):
/// throws RuntimeError naming `action` unless a whole number from 1 to 10^6.
std::int64_t permutation_count(std::string_view action, UiPort& ui);

/// The numbers of a Procrustes ANOVA's `result` event (also Allometry's):
/// the model, the arrangements counting the observed one, the seed, and the table.
std::vector<std::pair<std::string, ResultValue>> anova_result_numbers(const std::string& model,
                                                                      const ProcrustesAnova& a,
                                                                      std::int64_t arrangements, std::uint64_t seed,
                                                                      Eigen::Index specimens);

/// The rows of a Procrustes ANOVA's table as the result box shows it (also
/// Allometry's): a header, a row a term, then Residuals and Total.
std::vector<std::vector<std::string>> anova_table_rows(const ProcrustesAnova& a);

/// The model in ModelBox fitted to the pooled superimposition of the
/// specimens (shapepca's): the sequential ANOVA table with RRPP p values and
/// effect sizes (procrustes_anova) in ResultsBox, and the `result` event
/// "ProcrustesANOVA" with model, permutations (the observed included), seed,
/// ss_type "I", terms, df, ss, ms, rsq, f, z, p (a value a term),
/// residual_df, residual_ss, residual_ms, total_df, total_ss, specimens.
/// Throws RuntimeError before anything is shown for an empty or bad model,
/// variables the study lacks, a design that cannot be fitted, bad permutation
/// counts. A cancel shows nothing and says so. With `corrected`, on the
/// residuals of allometry, said in the result box and the event
/// (size_corrected, allometry_model).
void procrustes_anova_action(const GroupStudy& study, UiPort& ui, const SizeCorrection* corrected = nullptr);

/// The distances between the group means of the factor in GroupBox and their
/// RRPP p values (pairwise_group_distances): a table in ResultsBox and the
/// `result` event "PairwiseGroups" with factor, levels, counts, a, b,
/// distance, p (a value a pair), permutations, seed; with `corrected`, on the
/// residuals of allometry, as procrustes_anova_action says.
void pairwise_groups_action(const GroupStudy& study, UiPort& ui, const SizeCorrection* corrected = nullptr);

}  // namespace velmora
