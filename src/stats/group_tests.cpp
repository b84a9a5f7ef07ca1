#include "stats/group_tests.h"

#include <cmath>
#include <cstdio>

#include "runtime/busy_pointer.h"
#include "runtime/error.h"
#include "stats/procrustes_anova.h"
#include "stats/result_texts.h"
#include "stats/shape_space_components.h"

namespace velmora {
namespace {

void check_size(std::string_view action, const GroupStudy& study) {
  if (study.specimens.count() < 3)
    throw RuntimeError(std::string(action) + " needs at least 3 specimens; the study has " +
                       std::to_string(study.specimens.count()) + ".");
}

// The pooled coordinates a test analyses: the residuals of allometry when the
// study is size-corrected.
Eigen::MatrixXd analysed_coordinates(const GroupStudy& study, const SizeCorrection* corrected) {
  return corrected ? corrected->residuals : pooled_shapes(study.specimens, study.flat).coordinates;
}

// The result event's statement of a size-corrected study (nothing otherwise,
// so that the events of the uncorrected tests stay as they were).
void add_correction(std::vector<std::pair<std::string, ResultValue>>& numbers, const SizeCorrection* corrected) {
  if (!corrected) return;
  numbers.emplace_back("size_corrected", 1.0);
  numbers.emplace_back("allometry_model", corrected->model);
}

}  // namespace

std::string size_corrected_line(const SizeCorrection& corrected) {
  return "Size-corrected: the residuals of allometry (" + corrected.model + ") plus the grand mean";
}

std::int64_t permutation_count(std::string_view action, UiPort& ui) {
  if (!ui.has_control("PermutationsBox")) return 1000;
  const double v = ui.control_value("PermutationsBox");
  if (!std::isfinite(v) || v < 1 || v > 1e6 || v != std::floor(v))
    throw RuntimeError(std::string(action) + ": PermutationsBox must be a whole number from 1 to 1000000; it is " +
                       number("%g", v) + ".");
  return static_cast<std::int64_t>(v) + 1;
}

std::vector<std::vector<std::string>> anova_table_rows(const ProcrustesAnova& a) {
  std::vector<std::vector<std::string>> rows = {{"", "Df", "SS", "MS", "Rsq", "F", "Z", "Pr(>F)"}};
  for (std::size_t t = 0; t < a.terms.size(); ++t)
    rows.push_back({a.terms[t], number("%.0f", a.df[t]), number("%.6g", a.ss[t]), number("%.6g", a.ms[t]),
                    number("%.5f", a.rsq[t]), number("%.4f", a.f[t]), number("%.4f", a.z[t]), number("%.4g", a.p[t])});
  rows.push_back({"Residuals", number("%.0f", a.residual_df), number("%.6g", a.residual_ss),
                  number("%.6g", a.residual_ms), number("%.5f", a.residual_ss / a.total_ss)});
  rows.push_back({"Total", number("%.0f", a.total_df), number("%.6g", a.total_ss)});
  return rows;
}

std::vector<std::pair<std::string, ResultValue>> anova_result_numbers(const std::string& model,
                                                                      const ProcrustesAnova& a,
                                                                      std::int64_t arrangements, std::uint64_t seed,
                                                                      Eigen::Index specimens) {
  return {{"model", model},
          {"permutations", static_cast<double>(arrangements)},
          {"seed", seed},
          {"ss_type", std::string("I")},
          {"specimens", static_cast<double>(specimens)},
          {"terms", a.terms},
          {"df", a.df},
          {"ss", a.ss},
          {"ms", a.ms},
          {"rsq", a.rsq},
          {"f", a.f},
          {"z", a.z},
          {"p", a.p},
          {"residual_df", a.residual_df},
          {"residual_ss", a.residual_ss},
          {"residual_ms", a.residual_ms},
          {"total_df", a.total_df},
          {"total_ss", a.total_ss}};
}

void procrustes_anova_action(const GroupStudy& study, UiPort& ui, const SizeCorrection* corrected) {
  const std::string action = "ProcrustesANOVA";
  const std::string model = ui.has_control("ModelBox") ? ui.control_string("ModelBox") : "";
  if (model.find_first_not_of(" \t") == std::string::npos)
    throw RuntimeError(action +
                       ": write a model in ModelBox first, for example \"species * sex\" or \"group + logsize\".");
  const std::vector<ModelTerm> terms = parse_model_formula(model);
  std::vector<Variable> variables;
  for (const auto& name : formula_variables(terms)) variables.push_back(study.variable(name));
  check_size(action, study);
  const ModelDesign design = model_design(terms, variables);
  const std::int64_t arrangements = permutation_count(action, ui);
  const std::uint64_t seed = ui.seed();
  for (const auto& note : study.notes) ui.console().write(note + "\n");
  for (const auto& note : design.notes) ui.console().write(note + "\n");

  detail::BusyPointer pointer(ui);
  if (!ui.progress(action, 0, arrangements)) return ui.console().write(action + " was cancelled; nothing is shown.\n");
  const Eigen::MatrixXd cross = centred_cross_product(analysed_coordinates(study, corrected));
  const ProcrustesAnova a =
      procrustes_anova(cross, design, arrangements, seed,
                       [&](std::int64_t done, std::int64_t total) { return ui.progress(action, done, total); });
  if (a.cancelled) return ui.console().write(action + " was cancelled; nothing is shown.\n");
  pointer.arrow();

  const std::vector<std::vector<std::string>> rows = anova_table_rows(a);
  const std::string text = "Procrustes ANOVA of " + std::to_string(study.specimens.count()) + " specimens, " +
                           std::to_string(study.specimens.points()) + " points: " + model + "\n" +
                           (corrected ? size_corrected_line(*corrected) + "\n" : std::string()) +
                           "Type I (sequential) sums of squares; residual randomization, " +
                           arrangements_text(arrangements, seed) + "\n" + table_text(rows);
  ui.set_control_string("ResultsBox", text);
  std::vector<std::pair<std::string, ResultValue>> numbers =
      anova_result_numbers(model, a, arrangements, seed, study.specimens.count());
  add_correction(numbers, corrected);
  ui.result({action, numbers});
}

void pairwise_groups_action(const GroupStudy& study, UiPort& ui, const SizeCorrection* corrected) {
  const std::string action = "PairwiseGroups";
  std::string name = ui.has_control("GroupBox") ? ui.control_string("GroupBox") : "";
  name.erase(0, name.find_first_not_of(" \t"));
  name.erase(name.find_last_not_of(" \t") + 1);
  if (name.empty()) throw RuntimeError(action + ": name a factor in GroupBox first, for example \"species\".");
  const Variable factor = study.variable(name);
  if (!factor.factor)
    throw RuntimeError(action + ": \"" + name +
                       "\" is a covariate; group differences need a factor (mark a numeric column as a factor in "
                       "FactorColumns).");
  check_size(action, study);
  const std::vector<std::string> levels = factor_levels(factor);
  if (levels.size() < 2)
    throw RuntimeError(action + ": the factor \"" + name + "\" has one level among the specimens analysed.");
  const std::int64_t arrangements = permutation_count(action, ui);
  const std::uint64_t seed = ui.seed();
  for (const auto& note : study.notes) ui.console().write(note + "\n");

  detail::BusyPointer pointer(ui);
  if (!ui.progress(action, 0, arrangements)) return ui.console().write(action + " was cancelled; nothing is shown.\n");
  const PairwiseDistances d = pairwise_group_distances(
      centred_cross_product(analysed_coordinates(study, corrected)), factor, arrangements, seed,
      [&](std::int64_t done, std::int64_t total) { return ui.progress(action, done, total); });
  if (d.cancelled) return ui.console().write(action + " was cancelled; nothing is shown.\n");
  pointer.arrow();
  for (std::size_t g = 0; g < d.levels.size(); ++g)
    if (d.counts[g] == 1) ui.console().write("The group \"" + d.levels[g] + "\" has one specimen.\n");

  std::string groups;
  for (std::size_t g = 0; g < d.levels.size(); ++g)
    groups += (g ? ", " : "") + d.levels[g] + " (" + std::to_string(d.counts[g]) + ")";
  std::vector<std::vector<std::string>> rows = {{"", "", "distance", "Pr(>d)"}};
  for (std::size_t k = 0; k < d.a.size(); ++k)
    rows.push_back({d.a[k], d.b[k], number("%.6g", d.distance[k]), number("%.4g", d.p[k])});
  ui.set_control_string("ResultsBox", "Distances between the group means of " + name + ": " + groups + "\n" +
                                          (corrected ? size_corrected_line(*corrected) + "\n" : std::string()) +
                                          "Procrustes coordinates; residual randomization under the grand mean, " +
                                          arrangements_text(arrangements, seed) + "\n" + table_text(rows));
  std::vector<double> counts(d.counts.begin(), d.counts.end());
  std::vector<std::pair<std::string, ResultValue>> numbers = {
      {"factor", name},   {"levels", d.levels},
      {"counts", counts}, {"a", d.a},
      {"b", d.b},         {"distance", d.distance},
      {"p", d.p},         {"permutations", static_cast<double>(arrangements)},
      {"seed", seed}};
  add_correction(numbers, corrected);
  ui.result({action, numbers});
}

}  // namespace velmora
