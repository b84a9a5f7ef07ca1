#include "stats/resampling_engine.h"

#include <cmath>

#include "runtime/error.h"
#include "stats/fit_kernels.h"
#include "stats/polar3.h"

namespace velmora {
namespace {

// Centring and centroid size on the fast kernels (partial sums; every group
// of one and every pooled specimen goes through the same ones, so a group of
// one gives exactly its pooled specimen).
void centre_columns(double* x, Eigen::Index p) {
  double means[3];
  detail::fit_kernels().column_means(x, static_cast<int>(p), means);
  for (int j = 0; j < 3; ++j) {
    double* column = x + j * p;
    for (Eigen::Index k = 0; k < p; ++k) column[k] -= means[j];
  }
}

double centroid_size(const double* x, Eigen::Index p) {
  return detail::fit_kernels().centroid_size(x, static_cast<int>(p));
}

void divide(double* x, Eigen::Index n, double by) {
  for (Eigen::Index k = 0; k < n; ++k) x[k] /= by;
}

const double* specimen(const Eigen::MatrixXd& values, int i) { return values.data() + 3 * i * values.rows(); }

void polar_factors(const double* b, int n, double* r) { detail::polar_factors(b, n, r); }

// Generalized Procrustes superimposition of the pooled specimens `group` in
// three fixed iterations: the consensus goes to `mean`, the fitting matrix of
// member k (applied to its unit-size specimen) to fits[9k..9k+8].
void superimpose_group(const ResamplingPool& pool, std::span<const int> group, std::vector<const double*>& members,
                       SetWorkspace& work, Eigen::MatrixXd& mean, std::vector<double>& fits) {
  const Eigen::Index p = pool.points;
  const int n = static_cast<int>(group.size());
  const auto& kernels = detail::fit_kernels();
  for (int k = 0; k < n; ++k) members[k] = specimen(pool.unit, group[k]);

  double* ref = work.reference.data();
  if (n == 1) {
    // The single specimen, centred and scaled, is both the consensus and the
    // aligned group.
    const double* first = specimen(pool.raw, group[0]);
    for (Eigen::Index k = 0; k < 3 * p; ++k) ref[k] = first[k];
    centre_columns(ref, p);
    divide(ref, 3 * p, centroid_size(ref, p));
    mean = work.reference;
    static constexpr double kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (int i = 0; i < 9; ++i) fits[i] = kIdentity[i];
    return;
  }

  // Starting reference: the sum of the specimens as given, centred and scaled.
  // Once centred, that sum is the sum of the unit-size specimens weighted by
  // their centroid sizes, which keeps the pass over the data the following
  // fits read anyway.
  for (int k = 0; k < n; ++k) work.weights[k] = pool.sizes[group[k]];
  kernels.weighted_sum(members.data(), work.weights.data(), n, static_cast<int>(3 * p), ref);
  centre_columns(ref, p);
  const double size = centroid_size(ref, p);
  if (size == 0) {
    // Specimens that cancel out when summed: start from the first one.
    const double* first = specimen(pool.raw, group[0]);
    for (Eigen::Index k = 0; k < 3 * p; ++k) ref[k] = first[k];
    centre_columns(ref, p);
    divide(ref, 3 * p, centroid_size(ref, p));
  } else {
    divide(ref, 3 * p, size);
  }

  double* cross = work.cross.data();
  double* sum = work.sum.data();
  for (int iteration = 0; iteration < 3; ++iteration) {
    kernels.cross(members.data(), n, ref, static_cast<int>(p), cross);
    polar_factors(cross, n, fits.data());
    kernels.sum_fitted(members.data(), fits.data(), n, static_cast<int>(p), sum);
    for (Eigen::Index i = 0; i < 3 * p; ++i) ref[i] = sum[i] / static_cast<double>(n);
    divide(ref, 3 * p, centroid_size(ref, p));
  }
  mean = work.reference;
}

// Sum over the members of their squared Procrustes distances from `mean`
// (each distance taken as its square root first, then squared).
double summed_squares(const std::vector<const double*>& members, int n, const std::vector<double>& fits,
                      const Eigen::MatrixXd& mean, SetWorkspace& work) {
  detail::fit_kernels().squared_distances(members.data(), fits.data(), n, mean.data(), static_cast<int>(mean.rows()),
                                          work.distances.data());
  double total = 0;
  for (int k = 0; k < n; ++k) {
    const double d = std::sqrt(work.distances[k]);
    total += d * d;
  }
  return total;
}

}  // namespace

ResamplingPool make_resampling_pool(const Sample& specimens, const std::vector<std::string>& names) {
  ResamplingPool pool;
  pool.points = specimens.points();
  pool.count = specimens.count();
  pool.raw = specimens.values();
  pool.unit = specimens.values();
  pool.sizes.resize(static_cast<size_t>(pool.count));
  for (Eigen::Index i = 0; i < pool.count; ++i) {
    double* x = pool.unit.data() + 3 * i * pool.points;
    centre_columns(x, pool.points);
    const double size = centroid_size(x, pool.points);
    if (!(size > 0)) {
      const std::string who =
          i < static_cast<Eigen::Index>(names.size()) ? names[i] : "pooled specimen " + std::to_string(i + 1);
      throw RuntimeError(who + (size == 0 ? " has zero centroid size (all its points coincide)."
                                          : " has coordinates that are not numbers."));
    }
    divide(x, 3 * pool.points, size);
    pool.sizes[i] = size;
  }
  return pool;
}

SetWorkspace::SetWorkspace(Eigen::Index points, int largest_group, int pool_count)
    : mean1(points, 3),
      mean2(points, 3),
      fitted_mean2(points, 3),
      reference(points, 3),
      sum(points, 3),
      fits1(9 * static_cast<size_t>(largest_group)),
      fits2(9 * static_cast<size_t>(largest_group)),
      cross(9 * static_cast<size_t>(largest_group)),
      distances(static_cast<size_t>(largest_group)),
      weights(static_cast<size_t>(largest_group)),
      members1(static_cast<size_t>(largest_group)),
      members2(static_cast<size_t>(largest_group)) {
  group1.reserve(largest_group);
  group2.reserve(largest_group);
  order.reserve(pool_count);
}

FSet fscore_set(const ResamplingPool& pool, std::span<const int> group1, std::span<const int> group2, double count1,
                double count2, SetWorkspace& work) {
  const Eigen::Index p = pool.points;
  const int n1 = static_cast<int>(group1.size());
  const int n2 = static_cast<int>(group2.size());
  superimpose_group(pool, group1, work.members1, work, work.mean1, work.fits1);
  superimpose_group(pool, group2, work.members2, work, work.mean2, work.fits2);

  // The second consensus fitted onto the first: centred, unit size, rotated.
  double* m2 = work.fitted_mean2.data();
  work.fitted_mean2 = work.mean2;
  centre_columns(m2, p);
  divide(m2, 3 * p, centroid_size(m2, p));
  const auto& kernels = detail::fit_kernels();
  const double* m2_ptr = m2;
  double b[9], r[9];
  kernels.cross(&m2_ptr, 1, work.mean1.data(), static_cast<int>(p), b);
  detail::polar3(b, r);
  for (Eigen::Index k = 0; k < p; ++k) {
    const double x = m2[k], y = m2[k + p], z = m2[k + 2 * p];
    for (int j = 0; j < 3; ++j) m2[k + j * p] = x * r[3 * j] + y * r[1 + 3 * j] + z * r[2 + 3 * j];
  }

  // The second group refitted onto the fitted consensus.
  kernels.cross(work.members2.data(), n2, m2, static_cast<int>(p), work.cross.data());
  polar_factors(work.cross.data(), n2, work.fits2.data());

  FSet set;
  double total = 0;
  for (int j = 0; j < 3; ++j) {
    double column = 0;
    for (Eigen::Index k = 0; k < p; ++k) {
      const double d = work.mean1(k, j) - work.fitted_mean2(k, j);
      column += d * d;
    }
    total += column;
  }
  set.bdbc = total;
  set.bdb = std::sqrt(total);
  set.bdist1 = n1 == 1 ? 0.0 : summed_squares(work.members1, n1, work.fits1, work.mean1, work);
  set.bdist2 = summed_squares(work.members2, n2, work.fits2, work.fitted_mean2, work);
  set.fscore = ((count1 + count2 - 2) * (set.bdb * set.bdb)) / ((1 / count1 + 1 / count2) * (set.bdist1 + set.bdist2));
  return set;
}

VarianceSet variance_set(const ResamplingPool& pool, std::span<const int> group1, std::span<const int> group2,
                         SetWorkspace& work) {
  const int n1 = static_cast<int>(group1.size());
  const int n2 = static_cast<int>(group2.size());
  superimpose_group(pool, group1, work.members1, work, work.mean1, work.fits1);
  superimpose_group(pool, group2, work.members2, work, work.mean2, work.fits2);
  VarianceSet set;
  const double s1 = n1 == 1 ? 0.0 : summed_squares(work.members1, n1, work.fits1, work.mean1, work);
  const double s2 = n2 == 1 ? 0.0 : summed_squares(work.members2, n2, work.fits2, work.mean2, work);
  set.bd1 = s1 / (n1 - 1);
  set.bd2 = s2 / (n2 - 1);
  set.bdifd = std::fabs(set.bd1 - set.bd2);
  return set;
}

void draw_bootstrap_groups(RandomStream& random, int tcnt, std::vector<int>& group1, std::vector<int>& group2) {
  const double t = static_cast<double>(tcnt);
  auto draw = [&] {
    int i = static_cast<int>(std::ceil(t * random.uniform())) - 1;
    return i < 0 ? 0 : (i >= tcnt ? tcnt - 1 : i);
  };
  for (int& g : group1) g = draw();
  for (int& g : group2) g = draw();
}

void draw_permutation_groups(RandomStream& random, int tcnt, std::vector<int>& order, std::vector<int>& group1,
                             std::vector<int>& group2) {
  random.permutation(tcnt, order);
  const size_t n1 = group1.size();
  for (size_t k = 0; k < n1; ++k) group1[k] = order[k];
  for (size_t k = 0; k < group2.size(); ++k) group2[k] = order[n1 + k];
}

}  // namespace velmora
