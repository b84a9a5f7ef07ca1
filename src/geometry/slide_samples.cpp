#include "geometry/slide_samples.h"

#include <oneapi/tbb/blocked_range.h>
#include <oneapi/tbb/enumerable_thread_specific.h>
#include <oneapi/tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "geometry/consensus_bending_energy.h"
#include "geometry/getpdistance3.h"
#include "geometry/nearest_on_polyline.h"
#include "geometry/similarity_fit.h"
#include "geometry/slide_together.h"
#include "geometry/superimpose_second.h"
#include "runtime/available_memory.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {
namespace {

using Range = tbb::blocked_range<Eigen::Index>;

/// The polylines of one sample: those kept, or else the ones through each
/// specimen's own curve points.
CurvePolylines polylines_of(const Sample& data, const CurvePolylines& kept, const SemilandmarkLayout& layout,
                            const char* which) {
  const auto n = static_cast<std::size_t>(data.count());
  CurvePolylines out;
  if (kept.empty()) {
    out.resize(n);
    for (std::size_t i = 0; i < n; ++i)
      for (const CurveSpan& c : layout.curves)
        out[i].push_back(data.specimen(static_cast<Eigen::Index>(i)).middleRows(c.first, c.count));
    return out;
  }
  bool fits = kept.size() == n;
  for (std::size_t i = 0; fits && i < n; ++i) {
    fits = kept[i].size() == layout.curves.size();
    for (std::size_t j = 0; fits && j < kept[i].size(); ++j) fits = kept[i][j].rows() > 0 && kept[i][j].cols() == 3;
  }
  if (!fits)
    throw RuntimeError(std::string("The digitised curves kept with the ") + which +
                       " sample do not match it or the protocol; load the sample again.");
  return kept;
}

/// Every semilandmark of `specimen` put onto the nearest point of its curve.
void project(Eigen::Ref<Eigen::MatrixXd> specimen, const std::vector<Eigen::MatrixXd>& curves,
             const SemilandmarkLayout& layout) {
  for (const SlidingPoint& s : layout.sliding) {
    const Eigen::RowVector3d on = nearest_on_polyline(specimen.row(s.point), curves[static_cast<std::size_t>(s.curve)]);
    specimen.row(s.point) = on;
    if (s.twin >= 0) specimen.row(s.twin) = on;
  }
}

/// Carries every specimen's polylines from the frame of `before` to that of `after`.
void carry(CurvePolylines& polylines, const Sample& before, const Sample& after, Eigen::Index offset = 0) {
  tbb::parallel_for(Range(0, after.count()), [&](const Range& range) {
    for (Eigen::Index i = range.begin(); i != range.end(); ++i) {
      const Similarity s = similarity_fit(before.specimen(i), after.specimen(i));
      for (Eigen::MatrixXd& curve : polylines[static_cast<std::size_t>(offset + i)]) curve = s.of(curve);
    }
  });
}

double summed_squares(const Superimposition& s) {
  const Eigen::RowVectorXd d = getpdistance3(s.mean, s.aligned);
  return d.squaredNorm();
}

Sample specimens(const Sample& data, Eigen::Index first, Eigen::Index count) {
  Sample out(data.points(), count);
  out.values() = data.values().middleCols(3 * first, 3 * count);
  return out;
}

// The summed bending energy |tr(D' Lp D)| of every specimen's deviation D
// from the consensus. In space the kernel r makes the form negative
// semidefinite (in the plane r^2 log r^2 makes it positive): its size is the
// energy.
double summed_bending(const Superimposition& s, const Eigen::MatrixXd& lp) {
  double total = 0;
  for (Eigen::Index i = 0; i < s.aligned.count(); ++i) {
    const Eigen::MatrixXd d = s.aligned.specimen(i) - s.mean;
    total += std::abs((d.transpose() * (lp * d)).trace());
  }
  return total;
}

// The same with Lp applied through its factorisation, to every deviation at once.
double summed_bending(const Superimposition& s, const ConsensusBendingEnergy& lp) {
  Eigen::MatrixXd d = s.aligned.values();
  for (Eigen::Index i = 0; i < s.aligned.count(); ++i) d.middleCols(3 * i, 3) -= s.mean;
  Eigen::MatrixXd bent = d;
  lp.apply(bent);
  double total = 0;
  for (Eigen::Index i = 0; i < s.aligned.count(); ++i)
    total += std::abs(d.middleCols(3 * i, 3).cwiseProduct(bent.middleCols(3 * i, 3)).sum());
  return total;
}

// The layout without the semilandmarks that stay on their landmarks.
SemilandmarkLayout without_merged(const SemilandmarkLayout& layout, const std::vector<MergedPoint>& merged) {
  if (merged.empty()) return layout;
  SemilandmarkLayout out = layout;
  std::erase_if(out.sliding, [&](const SlidingPoint& s) {
    return std::any_of(merged.begin(), merged.end(), [&](const MergedPoint& m) { return m.point == s.point; });
  });
  return out;
}

// What a sliding costs, counted before it starts, so that one that cannot
// finish in reasonable time (a curve of 200,000 points) is refused with the
// estimate instead of running on at full speed beyond any cancel. The rates
// are those of a plain desktop core, rounded down (the dense factorisations
// run in the optimised LAPACK).
constexpr double kFlopsPerSecond = 1e10;     // dense factorisations
constexpr double kSegmentsPerSecond = 1e9;   // point-to-segment distances
constexpr double kLongestSlide = 30.0 * 60;  // seconds

void refuse_what_cannot_finish(const SemilandmarkLayout& layout, Eigen::Index specimens,
                               const CurvePolylines& polylines, const SlideOptions& options) {
  const double p = static_cast<double>(layout.points), n = static_cast<double>(specimens);
  const double m = static_cast<double>(layout.sliding.size());
  double seconds = 0;
  if (options.criterion == SlideCriterion::bending) {
    // The spline of the consensus (a Cholesky factorisation of p - 4 rows
    // and its inverse), then each specimen's m by m system and its energy:
    // factored, or for long curves about 30 steps of products with Lp and
    // the preconditioner.
    const double specimen = m >= static_cast<double>(detail::kTogetherFrom) ? 30 * 8 * m * m : m * m * m / 3 + 3 * m * m;
    seconds += (p * p * p + n * (specimen + 12 * p * p)) / kFlopsPerSecond;
    check_memory(4 * 8 * (p + 4) * (p + 4) + 2 * 8 * m * m,
                 "Sliding by bending energy on " + std::to_string(layout.points) + " points");
  }
  if (options.project) {
    std::vector<double> on_curve(layout.curves.size(), 0);
    for (const SlidingPoint& s : layout.sliding) on_curve[static_cast<std::size_t>(s.curve)] += 1;
    double segments = 0;
    for (const std::vector<Eigen::MatrixXd>& curves : polylines)
      for (std::size_t j = 0; j < curves.size() && j < on_curve.size(); ++j)
        segments += on_curve[j] * static_cast<double>(curves[j].rows());
    seconds += segments / kSegmentsPerSecond;
  }
  seconds *= options.most_iterations;
  if (seconds <= kLongestSlide) return;
  throw RuntimeError(sprintf_m(
      "Sliding %i semilandmarks of %i specimens by %s would take about %s (up to %i iterations); nothing was "
      "changed. Resample the curves to fewer points in the protocol%s.",
      m, n, std::string(options.criterion == SlideCriterion::bending ? "bending energy" : "Procrustes distance"),
      seconds < 2 * 3600 ? sprintf_m("%.0f minutes", seconds / 60) : sprintf_m("%.0f hours", seconds / 3600),
      options.most_iterations,
      std::string(options.criterion == SlideCriterion::bending ? ", or slide by Procrustes distance" : "")));
}

struct ThreadScratch {
  detail::SlideWorkspace work;
  std::vector<std::size_t> found;
};

}  // namespace

SlidSamples slide_samples(const Sample& data1, const CurvePolylines& curves1, const Sample& data2,
                          const CurvePolylines& curves2, const SemilandmarkLayout& layout, const SlideOptions& options,
                          const SlideProgress& progress) {
  if (data1.empty() || data1.count() == 0)
    throw RuntimeError("There is no first sample to slide: load one with LoadFile1 or LoadFile2D first.");
  const Eigen::Index p = data1.points();
  if (p != layout.points)
    throw RuntimeError(
        sprintf_m("The first sample has %i points, its curve starts describe %i; load it again.", p, layout.points));
  const Eigen::Index n1 = data1.count();
  const Eigen::Index n2 = data2.empty() ? 0 : data2.count();
  if (n2 > 0 && data2.points() != p)
    throw RuntimeError(
        sprintf_m("The second sample has %i points, the first %i; both must have the same points.", data2.points(), p));
  const Eigen::Index n = n1 + n2;

  Sample pool(p, n);
  pool.values().leftCols(3 * n1) = data1.values();
  if (n2 > 0) pool.values().rightCols(3 * n2) = data2.values();
  CurvePolylines polylines = polylines_of(data1, curves1, layout, "first");
  if (n2 > 0) {
    CurvePolylines second = polylines_of(data2, curves2, layout, "second");
    polylines.insert(polylines.end(), std::make_move_iterator(second.begin()), std::make_move_iterator(second.end()));
  }

  refuse_what_cannot_finish(layout, n, polylines, options);

  SlidSamples out;
  Superimposition sup = getpproc3(pool);
  carry(polylines, pool, sup.aligned);
  out.procrustes_ss.push_back(summed_squares(sup));

  const bool bending = options.criterion == SlideCriterion::bending;
  if (bending) out.merged = points_on_landmarks(sup.mean, layout);
  const SemilandmarkLayout sliding = without_merged(layout, out.merged);
  const auto m = static_cast<Eigen::Index>(sliding.sliding.size());
  tbb::enumerable_thread_specific<ThreadScratch> scratch([&] { return ThreadScratch{{p, m}, {}}; });
  std::vector<std::vector<char>> unslid(static_cast<std::size_t>(n), std::vector<char>(static_cast<std::size_t>(m), 0));
  // Long curves are slid together (slide_together), with the energy applied
  // through its factorisation and one preconditioner kept across iterations;
  // the formed system serves the rest, and any specimen left over.
  const bool together = bending && m >= detail::kTogetherFrom;
  detail::SlidePreconditioner preconditioner;
  for (int k = 1; k <= options.most_iterations; ++k) {
    std::optional<ConsensusBendingEnergy> spline;
    detail::SlideSystem system;
    system.criterion = options.criterion;
    const auto form = [&] {
      const Eigen::MatrixXd energy = spline->matrix();
      if (k == 1) out.bending_energy.push_back(summed_bending(sup, energy));
      system = detail::slide_system(options.criterion, energy, sliding);
    };
    if (bending) {
      spline.emplace(sup.mean, layout, out.merged);
      if (!together || k == 1 || preconditioner.stale()) form();
      if (together && preconditioner.stale()) detail::prepare_preconditioner(preconditioner, system, sup.mean, sliding);
    }
    Sample slid = sup.aligned;
    std::vector<char> done(static_cast<std::size_t>(n), 0);
    if (together) {
      std::vector<std::vector<std::size_t>> found(static_cast<std::size_t>(n));
      done = detail::slide_together(slid, sup.mean, *spline, preconditioner, sliding, found);
      for (std::size_t i = 0; i < found.size(); ++i)
        for (std::size_t a : found[i]) unslid[i][a] = 1;
      if (std::find(done.begin(), done.end(), 0) != done.end() && system.among.size() == 0) form();
    }
    // Each specimen is slid on its own, so the result is the same on any number of threads.
    tbb::parallel_for(Range(0, n), [&](const Range& range) {
      for (Eigen::Index i = range.begin(); i != range.end(); ++i) {
        if (done[static_cast<std::size_t>(i)] == 0) {
          ThreadScratch& local = scratch.local();
          local.found.clear();
          detail::slide_in_place(slid.specimen(i), sup.mean, system, sliding, local.work, local.found);
          for (std::size_t a : local.found) unslid[static_cast<std::size_t>(i)][a] = 1;
        }
        if (options.project) project(slid.specimen(i), polylines[static_cast<std::size_t>(i)], sliding);
      }
    });
    Superimposition next = getpproc3(slid);
    carry(polylines, slid, next.aligned);
    sup = std::move(next);
    const double before = out.procrustes_ss.back();
    const double after = summed_squares(sup);
    out.procrustes_ss.push_back(after);
    out.iterations = k;
    if (progress && !progress(k, options.most_iterations)) {
      out.cancelled = true;
      return out;
    }
    // Specimens of one shape leave only rounding in the sum: that has settled too.
    const double rounding = 1e-24 * static_cast<double>(n);
    if (std::abs(after - before) <= options.tolerance * before || std::max(after, before) <= rounding) {
      out.settled = true;
      break;
    }
  }

  for (Eigen::Index i = 0; i < n; ++i)
    for (Eigen::Index a = 0; a < m; ++a)
      if (unslid[static_cast<std::size_t>(i)][static_cast<std::size_t>(a)] != 0)
        out.unslid.push_back(
            {i < n1 ? 1 : 2, (i < n1 ? i : i - n1) + 1, sliding.sliding[static_cast<std::size_t>(a)].point});
  if (bending && out.iterations > 0) {
    // The energy after sliding, against the final consensus's spline; a
    // consensus that no longer carries one leaves the figure out, not the result.
    try {
      out.bending_energy.push_back(summed_bending(sup, ConsensusBendingEnergy(sup.mean, layout, out.merged)));
    } catch (const RuntimeError&) {
      out.bending_energy.clear();
    }
  }

  // Each sample in the frame it has when loaded: the first on its own mean,
  // the second fitted into the frame of the first's.
  if (n2 == 0) {
    out.first = std::move(sup);
    out.curves1 = std::move(polylines);
    return out;
  }
  const Sample slid1 = specimens(sup.aligned, 0, n1);
  const Sample slid2 = specimens(sup.aligned, n1, n2);
  out.first = getpproc3(slid1);
  out.second = superimpose_second(slid2, out.first.mean);
  carry(polylines, slid1, out.first.aligned);
  carry(polylines, slid2, out.second.aligned, n1);
  out.curves1.assign(std::make_move_iterator(polylines.begin()), std::make_move_iterator(polylines.begin() + n1));
  out.curves2.assign(std::make_move_iterator(polylines.begin() + n1), std::make_move_iterator(polylines.end()));
  return out;
}

}  // namespace velmora
