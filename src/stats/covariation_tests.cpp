// Allometry, canonical variates and two-block PLS as actions: their result
// boxes, result events and pictures. One file because the three share the
// group study's preparation and the result texts' form.
#include "stats/covariation_tests.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "display/difference_plot.h"
#include "display/group_scatter_plot.h"
#include "geometry/deformation_grid.h"
#include "runtime/busy_pointer.h"
#include "runtime/error.h"
#include "stats/result_texts.h"
#include "stats/shape_covariation.h"
#include "stats/shape_space_components.h"

namespace velmora {
namespace {

std::string trimmed(UiPort& ui, const char* tag) {
  std::string s = ui.has_control(tag) ? ui.control_string(tag) : "";
  s.erase(0, s.find_first_not_of(" \t"));
  s.erase(s.find_last_not_of(" \t") + 1);
  return s;
}

void check_size(const std::string& action, const GroupStudy& study) {
  if (study.specimens.count() < 3)
    throw RuntimeError(action + " needs at least 3 specimens; the study has " +
                       std::to_string(study.specimens.count()) + ".");
}

// The factor named in GroupBox (nullopt when empty unless `required`).
std::optional<Variable> group_factor(const std::string& action, const GroupStudy& study, UiPort& ui, bool required) {
  const std::string name = trimmed(ui, "GroupBox");
  if (name.empty()) {
    if (required) throw RuntimeError(action + ": name a factor in GroupBox first, for example \"species\".");
    return std::nullopt;
  }
  Variable v = study.variable(name);
  if (!v.factor)
    throw RuntimeError(action + ": \"" + name +
                       "\" in GroupBox is a covariate; groups come from a factor (mark a numeric column as a factor "
                       "in FactorColumns).");
  return v;
}

// Each specimen's group index and the groups' names (one unnamed group without a factor).
void groups_of(const std::optional<Variable>& factor, Eigen::Index n, std::vector<int>& group,
               std::vector<std::string>& names) {
  group.assign(static_cast<std::size_t>(n), 0);
  names = {"specimens"};
  if (!factor) return;
  names = factor_levels(*factor);
  for (Eigen::Index i = 0; i < n; ++i)
    group[i] = static_cast<int>(std::lower_bound(names.begin(), names.end(), factor->levels[i]) - names.begin());
}

std::vector<double> as_vector(const Eigen::VectorXd& v) { return {v.data(), v.data() + v.size()}; }

ArrangementProgress progress_of(const std::string& action, UiPort& ui) {
  return [&ui, action](std::int64_t done, std::int64_t total) { return ui.progress(action, done, total); };
}

// The change from shape `from` to shape `to` (flattened rows of the pooled
// superimposition) drawn as ShowDifference draws the mean difference, in a new
// window: vectors coloured by length and a deformation grid (exaggerated by
// DiffScale when the window has it, else as the largest arrow a tenth of the shape).
void draw_shape_change(UiPort& ui, const GroupStudy& study, const Eigen::VectorXd& from, const Eigen::VectorXd& to,
                       const std::string& action, const std::string& title) {
  const Eigen::Index p = study.specimens.points(), d = study.flat ? 2 : 3;
  double chosen = ui.has_control("DiffScale") ? ui.control_value("DiffScale") : 0;
  if (!std::isfinite(chosen) || chosen < 0 || chosen > 1e6) chosen = 0;
  DifferencePlot plot;
  plot.from = Eigen::MatrixXd::Zero(p, 3);
  Eigen::MatrixXd change = Eigen::MatrixXd::Zero(p, 3);
  for (Eigen::Index k = 0; k < p; ++k)
    for (Eigen::Index c = 0; c < d; ++c) {
      plot.from(k, c) = from(d * k + c);
      change(k, c) = to(d * k + c) - from(d * k + c);
    }
  plot.lengths = change.rowwise().norm();
  const double factor = exaggeration_for(chosen, plot.from, plot.lengths);
  plot.to = plot.from + factor * change;
  plot.flat = study.flat;
  plot.factor = factor;
  try {
    plot.grid = deformation_grid(plot.from.leftCols(d), plot.to.leftCols(d), study.flat ? 20 : 10);
  } catch (const RuntimeError& e) {
    ui.console().write(action + " draws no deformation grid (the vectors are drawn): " + e.what() + "\n");
  }
  Graphics& g = ui.graphics();
  const Handle figure = g.new_figure();
  plot_difference(g, figure, plot);
  g.set(figure, "Name", title);
  g.title(factor == 1 ? title : title + ", change x " + number("%g", factor));
}

}  // namespace

const SizeCorrection* size_correction_for(const std::string& action, const GroupStudy& study, UiPort& ui,
                                          const std::optional<SizeCorrection>& kept) {
  if (!ui.has_control("SizeCorrected") || ui.control_value("SizeCorrected") == 0) return nullptr;
  if (!kept)
    throw RuntimeError(action +
                       ": \"Use the residuals of allometry\" is on, and no allometry has been fitted; run Allometry "
                       "first (or turn SizeCorrected off).");
  if (kept->names != study.names || !(kept->specimens == study.specimens))
    throw RuntimeError(action + ": \"Use the residuals of allometry\" is on, and the allometry (" + kept->model +
                       ") was fitted to other specimens than the study has now; run Allometry again.");
  return &*kept;
}

std::optional<SizeCorrection> allometry_action(const GroupStudy& study, UiPort& ui) {
  const std::string action = "Allometry";
  const Variable logsize = study.variable("logsize");
  const std::optional<Variable> factor = group_factor(action, study, ui, false);
  check_size(action, study);
  const std::int64_t arrangements = permutation_count(action, ui);
  const std::uint64_t seed = ui.seed();
  const bool line = ui.has_control("AllometryLine") && ui.control_value("AllometryLine") == 1;
  for (const auto& note : study.notes) ui.console().write(note + "\n");

  detail::BusyPointer pointer(ui);
  if (!ui.progress(action, 0, arrangements)) {
    ui.console().write(action + " was cancelled; nothing is shown.\n");
    return std::nullopt;
  }
  const PooledShapes shapes = pooled_shapes(study.specimens, study.flat);
  const AllometryFit fit =
      allometry(shapes.coordinates, logsize, factor ? &*factor : nullptr, arrangements, seed, progress_of(action, ui));
  if (fit.cancelled) {
    ui.console().write(action + " was cancelled; nothing is shown.\n");
    return std::nullopt;
  }
  pointer.arrow();
  const ProcrustesAnova& a = fit.anova;

  GroupScatterPlot plot;
  plot.name = "Allometry";
  plot.x = logsize.values;
  plot.y = line ? fit.predicted_line : fit.regression_scores;
  groups_of(factor, study.specimens.count(), plot.group, plot.group_names);
  for (Eigen::Index i = 0; i < study.specimens.count(); ++i)
    plot.names.push_back((factor ? factor->levels[i] + ", " : std::string()) + study.names[i]);
  plot.lines = true;
  plot.xlabel = "log centroid size";
  plot.ylabel = line ? "predicted line (PC1 of fitted values)" : "regression score";
  plot.title = "Allometry: " + fit.model;
  Graphics& g = ui.graphics();
  plot_group_scatter(g, g.new_figure(), plot);
  {
    // Along the regression on logsize alone, from the smallest to the largest
    // size: the slope of the regression scores on logsize is the regression
    // vector's length.
    const Eigen::VectorXd x = logsize.values.array() - logsize.values.mean();
    const double slope = x.dot(fit.regression_scores) / x.squaredNorm();
    const Eigen::VectorXd mean = shapes.coordinates.colwise().mean().transpose();
    draw_shape_change(ui, study, mean + fit.regression_vector * slope * x.minCoeff(),
                      mean + fit.regression_vector * slope * x.maxCoeff(), action,
                      "Allometry: smallest to largest size");
  }

  const std::vector<std::vector<std::string>> rows = anova_table_rows(a);
  std::string text = "Allometry of " + std::to_string(study.specimens.count()) + " specimens, " +
                     std::to_string(study.specimens.points()) + " points: " + fit.model +
                     "\nType I (sequential) sums of squares; residual randomization, " +
                     arrangements_text(arrangements, seed) + "\n" + table_text(rows);
  if (factor) {
    const double cosine = std::abs(fit.common_component.dot(fit.regression_vector));
    text += "Common allometric component: " + number("%.1f", std::acos(std::min(1.0, cosine)) * 180 / std::acos(-1.0)) +
            " degrees from the regression on logsize alone\n";
  }
  ui.set_control_string("ResultsBox", text);
  std::vector<std::pair<std::string, ResultValue>> numbers =
      anova_result_numbers(fit.model, a, arrangements, seed, study.specimens.count());
  numbers.insert(numbers.end(), {{"names", study.names},
                                 {"logsize", as_vector(logsize.values)},
                                 {"regression_scores", as_vector(fit.regression_scores)},
                                 {"predicted_line", as_vector(fit.predicted_line)},
                                 {"regression_vector", as_vector(fit.regression_vector)}});
  if (factor) {
    numbers.emplace_back("factor", factor->name);
    numbers.emplace_back("common_component", as_vector(fit.common_component));
  }
  ui.result({action, numbers});
  return SizeCorrection{study.specimens, study.names, fit.model, fit.residuals};
}

void canonical_variates_action(const GroupStudy& study, UiPort& ui, const SizeCorrection* corrected) {
  const std::string action = "CVA";
  const Variable factor = *group_factor(action, study, ui, true);
  check_size(action, study);
  const std::int64_t arrangements = permutation_count(action, ui);
  const std::uint64_t seed = ui.seed();
  {
    // Refused before anything runs: a group of one specimen.
    const std::vector<std::string> levels = factor_levels(factor);
    for (const auto& level : levels)
      if (std::count(factor.levels.begin(), factor.levels.end(), level) < 2)
        throw RuntimeError(action + ": the group \"" + level + "\" of " + factor.name +
                           " has one specimen; canonical variates need at least two in every group.");
  }
  for (const auto& note : study.notes) ui.console().write(note + "\n");

  detail::BusyPointer pointer(ui);
  if (!ui.progress(action, 0, arrangements)) return ui.console().write(action + " was cancelled; nothing is shown.\n");
  PooledShapes shapes;
  if (corrected)
    shapes.coordinates = corrected->residuals;
  else
    shapes = pooled_shapes(study.specimens, study.flat);
  const CanonicalVariates cv =
      canonical_variates(shapes.coordinates, factor, arrangements, seed, progress_of(action, ui));
  if (cv.cancelled) return ui.console().write(action + " was cancelled; nothing is shown.\n");
  pointer.arrow();
  const Eigen::Index n = study.specimens.count(), g = static_cast<Eigen::Index>(cv.levels.size());

  GroupScatterPlot plot;
  plot.name = "Canonical variates";
  groups_of(factor, n, plot.group, plot.group_names);
  for (Eigen::Index i = 0; i < n; ++i) plot.names.push_back(factor.levels[i] + ", " + study.names[i]);
  plot.means = true;
  const auto share = [&](Eigen::Index j) { return " (" + number("%.1f", 100 * cv.shares(j)) + " %)"; };
  plot.x = cv.scores.col(0);
  plot.xlabel = "CV1" + share(0);
  if (cv.scores.cols() >= 2) {
    plot.y = cv.scores.col(1);
    plot.ylabel = "CV2" + share(1);
    plot.title = "Canonical variates of " + factor.name + ": CV1 against CV2";
    Graphics& graphics = ui.graphics();
    plot_group_scatter(graphics, graphics.new_figure(), plot);
  } else {
    // Two groups: one variate, its counts by group.
    plot.title = "Canonical variate of " + factor.name;
    Graphics& graphics = ui.graphics();
    plot_group_histogram(graphics, graphics.new_figure(), plot);
  }
  {
    // Along CV1, from the lowest group mean to the highest: the shape
    // regressed on the CV1 scores.
    const Eigen::RowVectorXd mean = shapes.coordinates.colwise().mean();
    const Eigen::VectorXd cv1 = cv.scores.col(0);
    const Eigen::VectorXd change = (shapes.coordinates.rowwise() - mean).transpose() * cv1 / cv1.squaredNorm();
    draw_shape_change(ui, study, mean.transpose() + change * cv.means.col(0).minCoeff(),
                      mean.transpose() + change * cv.means.col(0).maxCoeff(), action,
                      "CV1: lowest to highest group mean");
  }

  std::string text = "Canonical variates of " + factor.name + ": " + std::to_string(n) + " specimens, " +
                     std::to_string(g) + " groups, " + std::to_string(cv.components) + " principal components\n";
  if (corrected) text += size_corrected_line(*corrected) + "\n";
  if (cv.components < cv.nonzero)
    text +=
        "The within-group covariance is singular (fewer specimens than dimensions): the components were cut to "
        "n - g = " +
        std::to_string(cv.components) + ".\n";
  std::vector<std::vector<std::string>> ev = {{"", "Eigenvalue", "% of variance"}};
  for (Eigen::Index j = 0; j < cv.eigenvalues.size(); ++j)
    ev.push_back({"CV" + std::to_string(j + 1), number("%.6g", cv.eigenvalues(j)), number("%.2f", 100 * cv.shares(j))});
  text += table_text(ev);
  text += "Distances between group means; label permutations, " + arrangements_text(arrangements, seed) + "\n";
  std::vector<std::vector<std::string>> d = {{"", "", "Mahalanobis", "p", "Procrustes", "p"}};
  for (std::size_t k = 0; k < cv.a.size(); ++k)
    d.push_back({cv.a[k], cv.b[k], number("%.4f", cv.mahalanobis[k]), number("%.4g", cv.mahalanobis_p[k]),
                 number("%.6g", cv.procrustes[k]), number("%.4g", cv.procrustes_p[k])});
  text += table_text(d);
  text += "Leave-one-out classification (rows true, columns assigned; " + std::to_string(cv.classification_components) +
          " components)\n";
  std::vector<std::vector<std::string>> t = {{""}};
  for (const auto& level : cv.levels) t[0].push_back(level);
  t[0].push_back("% correct");
  for (Eigen::Index r = 0; r < g; ++r) {
    t.push_back({cv.levels[r]});
    for (Eigen::Index c = 0; c < g; ++c) t.back().push_back(std::to_string(cv.table(r, c)));
    t.back().push_back(number("%.1f", 100.0 * cv.table(r, r) / cv.counts[r]));
  }
  text += table_text(t);
  text += "Correct: " + number("%.1f", 100 * cv.accuracy) + " % left out, " +
          number("%.1f", 100 * cv.resubstitution_accuracy) + " % kept in\n";
  ui.set_control_string("ResultsBox", text);

  std::vector<double> counts(cv.counts.begin(), cv.counts.end());
  ui.result({action,
             {{"factor", factor.name},
              {"levels", cv.levels},
              {"counts", counts},
              {"components", static_cast<double>(cv.components)},
              {"eigenvalues", as_vector(cv.eigenvalues)},
              {"variance", as_vector(cv.shares)},
              {"a", cv.a},
              {"b", cv.b},
              {"mahalanobis", cv.mahalanobis},
              {"mahalanobis_p", cv.mahalanobis_p},
              {"procrustes", cv.procrustes},
              {"procrustes_p", cv.procrustes_p},
              {"classification_components", static_cast<double>(cv.classification_components)},
              {"table", Eigen::MatrixXd(cv.table.cast<double>())},
              {"accuracy", cv.accuracy},
              {"resubstitution", Eigen::MatrixXd(cv.resubstitution.cast<double>())},
              {"resubstitution_accuracy", cv.resubstitution_accuracy},
              {"names", study.names},
              {"scores", cv.scores},
              {"size_corrected", corrected ? 1.0 : 0.0},
              {"allometry_model", corrected ? corrected->model : std::string()},
              {"permutations", static_cast<double>(arrangements)},
              {"seed", seed}}});
}

void two_block_pls_action(const GroupStudy& study, UiPort& ui, const SizeCorrection* corrected) {
  const std::string action = "TwoBlockPLS";
  const std::string text_blocks = trimmed(ui, "BlockBox");
  if (text_blocks.empty())
    throw RuntimeError(action + ": name two blocks of points in BlockBox first, for example \"1-12 | 13-40\".");
  const Eigen::Index points = study.specimens.points(), n = study.specimens.count();
  const PointBlocks blocks = parse_point_blocks(text_blocks, points);
  const std::optional<Variable> factor = group_factor(action, study, ui, false);
  check_size(action, study);
  const bool separate = ui.has_control("SeparateBlocks") && ui.control_value("SeparateBlocks") != 0;
  const Eigen::Index d = study.flat ? 2 : 3;
  const auto too_few = [&](const std::vector<Eigen::Index>& b, const std::string& which) {
    if (separate && b.size() < 2)
      throw RuntimeError(action + ": the " + which +
                         " block has one point; superimposed on its own it needs at least 2.");
  };
  if (separate && corrected)
    throw RuntimeError(action +
                       ": the residuals of allometry come from the whole form superimposed together; turn "
                       "SeparateBlocks or SizeCorrected off.");
  too_few(blocks.first, "first");
  too_few(blocks.second, "second");
  const std::int64_t arrangements = permutation_count(action, ui);
  const std::uint64_t seed = ui.seed();
  for (const auto& note : study.notes) ui.console().write(note + "\n");

  detail::BusyPointer pointer(ui);
  if (!ui.progress(action, 0, arrangements)) return ui.console().write(action + " was cancelled; nothing is shown.\n");
  // The columns of the points of a block (x y z, or x y, a point).
  const auto columns = [&](const Eigen::MatrixXd& coordinates, const std::vector<Eigen::Index>& list) {
    Eigen::MatrixXd out(n, d * static_cast<Eigen::Index>(list.size()));
    for (std::size_t k = 0; k < list.size(); ++k)
      out.middleCols(d * static_cast<Eigen::Index>(k), d) = coordinates.middleCols(d * list[k], d);
    return out;
  };
  const auto own = [&](const std::vector<Eigen::Index>& list) {
    Sample part(static_cast<Eigen::Index>(list.size()), n);
    for (Eigen::Index i = 0; i < n; ++i)
      for (std::size_t k = 0; k < list.size(); ++k)
        part.specimen(i).row(static_cast<Eigen::Index>(k)) = study.specimens.specimen(i).row(list[k]);
    std::vector<Eigen::Index> all(list.size());
    for (std::size_t k = 0; k < list.size(); ++k) all[k] = static_cast<Eigen::Index>(k);
    return columns(pooled_shapes(part, study.flat).coordinates, all);
  };
  Eigen::MatrixXd y1, y2;
  if (separate) {
    y1 = own(blocks.first);
    y2 = own(blocks.second);
  } else {
    const Eigen::MatrixXd coordinates =
        corrected ? corrected->residuals : pooled_shapes(study.specimens, study.flat).coordinates;
    y1 = columns(coordinates, blocks.first);
    y2 = columns(coordinates, blocks.second);
  }
  const TwoBlockPls pls = two_block_pls(y1, y2, arrangements, seed, progress_of(action, ui));
  if (pls.cancelled) return ui.console().write(action + " was cancelled; nothing is shown.\n");
  pointer.arrow();

  GroupScatterPlot plot;
  plot.name = "Two-block PLS";
  plot.x = pls.scores1;
  plot.y = pls.scores2;
  groups_of(factor, n, plot.group, plot.group_names);
  for (Eigen::Index i = 0; i < n; ++i)
    plot.names.push_back((factor ? factor->levels[i] + ", " : std::string()) + study.names[i]);
  plot.xlabel = "PLS1 of block 1 (" + blocks.first_text + ")";
  plot.ylabel = "PLS1 of block 2 (" + blocks.second_text + ")";
  plot.title = "Two-block PLS: r-PLS " + number("%.3f", pls.r_pls);
  Graphics& g = ui.graphics();
  plot_group_scatter(g, g.new_figure(), plot);

  const std::string how = separate    ? "each block superimposed on its own"
                          : corrected ? "size-corrected: the residuals of allometry (" + corrected->model + ")"
                                      : "the blocks superimposed together";
  std::string text = "Two-block PLS of " + std::to_string(n) + " specimens: points " + blocks.first_text + " | " +
                     blocks.second_text + ", " + how + "\n";
  std::vector<std::vector<std::string>> rows = {{"", "Singular value", "% of covariance"}};
  for (Eigen::Index j = 0; j < std::min<Eigen::Index>(10, pls.singular_values.size()); ++j)
    rows.push_back({"PLS" + std::to_string(j + 1), number("%.6g", pls.singular_values(j)),
                    number("%.2f", 100 * pls.covariance_share(j))});
  text += table_text(rows);
  text += "r-PLS " + number("%.4f", pls.r_pls) + ", Z " + number("%.4f", pls.z) + ", p " + number("%.4g", pls.p) +
          " (rows of block 2 permuted, " + arrangements_text(arrangements, seed) + ")";
  ui.set_control_string("ResultsBox", text);
  ui.result({action,
             {{"blocks", std::vector<std::string>{blocks.first_text, blocks.second_text}},
              {"superimposition", std::string(separate ? "separate" : "together")},
              {"size_corrected", corrected ? 1.0 : 0.0},
              {"singular_values", as_vector(pls.singular_values)},
              {"covariance_share", as_vector(pls.covariance_share)},
              {"r_pls", pls.r_pls},
              {"p", pls.p},
              {"z", pls.z},
              {"names", study.names},
              {"scores1", as_vector(pls.scores1)},
              {"scores2", as_vector(pls.scores2)},
              {"permutations", static_cast<double>(arrangements)},
              {"seed", seed}}});
}

}  // namespace velmora
