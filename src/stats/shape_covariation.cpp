// Shape and size, groups, and blocks: allometry, canonical variates with
// leave-one-out classification, and two-block PLS, with their permutation
// tests. One file because all three work on the same pooled component scores
// and cross products.
#include "stats/shape_covariation.h"

#include <oneapi/tbb/parallel_for.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numeric>

#include "runtime/error.h"
#include "runtime/linear_algebra.h"
#include "runtime/random.h"
#include "stats/leading_eigenpairs.h"

namespace velmora {
namespace {

// The permutation of arrangement s (the identity for s = 0).
std::vector<int> arrangement(int n, std::int64_t s, std::uint64_t seed) {
  std::vector<int> perm(static_cast<std::size_t>(n));
  if (s == 0) {
    std::iota(perm.begin(), perm.end(), 0);
  } else {
    RandomStream random(seed, static_cast<std::uint64_t>(s));
    random.permutation(n, perm);
  }
  return perm;
}

Eigen::MatrixXd full_symmetric(Eigen::MatrixXd lower) {
  lower.triangularView<Eigen::StrictlyUpper>() = lower.transpose();
  return lower;
}

// The mean and the population standard deviation of `values`.
double effect_size(const std::vector<double>& values) {
  double mean = 0;
  for (double v : values) mean += v;
  mean /= static_cast<double>(values.size());
  double var = 0;
  for (double v : values) var += (v - mean) * (v - mean);
  const double sd = std::sqrt(var / static_cast<double>(values.size()));
  return sd > 0 ? (values[0] - mean) / sd : std::nan("");
}

// Components of the centred cross product g (n by n) with non-zero variance
// (relative 1e-12), at most `limit`: the unit vectors (n by q) and variances.
LeadingEigenpairs nonzero_components(const Eigen::MatrixXd& g, Eigen::Index limit) {
  const Eigen::Index n = g.rows();
  LeadingEigenpairs all = leading_eigenpairs(g, std::min(limit, n));
  Eigen::Index q = 0;
  const double top = all.values.size() ? all.values(0) : 0;
  while (q < all.vectors.cols() && top > 0 && all.values(q) > 1e-12 * top) ++q;
  all.values.conservativeResize(q);
  all.vectors.conservativeResize(n, q);
  return all;
}

std::vector<int> level_index(const Variable& factor, const std::vector<std::string>& levels) {
  std::vector<int> out;
  for (const auto& l : factor.levels)
    out.push_back(static_cast<int>(std::lower_bound(levels.begin(), levels.end(), l) - levels.begin()));
  return out;
}

}  // namespace

AllometryFit allometry(const Eigen::MatrixXd& coordinates, const Variable& logsize, const Variable* factor,
                       std::int64_t arrangements, std::uint64_t seed, const ArrangementProgress& progress) {
  AllometryFit out;
  const Eigen::Index n = coordinates.rows();
  // A factor's name goes in backquotes when it is not a plain name.
  std::string term = factor ? factor->name : "";
  if (factor && (term.empty() || std::isdigit(static_cast<unsigned char>(term[0])) ||
                 std::any_of(term.begin(), term.end(), [](char c) {
                   return !std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.';
                 })))
    term = "`" + term + "`";
  out.model = factor ? "logsize * " + term : "logsize";
  std::vector<Variable> variables = {logsize};
  variables[0].name = "logsize";
  if (factor) variables.push_back(*factor);
  const ModelDesign design = model_design(parse_model_formula(out.model), variables);
  const Eigen::RowVectorXd mean = coordinates.colwise().mean();
  const Eigen::MatrixXd centred = coordinates.rowwise() - mean;
  const Eigen::MatrixXd cross = full_symmetric(lower_cross_product(centred, false));
  out.anova = procrustes_anova(cross, design, arrangements, seed, progress);
  if (out.anova.cancelled) {
    out.cancelled = true;
    return out;
  }

  // Shape on logsize alone.
  const Eigen::VectorXd x = logsize.values.array() - logsize.values.mean();
  const Eigen::VectorXd b = centred.transpose() * x / x.squaredNorm();
  out.regression_vector = b.normalized();
  out.regression_scores = centred * out.regression_vector;

  // The fitted values Q Q' Y: their first principal component from Q' G Q.
  const Eigen::MatrixXd q = design.basis.rightCols(design.rank() - 1);
  Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eig(q.transpose() * cross * q);
  const Eigen::Index last = q.cols() - 1;
  out.predicted_line = q * eig.eigenvectors().col(last) * std::sqrt(std::max(0.0, eig.eigenvalues()(last)));
  if (out.predicted_line.dot(x) < 0) out.predicted_line = -out.predicted_line;

  const Eigen::MatrixXd fitted = q * (q.transpose() * centred);
  out.residuals = (centred - fitted).rowwise() + mean;

  if (factor) {
    const std::vector<std::string> levels = factor_levels(*factor);
    const std::vector<int> at = level_index(*factor, levels);
    const auto g = static_cast<Eigen::Index>(levels.size());
    Eigen::VectorXd size_mean = Eigen::VectorXd::Zero(g), count = Eigen::VectorXd::Zero(g);
    Eigen::MatrixXd shape_mean = Eigen::MatrixXd::Zero(g, coordinates.cols());
    for (Eigen::Index i = 0; i < n; ++i) {
      size_mean(at[i]) += logsize.values(i);
      shape_mean.row(at[i]) += coordinates.row(i);
      count(at[i]) += 1;
    }
    Eigen::VectorXd xw(n);
    Eigen::MatrixXd yw(n, coordinates.cols());
    for (Eigen::Index i = 0; i < n; ++i) {
      xw(i) = logsize.values(i) - size_mean(at[i]) / count(at[i]);
      yw.row(i) = coordinates.row(i) - shape_mean.row(at[i]) / count(at[i]);
    }
    out.common_component = (yw.transpose() * xw).normalized();
  }
  return out;
}

CanonicalVariates canonical_variates(const Eigen::MatrixXd& coordinates, const Variable& factor,
                                     std::int64_t arrangements, std::uint64_t seed,
                                     const ArrangementProgress& progress) {
  CanonicalVariates out;
  const Eigen::Index n = coordinates.rows();
  out.levels = factor_levels(factor);
  const auto g = static_cast<Eigen::Index>(out.levels.size());
  if (g < 2)
    throw RuntimeError("Canonical variates need at least two groups; the factor \"" + factor.name + "\" has " +
                       std::to_string(g) + " among the specimens.");
  const std::vector<int> at = level_index(factor, out.levels);
  out.counts.assign(out.levels.size(), 0);
  for (int k : at) ++out.counts[k];
  for (Eigen::Index k = 0; k < g; ++k)
    if (out.counts[k] < 2)
      throw RuntimeError("Canonical variates need at least two specimens in every group; the group \"" + out.levels[k] +
                         "\" of " + factor.name + " has one.");
  out.arrangements = arrangements;

  const Eigen::RowVectorXd mean = coordinates.colwise().mean();
  const Eigen::MatrixXd centred = coordinates.rowwise() - mean;
  const Eigen::MatrixXd cross = full_symmetric(lower_cross_product(centred, false));
  const LeadingEigenpairs pcs = nonzero_components(cross, std::min(n - 1, coordinates.cols()));
  out.nonzero = pcs.vectors.cols();
  out.components = std::min(out.nonzero, n - g);
  const Eigen::Index q = out.components;
  if (q < 1) throw RuntimeError("Canonical variates: the shapes do not vary within the groups of " + factor.name + ".");
  const Eigen::MatrixXd u = pcs.vectors.leftCols(q);  // whitened scores: U'U = I
  const Eigen::VectorXd root = pcs.values.head(q).cwiseMax(0).cwiseSqrt();
  const Eigen::MatrixXd scores = u * root.asDiagonal();  // principal component scores

  // Group means and the within-group matrix of the scores.
  Eigen::MatrixXd means = Eigen::MatrixXd::Zero(g, q);
  for (Eigen::Index i = 0; i < n; ++i) means.row(at[i]) += scores.row(i);
  for (Eigen::Index k = 0; k < g; ++k) means.row(k) /= out.counts[k];
  Eigen::MatrixXd c(g, q);  // rows sqrt(n_g) m_g
  for (Eigen::Index k = 0; k < g; ++k) c.row(k) = std::sqrt(double(out.counts[k])) * means.row(k);
  const Eigen::MatrixXd within_ss = Eigen::MatrixXd(root.array().square().matrix().asDiagonal()) - c.transpose() * c;
  const Eigen::MatrixXd w = within_ss / double(n - g);
  Eigen::LLT<Eigen::MatrixXd> llt(w);
  if (llt.info() != Eigen::Success)
    throw RuntimeError("Canonical variates: the within-group covariance of " + factor.name +
                       " is singular even on the components kept.");
  // W^-1 B from the g by g matrix D'D, D = L^-1 C'.
  const Eigen::MatrixXd d = llt.matrixL().solve(c.transpose());
  Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> small(d.transpose() * d / double(g - 1));
  const double top = small.eigenvalues().maxCoeff();
  Eigen::Index variates = 0;
  for (Eigen::Index j = 0; j < g; ++j)
    if (small.eigenvalues()(j) > 1e-12 * top) ++variates;
  variates = std::min(variates, std::min(g - 1, q));
  out.eigenvalues.resize(variates);
  Eigen::MatrixXd a(q, variates);
  for (Eigen::Index j = 0; j < variates; ++j) {
    const Eigen::Index from = g - 1 - j;
    const double lambda = small.eigenvalues()(from);
    out.eigenvalues(j) = lambda;
    const Eigen::VectorXd e = d * small.eigenvectors().col(from) / std::sqrt(lambda * double(g - 1));
    a.col(j) = llt.matrixU().solve(e);  // unit within-group variance: a' W a = 1
  }
  out.shares = out.eigenvalues / out.eigenvalues.sum();
  out.scores = scores * a;
  out.means = means * a;
  for (Eigen::Index j = 0; j < variates; ++j)  // the first group on the negative side
    if (out.means(0, j) > 0) {
      out.scores.col(j) *= -1;
      out.means.col(j) *= -1;
      a.col(j) *= -1;
    }
  // Scores are centred * V a with V = centred' U diag(1 / root), the loadings.
  out.coefficients = centred.transpose() * (u * root.cwiseInverse().asDiagonal() * a);

  // Permutations of the labels. Every distance comes from the group sums of
  // the principal component scores (n by r, all components of non-zero
  // variance): Procrustes distances from the sums themselves, Mahalanobis ones
  // from the first q scaled to unit variance (whitened by the total, where W =
  // (I - C'C) / (n - g) with C the rows sqrt(n_g) m_g, inverted by Woodbury in
  // g by g). An arrangement costs O(n r), whatever the number of points.
  std::vector<std::pair<Eigen::Index, Eigen::Index>> pairs;
  for (Eigen::Index x = 0; x < g; ++x)
    for (Eigen::Index y = x + 1; y < g; ++y) {
      pairs.emplace_back(x, y);
      out.a.push_back(out.levels[x]);
      out.b.push_back(out.levels[y]);
    }
  std::vector<std::vector<double>> mahal(pairs.size(), std::vector<double>(arrangements)),
      proc(pairs.size(), std::vector<double>(arrangements));
  const Eigen::Index r = out.nonzero;
  const Eigen::MatrixXd all_scores =  // r by n: specimen i's scores in column i
      (pcs.vectors * pcs.values.head(r).cwiseMax(0).cwiseSqrt().asDiagonal()).transpose();
  const Eigen::VectorXd whiten = root.cwiseInverse();
  const double rdf = double(n - g);
  std::vector<double> size(static_cast<std::size_t>(g));
  for (Eigen::Index k = 0; k < g; ++k) size[k] = out.counts[k];
  const auto arrangement_distances = [&](std::int64_t s) {
    const std::vector<int> perm = arrangement(static_cast<int>(n), s, seed);
    Eigen::MatrixXd sums = Eigen::MatrixXd::Zero(r, g);  // column h: the scores of group h summed
    for (Eigen::Index i = 0; i < n; ++i) sums.col(at[perm[i]]) += all_scores.col(i);
    const Eigen::MatrixXd qg = sums.transpose() * sums;
    const Eigen::MatrixXd wsums = whiten.asDiagonal() * sums.topRows(q);
    const Eigen::MatrixXd qp = wsums.transpose() * wsums;
    // In the whitened space: m_a . m_b = Qp_ab / (n_a n_b); C C'_ab = Qp_ab / sqrt(n_a n_b).
    Eigen::MatrixXd cc(g, g);
    for (Eigen::Index x = 0; x < g; ++x)
      for (Eigen::Index y = 0; y < g; ++y) cc(x, y) = qp(x, y) / std::sqrt(size[x] * size[y]);
    const Eigen::LDLT<Eigen::MatrixXd> inner(Eigen::MatrixXd::Identity(g, g) - cc);
    for (std::size_t k = 0; k < pairs.size(); ++k) {
      const auto [x, y] = pairs[k];
      const double dd =
          qp(x, x) / (size[x] * size[x]) + qp(y, y) / (size[y] * size[y]) - 2 * qp(x, y) / (size[x] * size[y]);
      Eigen::VectorXd cd(g);
      for (Eigen::Index h = 0; h < g; ++h)
        cd(h) = std::sqrt(size[h]) * (qp(h, x) / (size[h] * size[x]) - qp(h, y) / (size[h] * size[y]));
      mahal[k][s] = std::sqrt(std::max(0.0, rdf * (dd + cd.dot(inner.solve(cd)))));
      const double pd =
          qg(x, x) / (size[x] * size[x]) + qg(y, y) / (size[y] * size[y]) - 2 * qg(x, y) / (size[x] * size[y]);
      proc[k][s] = std::sqrt(std::max(0.0, pd));
    }
  };
  const std::int64_t block = 256;
  for (std::int64_t begin = 0; begin < arrangements; begin += block) {
    const std::int64_t end = std::min(arrangements, begin + block);
    tbb::parallel_for(begin, end, arrangement_distances);
    if (progress && !progress(end, arrangements)) {
      out.cancelled = true;
      return out;
    }
  }
  for (std::size_t k = 0; k < pairs.size(); ++k) {
    out.mahalanobis.push_back(mahal[k][0]);
    out.mahalanobis_p.push_back(share_at_least(mahal[k], mahal[k][0]));
    out.procrustes.push_back(proc[k][0]);
    out.procrustes_p.push_back(share_at_least(proc[k], proc[k][0]));
  }

  // Leave-one-out: W and the own group's mean without the specimen (a rank-one
  // update of the within-group sums), on components where that W stays regular.
  const Eigen::Index qc = std::min(q, n - g - 1);
  out.classification_components = qc;
  out.table = Eigen::MatrixXi::Zero(g, g);
  out.resubstitution = Eigen::MatrixXi::Zero(g, g);
  out.assigned.assign(static_cast<std::size_t>(n), -1);
  if (qc >= 1) {
    const Eigen::MatrixXd s = scores.leftCols(qc);
    Eigen::MatrixXd m = Eigen::MatrixXd::Zero(g, qc);
    for (Eigen::Index i = 0; i < n; ++i) m.row(at[i]) += s.row(i);
    for (Eigen::Index k = 0; k < g; ++k) m.row(k) /= out.counts[k];
    Eigen::MatrixXd sw = Eigen::MatrixXd::Zero(qc, qc);
    for (Eigen::Index i = 0; i < n; ++i) {
      const Eigen::RowVectorXd r = s.row(i) - m.row(at[i]);
      sw += r.transpose() * r;
    }
    Eigen::LLT<Eigen::MatrixXd> l(sw);
    // Whitened by the within-group sums: z = L^-1 s.
    const Eigen::MatrixXd z = l.matrixL().solve(s.transpose()).transpose();
    const Eigen::MatrixXd mz = l.matrixL().solve(m.transpose()).transpose();
    int right = 0, right_in = 0;
    for (Eigen::Index i = 0; i < n; ++i) {
      const int own = at[i];
      const double ng = out.counts[own], cf = ng / (ng - 1);
      const Eigen::RowVectorXd e = z.row(i) - mz.row(own);
      const double denominator = 1 - cf * e.squaredNorm();
      int best = -1, best_in = 0;
      double best_d = 0, best_in_d = 0;
      for (Eigen::Index h = 0; h < g; ++h) {
        const Eigen::RowVectorXd v = h == own ? Eigen::RowVectorXd(cf * e) : Eigen::RowVectorXd(z.row(i) - mz.row(h));
        const double ve = v.dot(e);
        const double dist = v.squaredNorm() + cf * ve * ve / denominator;
        if (denominator > 1e-12 && (best < 0 || dist < best_d)) {
          best = static_cast<int>(h);
          best_d = dist;
        }
        const double in = (z.row(i) - mz.row(h)).squaredNorm();
        if (h == 0 || in < best_in_d) {
          best_in = static_cast<int>(h);
          best_in_d = in;
        }
      }
      out.assigned[i] = best;
      if (best >= 0) ++out.table(own, best);
      ++out.resubstitution(own, best_in);
      right += best == own;
      right_in += best_in == own;
    }
    out.accuracy = double(right) / double(n);
    out.resubstitution_accuracy = double(right_in) / double(n);
  }
  return out;
}

PointBlocks parse_point_blocks(std::string_view text, Eigen::Index points) {
  const std::string quoted = "\"" + std::string(text) + "\"";
  const auto bar = text.find('|');
  if (bar == std::string_view::npos || text.find('|', bar + 1) != std::string_view::npos)
    throw RuntimeError("BlockBox " + quoted +
                       " must name two blocks of points separated by one bar, as \"1-12 | 13-40\".");
  auto trim = [](std::string_view s) {
    const auto b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string_view::npos ? std::string() : std::string(s.substr(b, e - b + 1));
  };
  PointBlocks out;
  out.first_text = trim(text.substr(0, bar));
  out.second_text = trim(text.substr(bar + 1));
  std::vector<int> owner(static_cast<std::size_t>(points), 0);
  auto read = [&](const std::string& part, int which, std::vector<Eigen::Index>& into) {
    const char* name = which == 1 ? "first" : "second";
    std::size_t i = 0;
    auto number = [&]() {
      std::size_t j = i;
      while (j < part.size() && std::isdigit(static_cast<unsigned char>(part[j]))) ++j;
      if (j == i || j - i > 9)
        throw RuntimeError("BlockBox " + quoted + ": the " + name + " block has \"" + part.substr(i, 1) +
                           "\" where a point number belongs.");
      const long v = std::stol(part.substr(i, j - i));
      i = j;
      return v;
    };
    while (i < part.size()) {
      if (part[i] == ' ' || part[i] == '\t' || part[i] == ',') {
        ++i;
        continue;
      }
      const long from = number();
      long to = from;
      while (i < part.size() && part[i] == ' ') ++i;
      if (i < part.size() && part[i] == '-') {
        ++i;
        while (i < part.size() && part[i] == ' ') ++i;
        to = number();
      }
      if (from < 1 || to > points || to < from)
        throw RuntimeError("BlockBox " + quoted + ": the " + name + " block names points " + std::to_string(from) +
                           (to != from ? "-" + std::to_string(to) : "") + "; the study's points are 1-" +
                           std::to_string(points) + ".");
      for (long p = from; p <= to; ++p) {
        int& o = owner[static_cast<std::size_t>(p - 1)];
        if (o == which) continue;
        if (o != 0)
          throw RuntimeError("BlockBox " + quoted + ": point " + std::to_string(p) +
                             " is in both blocks; the blocks must not overlap.");
        o = which;
        into.push_back(p - 1);
      }
    }
    if (into.empty()) throw RuntimeError("BlockBox " + quoted + ": the " + name + " block names no points.");
  };
  read(out.first_text, 1, out.first);
  read(out.second_text, 2, out.second);
  return out;
}

TwoBlockPls two_block_pls(const Eigen::MatrixXd& block1, const Eigen::MatrixXd& block2, std::int64_t arrangements,
                          std::uint64_t seed, const ArrangementProgress& progress) {
  const Eigen::Index n = block1.rows();
  if (n < 3) throw RuntimeError("Two-block PLS needs at least 3 specimens; there are " + std::to_string(n) + ".");
  const Eigen::MatrixXd y1 = block1.rowwise() - block1.colwise().mean();
  const Eigen::MatrixXd y2 = block2.rowwise() - block2.colwise().mean();
  const Eigen::MatrixXd g1 = full_symmetric(lower_cross_product(y1, false));
  const Eigen::MatrixXd g2 = full_symmetric(lower_cross_product(y2, false));
  const LeadingEigenpairs c1 = nonzero_components(g1, n - 1), c2 = nonzero_components(g2, n - 1);
  if (c1.vectors.cols() == 0 || c2.vectors.cols() == 0)
    throw RuntimeError(std::string("Two-block PLS: the shapes of the ") +
                       (c1.vectors.cols() == 0 ? "first" : "second") + " block do not vary.");
  // Y1 = R1 V1' with R1 = U1 sqrt(L1): the singular values of Y1'Y2 are those
  // of R1'R2, their squares the eigenvalues of R1' G2 R1.
  const Eigen::MatrixXd r1 = c1.vectors * c1.values.head(c1.vectors.cols()).cwiseSqrt().asDiagonal();
  const Eigen::MatrixXd r2 = c2.vectors * c2.values.head(c2.vectors.cols()).cwiseSqrt().asDiagonal();
  const Eigen::MatrixXd k = product(r1, r2, true);
  Eigen::BDCSVD<Eigen::MatrixXd> svd(k, Eigen::ComputeThinU | Eigen::ComputeThinV);
  TwoBlockPls out;
  out.arrangements = arrangements;
  out.singular_values = svd.singularValues() / double(n - 1);
  out.covariance_share = out.singular_values.array().square() / out.singular_values.squaredNorm();
  out.scores1 = r1 * svd.matrixU().col(0);
  out.scores2 = r2 * svd.matrixV().col(0);
  auto corr = [](const Eigen::VectorXd& a, const Eigen::VectorXd& b) {
    const double d = a.norm() * b.norm();
    return d > 0 ? a.dot(b) / d : 0.0;
  };

  // Each arrangement: the leading eigenvector of M = K K' (K = R1' A R2, A
  // the permutation) by Lanczos iteration with full reorthogonalisation
  // (Golub and Van Loan 2013, Matrix Computations, ch. 10), a block of
  // arrangements at a time so that M x = R1' (A G2 A') (R1 x) is applied by
  // products of the optimised BLAS, n by n at most whatever the number of
  // points. Over all permutations the mean of A G2 A' is a multiple of the
  // centring, so the mean of M is a multiple of diag(L1): the iteration starts
  // from the components weighted by their variances, near the leading vector
  // of that mean. Each arrangement stops when its Ritz pair's residual is
  // below 1e-12 of its value.
  out.r_sets.assign(static_cast<std::size_t>(arrangements), 0);
  out.r_sets[0] = corr(out.scores1, out.scores2);
  const Eigen::Index rank1 = r1.cols(), most = std::min<Eigen::Index>(rank1, 250);
  const std::int64_t block = 64;
  const Eigen::VectorXd start = c1.values.head(rank1).normalized();
  std::vector<std::vector<int>> perms;
  for (std::int64_t begin = 1; begin < arrangements; begin += block) {
    const std::int64_t end = std::min(arrangements, begin + block);
    const Eigen::Index m = end - begin;
    perms.resize(static_cast<std::size_t>(m));
    tbb::parallel_for(begin, end,
                      [&](std::int64_t s) { perms[s - begin] = arrangement(static_cast<int>(n), s, seed); });
    // A G2 A' applied to the columns of y (n by width), column c with
    // arrangement live[c] (only those still iterating).
    const auto partner = [&](const Eigen::MatrixXd& y, const std::vector<Eigen::Index>& live) {
      const auto width = static_cast<Eigen::Index>(live.size());
      Eigen::MatrixXd back(n, width);
      for (Eigen::Index c = 0; c < width; ++c)
        for (Eigen::Index i = 0; i < n; ++i) back(perms[live[c]][i], c) = y(i, c);
      const Eigen::MatrixXd v = symmetric_product(g2, back);
      Eigen::MatrixXd out_y(n, width);
      for (Eigen::Index c = 0; c < width; ++c)
        for (Eigen::Index i = 0; i < n; ++i) out_y(i, c) = v(perms[live[c]][i], c);
      return out_y;
    };
    std::vector<Eigen::MatrixXd> basis(static_cast<std::size_t>(m));
    std::vector<std::vector<double>> alpha(static_cast<std::size_t>(m)), beta(static_cast<std::size_t>(m));
    std::vector<Eigen::VectorXd> ritz(static_cast<std::size_t>(m));
    Eigen::MatrixXd x(rank1, m);
    for (Eigen::Index j = 0; j < m; ++j) x.col(j) = start;
    std::vector<Eigen::Index> live(static_cast<std::size_t>(m));
    std::iota(live.begin(), live.end(), Eigen::Index{0});
    std::vector<char> done(static_cast<std::size_t>(m), 0);
    for (Eigen::Index k = 0; k < most && !live.empty(); ++k) {
      Eigen::MatrixXd xl(rank1, static_cast<Eigen::Index>(live.size()));
      for (std::size_t c = 0; c < live.size(); ++c) xl.col(static_cast<Eigen::Index>(c)) = x.col(live[c]);
      const Eigen::MatrixXd z = product(r1, partner(product(r1, xl), live), true);
      tbb::parallel_for(std::size_t{0}, live.size(), [&](std::size_t c) {
        const Eigen::Index j = live[c];
        Eigen::MatrixXd& q = basis[j];
        if (q.cols() <= k) q.conservativeResize(rank1, std::min(most, std::max<Eigen::Index>(16, 2 * q.cols())));
        q.col(k) = x.col(j);
        Eigen::VectorXd w = z.col(static_cast<Eigen::Index>(c));
        alpha[j].push_back(q.col(k).dot(w));
        const auto kept = q.leftCols(k + 1);
        w -= kept * (kept.transpose() * w);
        w -= kept * (kept.transpose() * w);
        const double b = w.norm();
        // The largest Ritz value of the tridiagonal matrix so far and its vector.
        Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> t;
        const Eigen::VectorXd diagonal = Eigen::Map<Eigen::VectorXd>(alpha[j].data(), k + 1);
        const Eigen::VectorXd sub =
            k > 0 ? Eigen::VectorXd(Eigen::Map<Eigen::VectorXd>(beta[j].data(), k)) : Eigen::VectorXd(0);
        t.computeFromTridiagonal(diagonal, sub);
        const double theta = t.eigenvalues()(k);
        const Eigen::VectorXd y = t.eigenvectors().col(k);
        if (b * std::abs(y(k)) <= 1e-12 * std::abs(theta) || k + 1 == most || b <= 1e-300) {
          done[j] = 1;
          ritz[j] = kept * y;
          return;
        }
        beta[j].push_back(b);
        x.col(j) = w / b;
      });
      live.erase(std::remove_if(live.begin(), live.end(), [&](Eigen::Index j) { return done[j] != 0; }), live.end());
    }
    Eigen::MatrixXd u(rank1, m);
    for (Eigen::Index j = 0; j < m; ++j) u.col(j) = ritz[j];
    std::vector<Eigen::Index> all(static_cast<std::size_t>(m));
    std::iota(all.begin(), all.end(), Eigen::Index{0});
    const Eigen::MatrixXd t1 = product(r1, u), t2 = partner(t1, all);
    for (Eigen::Index j = 0; j < m; ++j) out.r_sets[static_cast<std::size_t>(begin + j)] = corr(t1.col(j), t2.col(j));
    if (progress && !progress(end, arrangements)) {
      out.cancelled = true;
      return out;
    }
  }
  out.r_pls = out.r_sets[0];
  out.p = share_at_least(out.r_sets, out.r_pls);
  out.z = effect_size(out.r_sets);
  return out;
}

}  // namespace velmora
