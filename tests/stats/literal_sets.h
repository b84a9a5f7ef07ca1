// The per-set procedures of the resampling tests transcribed step by step on
// getpproc3, getpprocon3 and getpdistance3, for comparing the engine with.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "geometry/getpdistance3.h"
#include "geometry/getpproc3.h"
#include "geometry/getpprocon3.h"
#include "geometry/vertxy3D.h"
#include "geometry/x1y1z1.h"
#include "stats/resampling_engine.h"
#include "support/sample_factory.h"

namespace velmora::testing {

inline Sample pick(const Sample& pool, const std::vector<int>& at) {
  Sample out(pool.points(), static_cast<Eigen::Index>(at.size()));
  for (size_t k = 0; k < at.size(); ++k) out.specimen(static_cast<Eigen::Index>(k)) = pool.specimen(at[k]);
  return out;
}

inline double summed_squares(const Eigen::RowVectorXd& d) {
  double s = 0;
  for (Eigen::Index i = 0; i < d.size(); ++i) s += d(i) * d(i);
  return s;
}

// The per-set F procedure as the text gives it, one step after another.
inline FSet literal_fscore(const Sample& jumbo, const std::vector<int>& g1, const std::vector<int>& g2, double count1,
                           double count2) {
  Superimposition a = getpproc3(pick(jumbo, g1));
  Superimposition b = getpproc3(pick(jumbo, g2));
  const Eigen::MatrixXd bmean2 = getpprocon3(a.mean, Sample(b.mean)).values();
  const Sample bd2 = getpprocon3(bmean2, b.aligned);
  FSet f;
  f.bdb = getpdistance3(a.mean, Sample(bmean2))(0);
  f.bdbc = (a.mean - bmean2).array().square().colwise().sum().sum();
  f.bdist1 = summed_squares(getpdistance3(a.mean, a.aligned));
  f.bdist2 = summed_squares(getpdistance3(bmean2, bd2));
  f.fscore = ((count1 + count2 - 2) * (f.bdb * f.bdb)) / ((1 / count1 + 1 / count2) * (f.bdist1 + f.bdist2));
  return f;
}

// One permutation of the variance test as the text gives it: deviation rows
// from x1y1z1, rows rebuilt around the mean of the group they land in.
inline VarianceSet literal_variance(const Study& s, const std::vector<int>& plist) {
  const Eigen::Index n1 = s.data1.count(), n2 = s.data2.count();
  const Eigen::RowVectorXd m1 = x1y1z1(s.mean1, 1), m2 = x1y1z1(s.mean2, 1);
  Eigen::MatrixXd ctemp(n1 + n2, m1.size());
  for (Eigen::Index i = 0; i < n1; ++i) ctemp.row(i) = x1y1z1(s.data1.specimen(i), s.data1cs(i)) - m1;
  for (Eigen::Index i = 0; i < n2; ++i) ctemp.row(n1 + i) = x1y1z1(s.data2.specimen(i), s.data2cs(i)) - m2;
  Eigen::MatrixXd l1(n1, m1.size()), l2(n2, m1.size());
  for (Eigen::Index j = 0; j < n1; ++j) l1.row(j) = ctemp.row(plist[j]) + m1;
  for (Eigen::Index j = 0; j < n2; ++j) l2.row(j) = ctemp.row(plist[n1 + j]) + m2;
  Superimposition a = getpproc3(vertxy3D(l1));
  Superimposition b = getpproc3(vertxy3D(l2));
  VarianceSet v;
  v.bd1 = summed_squares(getpdistance3(a.mean, a.aligned)) / static_cast<double>(n1 - 1);
  v.bd2 = summed_squares(getpdistance3(b.mean, b.aligned)) / static_cast<double>(n2 - 1);
  v.bdifd = std::fabs(v.bd1 - v.bd2);
  return v;
}

inline Sample pooled(const Study& s) {
  Sample jumbo(s.data1.points(), s.data1.count() + s.data2.count());
  jumbo.values() << s.data1.values(), s.data2.values();
  return jumbo;
}

inline void expect_relative(double actual, double expected, double tolerance, const std::string& what) {
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(actual)) << what;
    return;
  }
  // Squared distances at rounding level (a group of one) compare absolutely.
  EXPECT_LE(std::fabs(actual - expected), tolerance * std::fabs(expected) + 1e-28)
      << what << ": " << actual << " vs " << expected;
}

}  // namespace velmora::testing
