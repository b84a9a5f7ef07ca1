#include "stats/shape_pca_action.h"

#include <cmath>
#include <string>

#include "display/shape_space_plot.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "stats/model_formula.h"
#include "stats/shape_space_components.h"

namespace velmora {
namespace {

// A component number from a control: a whole number of at least 1.
Eigen::Index component(UiPort& ui, const char* tag) {
  const double value = ui.control_value(tag);
  if (!std::isfinite(value) || value < 1 || value != std::floor(value) || value > 1e6)
    throw RuntimeError(std::string("ShapePCA: the component chosen in ") + tag +
                       " must be a whole number from 1 up; it is " + sprintf_m("%g", value) + ".");
  return static_cast<Eigen::Index>(value);
}

// The result event's statement of a size-corrected study.
void state_correction(std::vector<std::pair<std::string, ResultValue>>& numbers, const SizeCorrection& corrected) {
  numbers.emplace_back("size_corrected", 1.0);
  numbers.emplace_back("allometry_model", corrected.model);
}

// ShapePCA of both samples, of their residuals of allometry when `corrected`.
void shape_pca_of(const TwoSamples& samples, UiPort& ui, const SizeCorrection* corrected) {
  check_samples("ShapePCA", samples);
  const Eigen::Index n1 = samples.data1.count(), n2 = samples.data2.count(), p = samples.data1.points();
  if (n1 + n2 < 3)
    throw RuntimeError(
        "ShapePCA needs at least 3 specimens in all to find the directions in which they vary; the "
        "samples hold " +
        std::to_string(n1) + " and " + std::to_string(n2) + ".");
  const Eigen::Index cx = component(ui, "PCXBox"), cy = component(ui, "PCYBox");
  if (cx == cy)
    throw RuntimeError("ShapePCA: PCXBox and PCYBox both choose component " + std::to_string(cx) +
                       "; choose two different ones.");
  const bool flat = flat_study(samples);
  const Eigen::Index dims = (flat ? 2 : 3) * p, components = std::min(n1 + n2 - 1, dims);
  if (std::max(cx, cy) > components)
    throw RuntimeError("ShapePCA: " + std::to_string(n1 + n2) + " specimens of " + std::to_string(p) + " points have " +
                       std::to_string(components) + " components; PCXBox and PCYBox choose " + std::to_string(cx) +
                       " and " + std::to_string(cy) + ".");
  // Thousands of specimens take a second or two: a cancel asked for meanwhile
  // is honoured before anything is shown.
  if (!ui.progress("ShapePCA", 0, 1)) return ui.console().write("ShapePCA was cancelled; nothing is shown.\n");
  const Eigen::Index asked = std::max<Eigen::Index>({10, cx, cy});
  const ShapePca pca = corrected ? coordinate_components(corrected->residuals, n1, flat, asked)
                                 : shape_space_components(samples.data1, samples.data2, flat, asked);
  if (!ui.progress("ShapePCA", 1, 1)) return ui.console().write("ShapePCA was cancelled; nothing is shown.\n");

  ShapeSpacePlot plot;
  plot.scores = pca.scores;
  plot.sample = pca.sample;
  plot.proportions = pca.proportions;
  plot.x_component = cx;
  plot.y_component = cy;
  std::vector<std::string> names;  // the specimens in the order of the scores
  for (Eigen::Index i = 0; i < n1 + n2; ++i) {
    names.push_back(i < n1 ? specimen_name(samples, 1, i) : specimen_name(samples, 2, i - n1));
    plot.names.push_back("sample " + std::to_string(pca.sample(i)) + ", " + names.back());
  }
  Graphics& g = ui.graphics();
  plot_shape_space(g, g.new_figure(), plot);

  std::string text = sprintf_m("PCA of %i + %i specimens, %i points:", static_cast<double>(n1), static_cast<double>(n2),
                               static_cast<double>(p));
  for (Eigen::Index j = 0; j < std::min<Eigen::Index>(3, components); ++j)
    text +=
        sprintf_m(j == 0 ? " PC%i %.1f %%" : ", PC%i %.1f %%", static_cast<double>(j + 1), 100 * pca.proportions(j));
  if (corrected) text += "\n" + size_corrected_line(*corrected);
  ui.set_control_string("ResultsBox", text);

  const Eigen::Index kept = std::min<Eigen::Index>(10, components);
  std::vector<double> variance(pca.proportions.data(), pca.proportions.data() + pca.proportions.size());
  std::vector<double> sample(pca.sample.data(), pca.sample.data() + pca.sample.size());
  std::vector<std::pair<std::string, ResultValue>> numbers = {{"variance", variance},
                                                              {"scores", Eigen::MatrixXd(pca.scores.leftCols(kept))},
                                                              {"sample", sample},
                                                              {"names", names},
                                                              {"loadings", pca.loadings},
                                                              {"points", static_cast<double>(p)},
                                                              {"dimension", flat ? 2.0 : 3.0}};
  if (corrected) state_correction(numbers, *corrected);
  ui.result({"ShapePCA", numbers});
}

}  // namespace

void shape_pca_action(const TwoSamples& samples, UiPort& ui) { shape_pca_of(samples, ui, nullptr); }

void shape_pca_size_corrected_action(const TwoSamples& samples, UiPort& ui, const SizeCorrection& corrected) {
  shape_pca_of(samples, ui, &corrected);
}

void shape_pca_groups_action(const GroupStudy& study, UiPort& ui, const SizeCorrection* corrected) {
  std::string factor_name = ui.control_string("GroupBox");
  factor_name.erase(0, factor_name.find_first_not_of(" \t"));
  factor_name.erase(factor_name.find_last_not_of(" \t") + 1);
  const Variable factor = study.variable(factor_name);
  if (!factor.factor)
    throw RuntimeError("ShapePCA: \"" + factor_name +
                       "\" in GroupBox is a covariate; the points are coloured by a factor.");
  const Eigen::Index n = study.specimens.count(), p = study.specimens.points();
  if (n < 3)
    throw RuntimeError(
        "ShapePCA needs at least 3 specimens in all to find the directions in which they vary; the "
        "study has " +
        std::to_string(n) + ".");
  const Eigen::Index cx = component(ui, "PCXBox"), cy = component(ui, "PCYBox");
  if (cx == cy)
    throw RuntimeError("ShapePCA: PCXBox and PCYBox both choose component " + std::to_string(cx) +
                       "; choose two different ones.");
  const Eigen::Index dims = (study.flat ? 2 : 3) * p, components = std::min(n - 1, dims);
  if (std::max(cx, cy) > components)
    throw RuntimeError("ShapePCA: " + std::to_string(n) + " specimens of " + std::to_string(p) + " points have " +
                       std::to_string(components) + " components; PCXBox and PCYBox choose " + std::to_string(cx) +
                       " and " + std::to_string(cy) + ".");
  for (const auto& note : study.notes) ui.console().write(note + "\n");
  if (!ui.progress("ShapePCA", 0, 1)) return ui.console().write("ShapePCA was cancelled; nothing is shown.\n");
  const Eigen::Index asked = std::max<Eigen::Index>({10, cx, cy});
  const ShapePca pca = corrected ? coordinate_components(corrected->residuals, n, study.flat, asked)
                                 : shape_space_components(study.specimens, Sample(p, 0), study.flat, asked);
  if (!ui.progress("ShapePCA", 1, 1)) return ui.console().write("ShapePCA was cancelled; nothing is shown.\n");

  ShapeSpacePlot plot;
  plot.scores = pca.scores;
  plot.sample = pca.sample;
  plot.proportions = pca.proportions;
  plot.x_component = cx;
  plot.y_component = cy;
  plot.group_names = factor_levels(factor);
  plot.hulls = ui.has_control("GroupOutline") && ui.control_value("GroupOutline") == 2;
  std::vector<int> counts(plot.group_names.size(), 0);
  for (Eigen::Index i = 0; i < n; ++i) {
    const auto at = std::lower_bound(plot.group_names.begin(), plot.group_names.end(), factor.levels[i]);
    plot.group.push_back(static_cast<int>(at - plot.group_names.begin()));
    ++counts[plot.group.back()];
    plot.names.push_back(factor.levels[i] + ", " + study.names[i]);
  }
  Graphics& g = ui.graphics();
  plot_shape_space(g, g.new_figure(), plot);

  std::string text = sprintf_m("PCA of %i specimens, %i points:", static_cast<double>(n), static_cast<double>(p));
  for (Eigen::Index j = 0; j < std::min<Eigen::Index>(3, components); ++j)
    text +=
        sprintf_m(j == 0 ? " PC%i %.1f %%" : ", PC%i %.1f %%", static_cast<double>(j + 1), 100 * pca.proportions(j));
  text += "\nGroups of " + factor_name + ":";
  for (std::size_t k = 0; k < counts.size(); ++k)
    text += (k ? ", " : " ") + plot.group_names[k] + " " + std::to_string(counts[k]);
  if (corrected) text += "\n" + size_corrected_line(*corrected);
  ui.set_control_string("ResultsBox", text);

  const Eigen::Index kept = std::min<Eigen::Index>(10, components);
  std::vector<double> variance(pca.proportions.data(), pca.proportions.data() + pca.proportions.size());
  std::vector<std::pair<std::string, ResultValue>> numbers = {{"variance", variance},
                                                              {"scores", Eigen::MatrixXd(pca.scores.leftCols(kept))},
                                                              {"names", study.names},
                                                              {"factor", factor_name},
                                                              {"groups", factor.levels},
                                                              {"loadings", pca.loadings},
                                                              {"points", static_cast<double>(p)},
                                                              {"dimension", study.flat ? 2.0 : 3.0}};
  if (corrected) state_correction(numbers, *corrected);
  ui.result({"ShapePCA", numbers});
}

}  // namespace velmora
