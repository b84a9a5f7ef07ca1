// The resampling tests computed from cross-product blocks of the pooled
// specimens instead of their points: the blocks, and every statistic drawn
// from them. One file because the statistics share the blocks' layout.
#include "stats/resampling_blocks.h"

#include <oneapi/tbb/enumerable_thread_specific.h>
#include <oneapi/tbb/parallel_for.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "stats/fit_kernels.h"
#include "stats/polar3.h"

namespace velmora {
namespace {

using Rows = Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>>;
using Columns = Eigen::Map<const Eigen::Matrix3d>;

// A set is computed on the points when its rounding could reach this share of
// its sums of squares or of its squared distance between the consensus
// configurations (the results are asked to agree to 1e-9).
constexpr double kTolerance = 1e-10;
constexpr double kUnitRoundoff = std::numeric_limits<double>::epsilon() / 2;

// Points per pass of the block computation: the differences from Z of every
// specimen of the range over that many points fit in a megabyte.
Eigen::Index chunk_length(long m, Eigen::Index p) {
  const long fits = (1L << 20) / (24 * m);
  return std::min<Eigen::Index>(p, std::clamp<long>(fits / 8 * 8, 32, 1024));
}

double sum_of_products(const Eigen::Matrix3d& a, const Eigen::Matrix3d& b) { return a.cwiseProduct(b).sum(); }

void write_rows(const Eigen::Matrix3d& a, double* out) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) out[3 * i + j] = a(i, j);
}

// The group's members as distinct range indices, ascending, each with how
// often it was drawn (the order changes only the rounding of the sums).
void collect(std::span<const int> group, int first, BlockGroup& g) {
  const int n = static_cast<int>(group.size());
  for (int k = 0; k < n; ++k) g.members[k] = group[k] - first;
  std::sort(g.members.begin(), g.members.begin() + n);
  int distinct = 0;
  for (int k = 0; k < n; ++k) {
    if (distinct > 0 && g.members[distinct - 1] == g.members[k]) {
      g.weights[distinct - 1] += 1;
    } else {
      g.members[distinct] = g.members[k];
      g.weights[distinct] = 1;
      ++distinct;
    }
  }
  g.distinct = distinct;
  g.count = n;
  g.first = first;
}

// The sums, |V A|^2 and the size of the configuration sum_j U_j A_j of the
// group's coefficients and products: |U A|^2 = tr(S'Z'Z S) + 2 tr(S'Phi) +
// |V A|^2.
void measure_sums(const GramBlocks& b, BlockGroup& g) {
  g.sum.setZero();
  g.phi.setZero();
  double kappa = 0;
  for (int j = 0; j < g.distinct; ++j) {
    const Rows a(g.coefficients.data() + 9 * j);
    g.sum += a;
    g.phi.noalias() += Rows(b.f.data() + 9 * g.members[j]) * a;
    kappa += sum_of_products(a, Rows(g.products.data() + 9 * j));
  }
  g.kappa = kappa;
  const double squared = sum_of_products(g.sum, b.zz * g.sum) + 2 * sum_of_products(g.sum, g.phi) + kappa;
  g.size = std::sqrt(squared);
}

// Q = K A over the group, then its sums and size.
void measure(const GramBlocks& b, BlockGroup& g) {
  const int n = g.distinct;
  detail::fit_kernels().block_products(b.k.data(), b.row_start.data(), g.members.data(), n, g.members.data(), n,
                                       g.coefficients.data(), g.products.data());
  measure_sums(b, g);
}

// Member j's cross product with the consensus, U_j' M = (Z'Z S + Phi + F_j' S
// + Q_j) / size, for every member (column by column into `cross`); `turn`
// multiplies each on the right.
void cross_products(const GramBlocks& b, const BlockGroup& g, const Eigen::Matrix3d& turn, double* cross) {
  const Eigen::Matrix3d common = b.zz * g.sum + g.phi;
  for (int j = 0; j < g.distinct; ++j) {
    const Eigen::Matrix3d c =
        (common + Rows(b.f.data() + 9 * g.members[j]).transpose() * g.sum + Rows(g.products.data() + 9 * j)) / g.size;
    Eigen::Map<Eigen::Matrix3d>(cross + 9 * j) = c * turn;
  }
}

// Generalized Procrustes superimposition of the group in three fixed
// iterations, as superimpose_group: the consensus is left as the group's
// coefficients, Q, sums and size, the members' fitting matrices in `fits`.
// False when the starting sum (the specimens weighted by their sizes) nearly
// cancels: whether it is exactly zero, and the start then the first
// specimen, is for the points to decide.
bool superimpose(const ResamplingPool& pool, const GramBlocks& b, BlockGroup& g, std::vector<double>& cross) {
  const int n = g.distinct;
  if (g.count == 1) {
    // The single specimen is the consensus: U itself, no fit.
    static constexpr double kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::copy(kIdentity, kIdentity + 9, g.fits.begin());
    std::copy(kIdentity, kIdentity + 9, g.coefficients.begin());
    measure(b, g);
    g.size = 1;
    return true;
  }
  // The start: A_j = w_j I, w_j the member's size (times its count).
  double total = 0;
  double* w = g.fits.data();  // free until the first fit
  for (int j = 0; j < n; ++j) {
    w[j] = pool.sizes[b.first + g.members[j]] * g.weights[j];
    write_rows(w[j] * Eigen::Matrix3d::Identity(), g.coefficients.data() + 9 * j);
    total += w[j];
  }
  detail::fit_kernels().block_sums(b.k.data(), b.row_start.data(), g.members.data(), n, w, g.products.data());
  measure_sums(b, g);
  if (!(g.size > 1e-4 * total)) return false;
  for (int iteration = 0; iteration < 3; ++iteration) {
    cross_products(b, g, Eigen::Matrix3d::Identity(), cross.data());
    detail::polar_factors(cross.data(), n, g.fits.data());
    for (int j = 0; j < n; ++j)
      write_rows(g.weights[j] * Columns(g.fits.data() + 9 * j), g.coefficients.data() + 9 * j);
    measure(b, g);
  }
  return std::isfinite(g.size) && g.size > 0;
}

// The squares and the rounding bound of a sum of squared distances.
struct Squares {
  double value = 0;
  double error = 0;
};

// Relative rounding of a term built from the blocks: sums over the points
// (the blocks) and over the members.
double term_rounding(Eigen::Index points, double count) {
  return kUnitRoundoff * (16 + 2 * std::sqrt(static_cast<double>(points)) + 2 * std::sqrt(count));
}

// Rounding of a difference of fits and consensus sums (entries near 1).
double difference_rounding(double count) { return kUnitRoundoff * (30 + 3 * std::sqrt(count)); }

// Sum over the members (with their weights) of |U_j P_j - M|^2, P_j the 3 by 3
// matrices at `fits` (column by column) and M the group's consensus, each
// distance written as tr(E'Z'Z E) + 2 tr(E'Z'W) + |W|^2 with E = P_j - S/size
// and W = V_j P_j - V A / size, and a bound on its rounding.
Squares squares(const GramBlocks& b, const BlockGroup& g, const double* fits) {
  const double mean_scale = 1 / g.size;
  const Eigen::Matrix3d mean_sum = g.sum * mean_scale;
  const Eigen::Matrix3d mean_phi = g.phi * mean_scale;
  const double mean_kappa = g.kappa * mean_scale * mean_scale;
  const double z_size = std::sqrt(b.zz.trace());
  double spread = 0;  // sum_l |V_l| |A_l| / size, above |V A| / size
  for (int j = 0; j < g.distinct; ++j) spread += b.spread[g.members[j]] * Rows(g.coefficients.data() + 9 * j).norm();
  spread *= mean_scale;
  const double term = term_rounding(b.points, g.count);
  const double difference = difference_rounding(g.count);
  Squares out;
  for (int j = 0; j < g.distinct; ++j) {
    const int member = g.members[j];
    const Columns p(fits + 9 * j);
    const Eigen::Matrix3d e = p - mean_sum;
    const Eigen::Matrix3d zw = Rows(b.f.data() + 9 * member) * p - mean_phi;
    const Rows kjj(b.k.data() + b.row_start[member] + 9L * member);
    const double w2 =
        sum_of_products(p, kjj * p) - 2 * mean_scale * sum_of_products(p, Rows(g.products.data() + 9 * j)) + mean_kappa;
    const double d2 = sum_of_products(e, b.zz * e) + 2 * sum_of_products(e, zw) + w2;
    const double e_norm = e.norm();
    const double reach = b.spread[member] + spread + e_norm * z_size;
    const double error = 2 * term * reach * reach + 2 * difference * (e_norm * z_size * z_size + zw.norm());
    out.value += g.weights[j] * d2;
    out.error += g.weights[j] * error;
  }
  return out;
}

}  // namespace

GramBlocks make_gram_blocks(const ResamplingPool& pool, int first, int count, const std::function<bool()>& keep_going) {
  const auto& kernels = detail::fit_kernels();
  const Eigen::Index p = pool.points;
  const long m = count;
  GramBlocks b;
  b.first = first;
  b.count = count;
  b.points = p;
  b.f.assign(9 * m, 0.0);
  // Row a of the triangle holds blocks (a, a) .. (a, m - 1).
  b.row_start.resize(m);
  long stored = 0;
  for (long a = 0; a < m; ++a) {
    b.row_start[a] = 9 * (stored - a);
    stored += m - a;
  }
  b.k.assign(9 * stored + 4, 0.0);
  b.spread.assign(m, 0.0);

  Eigen::MatrixXd z = Eigen::MatrixXd::Zero(p, 3);
  for (int i = 0; i < count; ++i) z += pool.unit.middleCols(3 * (first + i), 3);
  z /= static_cast<double>(count);

  // Chunk by chunk of points: the differences V of every specimen (specimen i
  // at 3 len i, column j of it len values further), then their products.
  const Eigen::Index chunk = chunk_length(m, p);
  std::vector<double> v(3 * chunk * m), zc(3 * chunk), f(9 * m);
  std::vector<const double*> specimens(m);
  tbb::enumerable_thread_specific<std::vector<double>> scratch([&] { return std::vector<double>(9 * m); });
  for (Eigen::Index t0 = 0; t0 < p; t0 += chunk) {
    const Eigen::Index len = std::min(chunk, p - t0);
    for (int j = 0; j < 3; ++j)
      for (Eigen::Index t = 0; t < len; ++t) zc[j * len + t] = z(t0 + t, j);
    for (long i = 0; i < m; ++i) {
      double* vi = v.data() + 3 * len * i;
      specimens[i] = vi;
      for (int j = 0; j < 3; ++j) {
        const double* u = pool.unit.col(3 * (first + i) + j).data() + t0;
        for (Eigen::Index t = 0; t < len; ++t) vi[j * len + t] = u[t] - zc[j * len + t];
      }
    }
    const double* zp = zc.data();
    double zz[9];
    kernels.cross(&zp, 1, zp, static_cast<int>(len), zz);
    b.zz += Eigen::Map<Eigen::Matrix3d>(zz);
    // V_k' Z column by column is F_k = Z' V_k row by row.
    kernels.cross(specimens.data(), static_cast<int>(m), zp, static_cast<int>(len), f.data());
    for (long i = 0; i < 9 * m; ++i) b.f[i] += f[i];
    // Row a of blocks from a on: V_c' V_a column by column is K_ac row by row.
    tbb::parallel_for(tbb::blocked_range<long>(0, m), [&](const tbb::blocked_range<long>& rows) {
      std::vector<double>& out = scratch.local();
      for (long a = rows.begin(); a != rows.end(); ++a) {
        kernels.cross(specimens.data() + a, static_cast<int>(m - a), specimens[a], static_cast<int>(len), out.data());
        double* row = b.k.data() + b.row_start[a] + 9 * a;
        for (long i = 0; i < 9 * (m - a); ++i) row[i] += out[i];
      }
    });
    if (keep_going && t0 + len < p && !keep_going()) return GramBlocks{};
  }
  for (long a = 0; a < m; ++a) {
    const double* own = b.k.data() + b.row_start[a] + 9 * a;
    b.spread[a] = std::sqrt(std::max(0.0, own[0] + own[4] + own[8]));
  }
  return b;
}

double gram_bytes(int count) { return 36.0 * count * (count + 1.0); }

double machine_memory_bytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page = sysconf(_SC_PAGE_SIZE);
  return pages > 0 && page > 0 ? static_cast<double>(pages) * static_cast<double>(page) : 0.0;
}

BlockWorkspace::BlockWorkspace(int largest_group)
    : cross(9 * static_cast<size_t>(largest_group)),
      refits(9 * static_cast<size_t>(largest_group)),
      products12(9 * static_cast<size_t>(largest_group) + 4) {
  for (BlockGroup* g : {&group1, &group2}) {
    g->members.resize(largest_group);
    g->weights.resize(largest_group);
    g->fits.resize(9 * static_cast<size_t>(largest_group));
    g->coefficients.resize(9 * static_cast<size_t>(largest_group) + 4);
    g->products.resize(9 * static_cast<size_t>(largest_group) + 4);
  }
}

bool fscore_set_blocks(const ResamplingPool& pool, const GramBlocks& blocks, std::span<const int> group1,
                       std::span<const int> group2, double count1, double count2, BlockWorkspace& work, FSet& set) {
  BlockGroup& g1 = work.group1;
  BlockGroup& g2 = work.group2;
  collect(group1, blocks.first, g1);
  collect(group2, blocks.first, g2);
  if (!superimpose(pool, blocks, g1, work.cross) || !superimpose(pool, blocks, g2, work.cross)) return false;

  // The second consensus fitted onto the first: R the polar factor of
  // M2' M1 = (S2'Z'Z S1 + S2'Phi1 + Phi2'S1 + (V A2)'(V A1)) / (size1 size2).
  detail::fit_kernels().block_products(blocks.k.data(), blocks.row_start.data(), g2.members.data(), g2.distinct,
                                       g1.members.data(), g1.distinct, g1.coefficients.data(), work.products12.data());
  Eigen::Matrix3d between = Eigen::Matrix3d::Zero();  // (V A2)'(V A1)
  for (int j = 0; j < g2.distinct; ++j)
    between.noalias() += Rows(g2.coefficients.data() + 9 * j).transpose() * Rows(work.products12.data() + 9 * j);
  const double scale = 1 / (g1.size * g2.size);
  const Eigen::Matrix3d m2m1 =
      (g2.sum.transpose() * blocks.zz * g1.sum + g2.sum.transpose() * g1.phi + g2.phi.transpose() * g1.sum + between) *
      scale;
  Eigen::Matrix3d turn;
  detail::polar3(m2m1.data(), turn.data());

  // |M1 - M2 R|^2 by the same three terms.
  const Eigen::Matrix3d e = g1.sum / g1.size - g2.sum * turn / g2.size;
  const Eigen::Matrix3d zw = g1.phi / g1.size - g2.phi * turn / g2.size;
  const double kappa1 = g1.kappa / (g1.size * g1.size), kappa2 = g2.kappa / (g2.size * g2.size);
  const double crossing = 2 * scale * sum_of_products(turn, between);
  const double bdbc = sum_of_products(e, blocks.zz * e) + 2 * sum_of_products(e, zw) + kappa1 + kappa2 - crossing;
  const double z_size = std::sqrt(blocks.zz.trace());
  const double reach = std::sqrt(kappa1) + std::sqrt(kappa2) + e.norm() * z_size;
  const double bdbc_error = 2 * term_rounding(blocks.points, count1 + count2) * (reach * reach + std::fabs(crossing)) +
                            2 * difference_rounding(count1 + count2) * (e.norm() * z_size * z_size + zw.norm());

  // The second group refitted onto M2 R: U_k' M2 R, its polar factor T_k,
  // and the distance |U_k T_k - M2 R| = |U_k T_k R' - M2|.
  cross_products(blocks, g2, turn, work.cross.data());
  detail::polar_factors(work.cross.data(), g2.distinct, work.refits.data());
  for (int j = 0; j < g2.distinct; ++j) {
    Eigen::Map<Eigen::Matrix3d> fit(work.refits.data() + 9 * j);
    fit = Eigen::Matrix3d(fit * turn.transpose());
  }
  const Squares s1 = g1.count == 1 ? Squares{} : squares(blocks, g1, g1.fits.data());
  const Squares s2 = squares(blocks, g2, work.refits.data());

  const double spread = s1.value + s2.value;
  if (!(std::isfinite(bdbc) && std::isfinite(spread) && s1.error + s2.error <= kTolerance * spread &&
        bdbc_error <= kTolerance * bdbc))
    return false;
  set.bdbc = bdbc;
  set.bdb = std::sqrt(bdbc);
  set.bdist1 = s1.value;
  set.bdist2 = s2.value;
  set.fscore = ((count1 + count2 - 2) * (set.bdb * set.bdb)) / ((1 / count1 + 1 / count2) * (set.bdist1 + set.bdist2));
  return true;
}

Eigen::MatrixXd first_consensus(const ResamplingPool& pool, const BlockWorkspace& work) {
  const BlockGroup& g = work.group1;
  std::vector<const double*> members(g.distinct);
  std::vector<double> columns(9 * static_cast<size_t>(g.distinct));
  for (int j = 0; j < g.distinct; ++j) {
    members[j] = pool.unit.data() + 3 * (g.first + g.members[j]) * pool.points;
    Eigen::Map<Eigen::Matrix3d>(columns.data() + 9 * j) = Rows(g.coefficients.data() + 9 * j);
  }
  Eigen::MatrixXd mean(pool.points, 3);
  detail::fit_kernels().sum_fitted(members.data(), columns.data(), g.distinct, static_cast<int>(pool.points),
                                   mean.data());
  if (g.size != 1) mean /= g.size;
  return mean;
}

bool variance_set_blocks(const ResamplingPool& pool, const GramBlocks& first, const GramBlocks& second,
                         std::span<const int> group1, std::span<const int> group2, BlockWorkspace& work,
                         VarianceSet& set) {
  BlockGroup& g1 = work.group1;
  BlockGroup& g2 = work.group2;
  collect(group1, first.first, g1);
  collect(group2, second.first, g2);
  if (!superimpose(pool, first, g1, work.cross) || !superimpose(pool, second, g2, work.cross)) return false;
  const Squares s1 = g1.count == 1 ? Squares{} : squares(first, g1, g1.fits.data());
  const Squares s2 = g2.count == 1 ? Squares{} : squares(second, g2, g2.fits.data());
  if (!(std::isfinite(s1.value) && std::isfinite(s2.value) && s1.error <= kTolerance * s1.value &&
        s2.error <= kTolerance * s2.value))
    return false;
  set.bd1 = s1.value / (g1.count - 1);
  set.bd2 = s2.value / (g2.count - 1);
  set.bdifd = std::fabs(set.bd1 - set.bd2);
  return true;
}

ResamplingPath choose_resampling_path(ResampledTest test, Eigen::Index points, int n1, int n2, std::int64_t sets,
                                      double memory) {
  // Costs per operation in nanoseconds of one core, measured with the
  // benchmark's Choice runs (PermuteF, 10 to 300 specimens per sample, 10 to
  // 1,000 points); only their ratios matter. On the points a member costs a
  // pass over its points and its fits; on the blocks a set costs its 3 by 3
  // block products and the per-member algebra and fits, and shares the
  // precomputation. Both passes slow down once their data outgrow the
  // second-level cache.
  constexpr double kPointNs = 4.0, kPointFromMemoryNs = 8.0, kMemberOnPointsNs = 225;
  constexpr double kBlockNs = 2.1, kBlockFromMemoryNs = 4.8, kMemberOnBlocksNs = 330, kGramNs = 0.61;
  const double pooled = n1 + n2;
  const double ranges = test == ResampledTest::variance ? 2 : 1;
  if (memory > 0 && ranges * gram_bytes(n1 + n2) > memory / 4) return ResamplingPath::points;

  // A bootstrap group of n draws from N holds about N (1 - (1 - 1/N)^n)
  // distinct specimens; the blocks count those only.
  auto distinct = [&](int n) {
    return test == ResampledTest::bootstrap_f ? pooled * (1 - std::pow(1 - 1 / pooled, n)) : static_cast<double>(n);
  };
  const double d1 = distinct(n1), d2 = distinct(n2);
  // Per group a start and three rounds; the F tests also cross the groups once.
  const double products = 4 * (d1 * d1 + d2 * d2) + (test == ResampledTest::variance ? 0 : d1 * d2);
  const long level2 = sysconf(_SC_LEVEL2_CACHE_SIZE);
  const double cache = level2 > 0 ? static_cast<double>(level2) : 1 << 20;
  const double p = static_cast<double>(points);
  const double block_ns = gram_bytes(n1 + n2) <= 0.75 * cache ? kBlockNs : kBlockFromMemoryNs;
  const double point_ns = 24 * p * pooled <= 0.75 * cache ? kPointNs : kPointFromMemoryNs;
  const double on_points = (point_ns * p + kMemberOnPointsNs) * pooled;
  const double on_blocks =
      block_ns * products + kMemberOnBlocksNs * (d1 + d2) +
      kGramNs * ranges * p * pooled * (pooled + 1) / 2 / static_cast<double>(std::max<std::int64_t>(sets, 1));
  return on_blocks < on_points ? ResamplingPath::blocks : ResamplingPath::points;
}

}  // namespace velmora
