#include "stats/procrustes_anova.h"

#include <oneapi/tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "runtime/linear_algebra.h"
#include "runtime/random.h"

namespace velmora {
namespace {

// The arrangements of one block: identity for arrangement 0, else the stream's
// permutation.
void draw_arrangements(int n, std::int64_t begin, std::int64_t end, std::uint64_t seed,
                       std::vector<std::vector<int>>& out) {
  out.resize(static_cast<std::size_t>(end - begin));
  tbb::parallel_for(begin, end, [&](std::int64_t s) {
    std::vector<int>& perm = out[static_cast<std::size_t>(s - begin)];
    if (s == 0) {
      perm.resize(static_cast<std::size_t>(n));
      std::iota(perm.begin(), perm.end(), 0);
    } else {
      RandomStream random(seed, static_cast<std::uint64_t>(s));
      random.permutation(n, perm);
    }
  });
}

// For each arrangement of the block, the columns of `basis` with row i moved to
// row perm[i] (the basis seen from the permuted residuals), side by side.
Eigen::MatrixXd moved_bases(const Eigen::MatrixXd& basis, const std::vector<std::vector<int>>& perms) {
  const Eigen::Index n = basis.rows(), r = basis.cols();
  Eigen::MatrixXd v(n, r * static_cast<Eigen::Index>(perms.size()));
  tbb::parallel_for(std::size_t{0}, perms.size(), [&](std::size_t j) {
    auto block = v.middleCols(static_cast<Eigen::Index>(j) * r, r);
    for (Eigen::Index i = 0; i < n; ++i) block.row(perms[j][i]) = basis.row(i);
  });
  return v;
}

// R G R with R the projection off the first `columns` of the basis.
Eigen::MatrixXd residual_cross(const Eigen::MatrixXd& cross, const Eigen::MatrixXd& basis, Eigen::Index columns) {
  const Eigen::MatrixXd q = basis.leftCols(columns);
  const Eigen::MatrixXd t = cross * q;              // G Q
  const Eigen::MatrixXd inner = q.transpose() * t;  // Q' G Q
  Eigen::MatrixXd out = cross - q * t.transpose() - t * q.transpose() + q * inner * q.transpose();
  return (out + out.transpose()) / 2;
}

// Arrangements per block: about 512 columns of moved bases at a time.
std::int64_t block_size(Eigen::Index width) {
  return std::max<std::int64_t>(1, 512 / std::max<Eigen::Index>(width, 1));
}

double z_score(const std::vector<double>& f) {
  if (!(f[0] > 0)) return std::nan("");
  double mean = 0;
  for (double v : f) mean += std::log(v);
  mean /= static_cast<double>(f.size());
  double var = 0;
  for (double v : f) var += (std::log(v) - mean) * (std::log(v) - mean);
  const double sd = std::sqrt(var / static_cast<double>(f.size()));
  return sd > 0 && std::isfinite(mean) ? (std::log(f[0]) - mean) / sd : std::nan("");
}

}  // namespace

double share_at_least(const std::vector<double>& values, double observed) {
  const double limit = observed - 1e-9 * std::abs(observed);
  const auto count = std::count_if(values.begin(), values.end(), [&](double v) { return v >= limit; });
  return static_cast<double>(count) / static_cast<double>(values.size());
}

Eigen::MatrixXd centred_cross_product(const Eigen::MatrixXd& coordinates) {
  const Eigen::MatrixXd centred = coordinates.rowwise() - coordinates.colwise().mean();
  Eigen::MatrixXd g = lower_cross_product(centred, false);
  g.triangularView<Eigen::StrictlyUpper>() = g.transpose();
  return g;
}

ProcrustesAnova procrustes_anova(const Eigen::MatrixXd& cross, const ModelDesign& design, std::int64_t arrangements,
                                 std::uint64_t seed, const ArrangementProgress& progress) {
  const Eigen::Index n = design.count(), r = design.rank();
  const std::size_t k = design.terms.size();
  ProcrustesAnova out;
  out.terms = design.terms;
  out.arrangements = arrangements;
  out.f_sets.assign(k, std::vector<double>(static_cast<std::size_t>(arrangements)));
  const double rdf = static_cast<double>(n - r);

  // The intercept's column is left out: permuted residuals of a model with an
  // intercept still sum to zero, so nothing of them lies along it.
  const Eigen::MatrixXd terms_basis = design.basis.rightCols(r - 1);
  const Eigen::Index width = r - 1;
  const std::int64_t block = block_size(width), total = static_cast<std::int64_t>(k) * arrangements;
  std::vector<std::vector<int>> perms;
  // Term by term, so that one n by n matrix of residual cross products is held
  // at a time; every term draws the same arrangements.
  for (std::size_t t = 0; t < k; ++t) {
    const Eigen::MatrixXd reduced = residual_cross(cross, design.basis, design.starts[t]);
    const double reduced_trace = reduced.trace();
    const Eigen::Index first = design.starts[t] - 1, df = design.df(t);
    for (std::int64_t begin = 0; begin < arrangements; begin += block) {
      const std::int64_t end = std::min(arrangements, begin + block);
      draw_arrangements(static_cast<int>(n), begin, end, seed, perms);
      const Eigen::MatrixXd v = moved_bases(terms_basis, perms);
      const Eigen::MatrixXd w = symmetric_product(reduced, v);
      tbb::parallel_for(begin, end, [&](std::int64_t s) {
        const Eigen::Index at = (s - begin) * width;
        // Each column's share: the squared length of the permuted data along it.
        const Eigen::VectorXd along =
            (v.middleCols(at, width).array() * w.middleCols(at, width).array()).colwise().sum().transpose();
        const double ss = along.segment(first, df).sum();
        const double rss = reduced_trace - along.sum();
        out.f_sets[t][static_cast<std::size_t>(s)] = (ss / static_cast<double>(df)) / (rss / rdf);
      });
      if (progress && !progress(static_cast<std::int64_t>(t) * arrangements + end, total)) {
        out.cancelled = true;
        return out;
      }
    }
  }

  // The observed table, straight from the cross product.
  const Eigen::VectorXd along = (design.basis.array() * (cross * design.basis).array()).colwise().sum().transpose();
  out.total_ss = cross.trace() - along(0);
  out.total_df = static_cast<double>(n - 1);
  out.residual_ss = cross.trace() - along.sum();
  out.residual_df = rdf;
  out.residual_ms = out.residual_ss / rdf;
  for (std::size_t t = 0; t < k; ++t) {
    const double df = static_cast<double>(design.df(t));
    const double ss = along.segment(design.starts[t], design.df(t)).sum();
    out.df.push_back(df);
    out.ss.push_back(ss);
    out.ms.push_back(ss / df);
    out.rsq.push_back(ss / out.total_ss);
    out.f.push_back(out.f_sets[t][0]);
    out.z.push_back(z_score(out.f_sets[t]));
    out.p.push_back(share_at_least(out.f_sets[t], out.f_sets[t][0]));
  }
  return out;
}

PairwiseDistances pairwise_group_distances(const Eigen::MatrixXd& cross, const Variable& factor,
                                           std::int64_t arrangements, std::uint64_t seed,
                                           const ArrangementProgress& progress) {
  const Eigen::Index n = cross.rows();
  PairwiseDistances out;
  out.levels = factor_levels(factor);
  out.arrangements = arrangements;
  const auto g = static_cast<Eigen::Index>(out.levels.size());
  out.counts.assign(out.levels.size(), 0);
  std::vector<Eigen::Index> level(static_cast<std::size_t>(n));
  for (Eigen::Index i = 0; i < n; ++i) {
    level[i] = std::lower_bound(out.levels.begin(), out.levels.end(), factor.levels[i]) - out.levels.begin();
    ++out.counts[level[i]];
  }
  // Column j averages the specimens of level j.
  Eigen::MatrixXd means = Eigen::MatrixXd::Zero(n, g);
  for (Eigen::Index i = 0; i < n; ++i) means(i, level[i]) = 1.0 / out.counts[level[i]];
  const Eigen::MatrixXd centred = residual_cross(cross, Eigen::MatrixXd::Constant(n, 1, 1 / std::sqrt(double(n))), 1);

  std::vector<std::pair<Eigen::Index, Eigen::Index>> pairs;
  for (Eigen::Index a = 0; a < g; ++a)
    for (Eigen::Index b = a + 1; b < g; ++b) {
      pairs.emplace_back(a, b);
      out.a.push_back(out.levels[a]);
      out.b.push_back(out.levels[b]);
    }
  std::vector<std::vector<double>> sets(pairs.size(), std::vector<double>(static_cast<std::size_t>(arrangements)));
  const std::int64_t block = block_size(g);
  std::vector<std::vector<int>> perms;
  for (std::int64_t begin = 0; begin < arrangements; begin += block) {
    const std::int64_t end = std::min(arrangements, begin + block);
    draw_arrangements(static_cast<int>(n), begin, end, seed, perms);
    const Eigen::MatrixXd v = moved_bases(means, perms);
    const Eigen::MatrixXd w = symmetric_product(centred, v);
    tbb::parallel_for(begin, end, [&](std::int64_t s) {
      const Eigen::Index at = (s - begin) * g;
      const Eigen::MatrixXd m = v.middleCols(at, g).transpose() * w.middleCols(at, g);
      for (std::size_t k = 0; k < pairs.size(); ++k) {
        const auto [a, b] = pairs[k];
        sets[k][static_cast<std::size_t>(s)] = std::sqrt(std::max(0.0, m(a, a) + m(b, b) - m(a, b) - m(b, a)));
      }
    });
    if (progress && !progress(end, arrangements)) {
      out.cancelled = true;
      return out;
    }
  }
  for (const auto& d : sets) {
    out.distance.push_back(d[0]);
    out.p.push_back(share_at_least(d, d[0]));
  }
  out.distance_sets = std::move(sets);
  return out;
}

}  // namespace velmora
