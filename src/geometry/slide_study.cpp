#include "geometry/slide_study.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "display/campos.h"
#include "display/sample_style.h"
#include "display/showshape3D.h"
#include "display/title.h"
#include "geometry/semilandmark_layout.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

constexpr const char* kAction = "SlideSamples";
constexpr const char* kBoxTitle = "Slide semilandmarks";
constexpr const char* kPlotTitle = "Slid semilandmarks";

SlideCriterion criterion_of(double value) {
  if (value == 1) return SlideCriterion::bending;
  if (value == 2) return SlideCriterion::procrustes;
  throw RuntimeError(sprintf_m(
      "SlideCriterion has the Value %g; it is 1 (bending energy) or 2 (Procrustes distance). Nothing was changed.",
      value));
}

std::string notice_of(const SlidSamples& slid, const SlideOptions& options) {
  std::string text = "slid: ";
  text += options.criterion == SlideCriterion::bending ? "bending energy" : "Procrustes distance";
  text += sprintf_m(", %i iteration", slid.iterations) + (slid.iterations == 1 ? "" : "s");
  if (!slid.settled) text += " without settling";
  text += options.project ? ", projected on curves" : ", not projected on curves";
  return text;
}

std::string unslid_text(const SlidSamples& slid, const SemilandmarkLayout& layout) {
  if (slid.unslid.empty()) return "";
  std::string text = sprintf_m(
      "\n%i semilandmarks were left where they were: their two neighbours on the curve coincide, so the curve has "
      "no direction there.",
      static_cast<double>(slid.unslid.size()));
  const std::size_t shown = std::min<std::size_t>(slid.unslid.size(), 20);
  for (std::size_t k = 0; k < shown; ++k) {
    const UnslidSemilandmark& u = slid.unslid[k];
    text += sprintf_m("\nspecimen %i of the %s sample, ", u.specimen, std::string(u.sample == 1 ? "first" : "second")) +
            point_name(layout, u.row);
  }
  if (shown < slid.unslid.size()) text += sprintf_m("\nand %i more", static_cast<double>(slid.unslid.size() - shown));
  return text;
}

/// The pairs of consensus points (p by 3) that lie closer than a tenth of the
/// median distance from a point to its nearest neighbour (a closed curve's
/// closing repeat is its first point and is left out): the spline bends
/// sharply between them. At most three, the closest first.
std::string close_points_text(const Eigen::MatrixXd& consensus, const SemilandmarkLayout& layout,
                              const std::vector<MergedPoint>& merged) {
  const Eigen::Index p = consensus.rows();
  std::vector<bool> repeat(static_cast<std::size_t>(p), false);
  for (const SlidingPoint& s : layout.sliding)
    if (s.twin >= 0) repeat[static_cast<std::size_t>(s.twin)] = true;
  for (const MergedPoint& m : merged) repeat[static_cast<std::size_t>(m.point)] = true;
  std::vector<double> nearest;
  std::vector<std::tuple<double, Eigen::Index, Eigen::Index>> pairs;
  for (Eigen::Index i = 0; i < p; ++i) {
    if (repeat[static_cast<std::size_t>(i)]) continue;
    double best = INFINITY;
    for (Eigen::Index j = 0; j < p; ++j) {
      if (j == i || repeat[static_cast<std::size_t>(j)]) continue;
      const double d = (consensus.row(i) - consensus.row(j)).norm();
      best = std::min(best, d);
      if (j > i) pairs.emplace_back(d, i, j);
    }
    nearest.push_back(best);
  }
  if (nearest.empty()) return "";
  std::nth_element(nearest.begin(), nearest.begin() + nearest.size() / 2, nearest.end());
  const double typical = nearest[nearest.size() / 2];
  std::sort(pairs.begin(), pairs.end());
  std::string text;
  for (std::size_t k = 0; k < std::min<std::size_t>(pairs.size(), 3); ++k) {
    const auto& [d, i, j] = pairs[k];
    if (!(d < 0.1 * typical)) break;
    text += sprintf_m(
        "\nPoints %i (%s) and %i (%s) of the consensus lie %.2g apart, %.2g of the usual distance "
        "between neighbouring points.",
        i + 1, point_name(layout, i), j + 1, point_name(layout, j), d, d / typical);
  }
  if (!text.empty())
    text +=
        "\nThe thin-plate spline bends sharply between points so close, which can pull the semilandmarks near them "
        "far along their curves; digitise such a curve end on its landmark, or slide by Procrustes distance.";
  return text;
}

/// The curve points taken as the landmark they lie on, at most 20 named.
std::string merged_text(const std::vector<MergedPoint>& merged, const SemilandmarkLayout& layout) {
  if (merged.empty()) return "";
  std::string text = sprintf_m(
      "\n%i curve point%s on a fixed landmark in the consensus (closer than %g of its curve's point spacing) and "
      "%s that landmark: %s not slide and the spline passes through the landmark once.",
      static_cast<double>(merged.size()), std::string(merged.size() == 1 ? " lies" : "s lie"), kMergeShare,
      std::string(merged.size() == 1 ? "was taken as" : "were taken as"),
      std::string(merged.size() == 1 ? "it did" : "they did"));
  const std::size_t shown = std::min<std::size_t>(merged.size(), 20);
  for (std::size_t k = 0; k < shown; ++k) {
    const MergedPoint& m = merged[k];
    text += sprintf_m("\npoint %i (%s) on point %i (%s), %.2g apart", m.point + 1, point_name(layout, m.point),
                      m.landmark + 1, point_name(layout, m.landmark), m.distance);
  }
  if (shown < merged.size()) text += sprintf_m("\nand %i more", static_cast<double>(merged.size() - shown));
  return text;
}

}  // namespace

std::optional<SlidStudy> slide_study(const Eigen::MatrixXd& proto, const Eigen::RowVectorXd& rbreak,
                                     const Sample& data1, const CurvePolylines& curves1, const Sample& data2,
                                     const CurvePolylines& curves2, UiPort& ui) {
  SlideOptions options;
  options.criterion = criterion_of(ui.control_value("SlideCriterion"));
  options.project = ui.control_value("ProjectOnCurve") != 0;
  if (data1.empty() || data1.count() == 0)
    throw RuntimeError("There is no first sample to slide: load one with LoadFile1 or LoadFile2D first.");
  const SemilandmarkLayout layout = semilandmark_layout(proto, rbreak, data1.points());

  SlidStudy out;
  int reached = 0;
  out.samples = slide_samples(data1, curves1, data2, curves2, layout, options, [&](int done, int most) {
    reached = done;
    return ui.progress(kAction, done, most);
  });
  if (out.samples.cancelled) {
    ui.console().write(sprintf_m("%s was cancelled after %i of at most %i iterations; nothing was changed.\n",
                                 std::string(kAction), reached, options.most_iterations));
    return std::nullopt;
  }
  const SlidSamples& slid = out.samples;
  out.notice = notice_of(slid, options);

  Graphics& graphics = ui.graphics();
  graphics.new_figure();
  showshape3D(graphics, Sample(slid.first.mean), sample_style(1).mean);
  showshape3D(graphics, slid.first.aligned, sample_style(1).specimens);
  title(graphics, kPlotTitle);
  const Eigen::MatrixXd& mean = slid.first.mean;
  if (mean.col(2).cwiseAbs().maxCoeff() == 0) campos(graphics, Eigen::Vector3d(0, 0, 10));

  const double before = slid.procrustes_ss.front(), after = slid.procrustes_ss.back();
  std::string text = out.notice;
  text += sprintf_m("\nThe summed squared Procrustes distance to the consensus was %.6g before sliding and is %.6g.",
                    before, after);
  if (slid.bending_energy.size() == 2)
    text += sprintf_m(
        "\nThe summed bending energy of the specimens against the consensus (what sliding by bending energy "
        "minimises) was %.6g before sliding and is %.6g.",
        slid.bending_energy.front(), slid.bending_energy.back());
  if (!slid.settled) {
    const double last = slid.procrustes_ss[slid.procrustes_ss.size() - 2];
    text += sprintf_m(
        "\nIt had not settled after %i iterations (the last changed it by %.3g%%); the last iteration's result is "
        "kept.",
        slid.iterations, 100 * std::abs(after - last) / last);
  }
  if (options.project && !data2.empty())
    text +=
        "\nThe second sample has no digitised clicks: its points were put back onto the polylines through its own "
        "resampled curve points.";
  text += merged_text(slid.merged, layout);
  if (options.criterion == SlideCriterion::bending) text += close_points_text(slid.first.mean, layout, slid.merged);
  text += unslid_text(slid, layout);
  ui.console().write(text + "\n");
  ui.message_box(text, kBoxTitle, MessageMode::non_modal);

  const std::vector<double> ss(slid.procrustes_ss.begin(), slid.procrustes_ss.end());
  ui.result({kAction,
             {{"criterion", std::string(options.criterion == SlideCriterion::bending ? "bending" : "procrustes")},
              {"iterations", static_cast<double>(slid.iterations)},
              {"settled", slid.settled ? 1.0 : 0.0},
              {"projected", options.project ? 1.0 : 0.0},
              {"procrustes_ss", ss},
              {"bending_energy", slid.bending_energy},
              {"merged", static_cast<double>(slid.merged.size())},
              {"unslid", static_cast<double>(slid.unslid.size())}}});
  return out;
}

}  // namespace velmora
