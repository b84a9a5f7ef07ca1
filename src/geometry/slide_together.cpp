#include "geometry/slide_together.h"

#include <oneapi/tbb/blocked_range.h>
#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/partitioner.h>

#include <algorithm>
#include <cmath>
#include <span>

#include "runtime/linear_algebra.h"

namespace velmora::detail {
namespace {

using Range = tbb::blocked_range<Eigen::Index>;

constexpr Eigen::Index kBlock = 12;  // specimens that share each solve
constexpr int kMostSteps = 150;
constexpr int kStaleAfter = 60;  // steps that call for a new preconditioner
// Settled when the preconditioned residual, the error left to first order,
// is nowhere above this share of the largest shift, or of the consensus's
// size: no point is then more than that from where the direct solution puts
// it along its curve.
constexpr double kSettled = 1e-12;

struct Specimens {
  Eigen::MatrixXd tx, ty, tz;  // m by n: each specimen's tangents, a column each
  Eigen::MatrixXd rhs;         // m by n: sign U' L (Y - M)
  std::vector<std::vector<std::size_t>> pinned;
  Eigen::Index axes = 2;  // 2 when every tangent lies in the plane
};

/// Lp among the semilandmarks applied to the columns of `in` (m by k):
/// placed at their points, Lp applied through its factorisation, and read
/// back there.
void energy_among(const ConsensusBendingEnergy& energy, const SemilandmarkLayout& layout, Eigen::Index points,
                  const Eigen::MatrixXd& in, Eigen::MatrixXd& placed, Eigen::MatrixXd& out) {
  const Eigen::Index m = in.rows();
  placed.setZero(points, in.cols());
  for (Eigen::Index a = 0; a < m; ++a) placed.row(layout.sliding[static_cast<std::size_t>(a)].point) = in.row(a);
  energy.apply(placed);
  out.resize(m, in.cols());
  for (Eigen::Index a = 0; a < m; ++a) out.row(a) = placed.row(layout.sliding[static_cast<std::size_t>(a)].point);
}

struct Scratch {
  Eigen::MatrixXd spread, placed, product;
};

/// sign U' L U applied to each column of d, for the specimens `columns` (d's
/// columns, in order): the sum over the axes of t .* (Lp (t .* d)), and d
/// itself at a pinned semilandmark.
void apply_system(const ConsensusBendingEnergy& energy, const SemilandmarkLayout& layout, Eigen::Index points,
                  const Specimens& s, double sign, const std::vector<Eigen::Index>& columns, const Eigen::MatrixXd& d,
                  Scratch& scratch, Eigen::MatrixXd& out) {
  const Eigen::Index m = d.rows(), k = d.cols();
  scratch.spread.resize(m, s.axes * k);
  for (Eigen::Index j = 0; j < k; ++j) {
    const Eigen::Index i = columns[static_cast<std::size_t>(j)];
    scratch.spread.col(j) = s.tx.col(i).cwiseProduct(d.col(j));
    scratch.spread.col(k + j) = s.ty.col(i).cwiseProduct(d.col(j));
    if (s.axes == 3) scratch.spread.col(2 * k + j) = s.tz.col(i).cwiseProduct(d.col(j));
  }
  energy_among(energy, layout, points, scratch.spread, scratch.placed, scratch.product);
  out.resize(m, k);
  for (Eigen::Index j = 0; j < k; ++j) {
    const Eigen::Index i = columns[static_cast<std::size_t>(j)];
    out.col(j) = s.tx.col(i).cwiseProduct(scratch.product.col(j)) + s.ty.col(i).cwiseProduct(scratch.product.col(k + j));
    if (s.axes == 3) out.col(j) += s.tz.col(i).cwiseProduct(scratch.product.col(2 * k + j));
    out.col(j) *= sign;
    for (const std::size_t a : s.pinned[static_cast<std::size_t>(i)])
      out(static_cast<Eigen::Index>(a), j) = d(static_cast<Eigen::Index>(a), j);
  }
}

struct Block {
  const ConsensusBendingEnergy& energy;
  const SemilandmarkLayout& layout;
  Eigen::Index points;
  const SlidePreconditioner& pre;
  const Specimens& s;
  double size;
};

/// Preconditioned conjugate gradients for the specimens [first, first +
/// count): their solutions into the same columns of `shift`, settled[i] set
/// for each that settled, and the most steps any took returned. A specimen
/// leaves the block as soon as it has settled.
int solve_block(const Block& b, Eigen::Index first, Eigen::Index count, Eigen::MatrixXd& shift,
                std::vector<char>& settled) {
  const Eigen::Index m = b.s.rhs.rows();
  std::vector<Eigen::Index> active(static_cast<std::size_t>(count));
  for (Eigen::Index j = 0; j < count; ++j) active[static_cast<std::size_t>(j)] = first + j;
  Scratch scratch;
  Eigen::MatrixXd x = b.s.rhs.middleCols(first, count), r, z, d, q;
  cholesky_solve_with(b.pre.factor, x);  // the preconditioner's own solution to start from
  apply_system(b.energy, b.layout, b.points, b.s, b.pre.sign, active, x, scratch, q);
  r = b.s.rhs.middleCols(first, count) - q;
  z = r;
  cholesky_solve_with(b.pre.factor, z);
  d = z;
  Eigen::VectorXd rz = r.cwiseProduct(z).colwise().sum().transpose();

  // Drops the columns marked in `leave`, keeping the others in order.
  const auto retire = [&](const std::vector<char>& leave) {
    Eigen::Index kept = 0;
    for (Eigen::Index j = 0; j < static_cast<Eigen::Index>(active.size()); ++j) {
      if (leave[static_cast<std::size_t>(j)] != 0) continue;
      if (kept != j) {
        active[static_cast<std::size_t>(kept)] = active[static_cast<std::size_t>(j)];
        x.col(kept) = x.col(j);
        r.col(kept) = r.col(j);
        z.col(kept) = z.col(j);
        d.col(kept) = d.col(j);
        rz(kept) = rz(j);
      }
      ++kept;
    }
    active.resize(static_cast<std::size_t>(kept));
    x.conservativeResize(m, kept);
    r.conservativeResize(m, kept);
    z.conservativeResize(m, kept);
    d.conservativeResize(m, kept);
    rz.conservativeResize(kept);
  };
  const auto settle = [&](bool check) {
    std::vector<char> leave(active.size(), 0);
    for (Eigen::Index j = 0; j < static_cast<Eigen::Index>(active.size()); ++j) {
      const Eigen::Index i = active[static_cast<std::size_t>(j)];
      const double left = z.col(j).cwiseAbs().maxCoeff();
      const bool done =
          rz(j) == 0 || (check && (left <= kSettled * x.col(j).cwiseAbs().maxCoeff() || left <= kSettled * b.size));
      if (!done) continue;
      shift.col(i) = x.col(j);
      settled[static_cast<std::size_t>(i)] = 1;
      leave[static_cast<std::size_t>(j)] = 1;
    }
    retire(leave);
  };
  settle(false);

  int step = 0;
  for (; step < kMostSteps && !active.empty(); ++step) {
    apply_system(b.energy, b.layout, b.points, b.s, b.pre.sign, active, d, scratch, q);
    const Eigen::VectorXd curvature = d.cwiseProduct(q).colwise().sum().transpose();
    // A system that is not definite along d is left to the direct solve.
    std::vector<char> failed(active.size(), 0);
    for (Eigen::Index j = 0; j < static_cast<Eigen::Index>(active.size()); ++j) {
      if (!(curvature(j) > 0) || !std::isfinite(curvature(j))) {
        failed[static_cast<std::size_t>(j)] = 1;
        continue;
      }
      const double alpha = rz(j) / curvature(j);
      x.col(j) += alpha * d.col(j);
      r.col(j) -= alpha * q.col(j);
    }
    if (std::find(failed.begin(), failed.end(), 1) != failed.end()) {
      retire(failed);
      if (active.empty()) break;
    }
    z = r;
    cholesky_solve_with(b.pre.factor, z);
    const Eigen::VectorXd next = r.cwiseProduct(z).colwise().sum().transpose();
    for (Eigen::Index j = 0; j < static_cast<Eigen::Index>(active.size()); ++j) {
      d.col(j) = z.col(j) + (next(j) / rz(j)) * d.col(j);
      rz(j) = next(j);
    }
    settle(true);
  }
  return step;
}

}  // namespace

bool SlidePreconditioner::stale() const { return factor.size() == 0 || most_steps > kStaleAfter; }

void prepare_preconditioner(SlidePreconditioner& pre, const SlideSystem& system, const Eigen::MatrixXd& consensus,
                            const SemilandmarkLayout& layout) {
  Eigen::MatrixXd tangents;
  std::vector<std::size_t> pinned;
  unit_tangents(consensus, layout, tangents, pinned);
  pre.sign = bending_sign(system, tangents);
  bending_system(system, tangents, pinned, pre.sign, pre.factor);
  pre.most_steps = 0;
  if (!cholesky_factor_in_place(pre.factor)) pre.factor.resize(0, 0);
}

std::vector<char> slide_together(Sample& sample, const Eigen::MatrixXd& consensus,
                                 const ConsensusBendingEnergy& energy, SlidePreconditioner& pre,
                                 const SemilandmarkLayout& layout, std::vector<std::vector<std::size_t>>& unslid) {
  const Eigen::Index n = sample.count(), p = sample.points();
  const auto m = static_cast<Eigen::Index>(layout.sliding.size());
  std::vector<char> settled(static_cast<std::size_t>(n), 0);
  if (n == 0 || m == 0 || pre.factor.rows() != m) return settled;

  // Each specimen's tangents, and its right-hand side U' L (Y - M) with L
  // applied to the deviations of a block of specimens at a time.
  Specimens s;
  s.tx.resize(m, n);
  s.ty.resize(m, n);
  s.tz.resize(m, n);
  s.rhs.resize(m, n);
  s.pinned.resize(static_cast<std::size_t>(n));
  bool planar = consensus.col(2).isZero(0);
  for (Eigen::Index i = 0; i < n && planar; ++i) planar = sample.specimen(i).col(2).isZero(0);
  const Eigen::Index axes = planar ? 2 : 3;
  s.axes = axes;
  const Eigen::Index blocks = (n + kBlock - 1) / kBlock;
  const auto each_block = [&](const auto& body) {
    tbb::parallel_for(
        Range(0, blocks, 1),
        [&](const Range& range) {
          for (Eigen::Index b = range.begin(); b != range.end(); ++b) body(b * kBlock, std::min(kBlock, n - b * kBlock));
        },
        tbb::simple_partitioner());
  };
  each_block([&](Eigen::Index first, Eigen::Index count) {
    Eigen::MatrixXd tangents, deviations(p, axes * count);
    for (Eigen::Index i = first; i < first + count; ++i) {
      std::vector<std::size_t>& pinned = s.pinned[static_cast<std::size_t>(i)];
      unit_tangents(sample.specimen(i), layout, tangents, pinned);
      s.tx.col(i) = tangents.col(0);
      s.ty.col(i) = tangents.col(1);
      s.tz.col(i) = tangents.col(2);
      deviations.middleCols(axes * (i - first), axes) = (sample.specimen(i) - consensus).leftCols(axes);
    }
    energy.apply(deviations);
    for (Eigen::Index i = first; i < first + count; ++i) {
      auto rhs = s.rhs.col(i);
      rhs.setZero();
      for (Eigen::Index a = 0; a < m; ++a) {
        const auto bent = deviations.row(layout.sliding[static_cast<std::size_t>(a)].point);
        const Eigen::Index c = axes * (i - first);
        rhs(a) = s.tx(a, i) * bent(c) + s.ty(a, i) * bent(c + 1) + (axes == 3 ? s.tz(a, i) * bent(c + 2) : 0.0);
      }
      for (const std::size_t a : s.pinned[static_cast<std::size_t>(i)]) rhs(static_cast<Eigen::Index>(a)) = 0;
      rhs *= pre.sign;
    }
  });

  const double size = (consensus.rowwise() - consensus.colwise().mean()).norm();
  const Block block{energy, layout, p, pre, s, size};
  Eigen::MatrixXd shift(m, n);
  std::vector<int> steps(static_cast<std::size_t>(blocks), 0);
  each_block([&](Eigen::Index first, Eigen::Index count) {
    steps[static_cast<std::size_t>(first / kBlock)] = solve_block(block, first, count, shift, settled);
  });
  pre.most_steps = *std::max_element(steps.begin(), steps.end());

  for (Eigen::Index i = 0; i < n; ++i) {
    if (settled[static_cast<std::size_t>(i)] == 0) continue;
    auto specimen = sample.specimen(i);
    for (Eigen::Index a = 0; a < m; ++a) {
      const SlidingPoint& point = layout.sliding[static_cast<std::size_t>(a)];
      const Eigen::RowVector3d step = shift(a, i) * Eigen::RowVector3d(s.tx(a, i), s.ty(a, i), s.tz(a, i));
      specimen.row(point.point) -= step;
      if (point.twin >= 0) specimen.row(point.twin) -= step;
    }
    const std::vector<std::size_t>& pinned = s.pinned[static_cast<std::size_t>(i)];
    unslid[static_cast<std::size_t>(i)].insert(unslid[static_cast<std::size_t>(i)].end(), pinned.begin(), pinned.end());
  }
  return settled;
}

}  // namespace velmora::detail
