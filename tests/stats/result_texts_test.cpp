// Result texts to the character, and the cut-off positions.
#include "stats/result_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>

#include "stats/cutoffs.h"

namespace velmora {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ResultTexts, GoodallF) {
  EXPECT_EQ(goodall_text(0.0123456, 2.5, 83, 1660, 0.00012345678901),
            "Between Group Distance 0.01235  F score= 2.5000,   df1=83.00 ,   df2=1660.00,  p value=0.00012345679");
  // Below 1e-4 the p value switches to exponent form; exactly 1 prints as 1,
  // right-aligned in the field of 3.
  EXPECT_EQ(goodall_text(0, 0, 2, 0, 1),
            "Between Group Distance 0.00000  F score= 0.0000,   df1=2.00 ,   df2=0.00,  p value=  1");
  EXPECT_EQ(goodall_text(0.5, 123.45678, 23, 460, 1.5e-7),
            "Between Group Distance 0.50000  F score= 123.4568,   df1=23.00 ,   df2=460.00,  p value=1.5e-07");
  EXPECT_EQ(goodall_text(0.1, kNaN, -1, -0.0, kNaN),
            "Between Group Distance 0.10000  F score= NaN,   df1=-1.00 ,   df2=-0.00,  p value=NaN");
}

TEST(ResultTexts, ResamplingF) {
  EXPECT_EQ(resampling_f_text(false, 0.03, 1.23456, 2.5, 3.75, 100),
            "Between Group Distance 0.03000,  F score= 1.2346,  Bootstrap Range of F values (5 percent)= 2.5000 (1 "
            "percent) 3.7500 Using  100 Bootstrap Sets");
  EXPECT_EQ(resampling_f_text(true, 0.03, 1.23456, 2.5, 3.75, 1600),
            "Between Group Distance 0.03000,  F score= 1.2346,  Permutation Range of F values (5 percent)= 2.5000 (1 "
            "percent) 3.7500 Using 1600 Permutations");
  EXPECT_TRUE(resampling_f_text(true, 0.03, 1, 2, 3, 10000).ends_with("(1 percent) 3.0000 Using 10000 Permutations"));
}

TEST(ResultTexts, Disparity) {
  EXPECT_EQ(disparity_text(0.00123456789, 0.5),
            "Variance (Mean Summed Squared Distance about Mean) \n Variance of 1: 0.00123457 of 2: 0.50000000");
  EXPECT_EQ(disparity_text(kNaN, 1.0 / 0.0),
            "Variance (Mean Summed Squared Distance about Mean) \n Variance of 1: NaN of 2: Inf");
}

TEST(ResultTexts, PermuteVarianceBothFormsArePercentages) {
  const std::string head =
      "Observed Variance of 1: 0.00200000 of 2: 0.00100000  \n DeltaV: 0.00100000\nOver 100 permutations, 95P "
      "upper bound on DeltaV: 0.00050000\nThe percentile level of the observed difference is ";
  const std::string plain = " % of the permuted differences are larger than the observed one";
  EXPECT_EQ(permute_variance_text(0.002, 0.001, 0.001, 100, 0.0005, 0), head + "<1.000000\n0" + plain);
  EXPECT_EQ(permute_variance_text(0.002, 0.001, 0.001, 100, 0.0005, 3), head + "3.000000\n3" + plain);
  EXPECT_EQ(permute_variance_text(0.002, 0.001, 0.001, 900, 0.0005, 100.0 / 9).substr(head.size()),
            "11.111111\n11.1111" + plain);
  EXPECT_EQ(permute_variance_text(0.002, 0.001, 0.001, 400, 0.0005, 0).substr(head.size()), "<0.250000\n0" + plain);
  EXPECT_NE(permute_variance_text(kNaN, kNaN, kNaN, 100, kNaN, 0).find("DeltaV: NaN"), std::string::npos);
}

TEST(Cutoffs, PositionsForTheUsualSetCounts) {
  struct Case {
    std::int64_t n, five, one;
  };
  for (const Case c : {Case{100, 95, 99}, Case{400, 380, 396}, Case{900, 855, 891}, Case{1600, 1520, 1584}}) {
    EXPECT_EQ(cutoff_position(0.95, c.n), c.five) << c.n;
    EXPECT_EQ(cutoff_position(0.99, c.n), c.one) << c.n;
    // The values at those positions of the sorted list, whatever the order.
    std::vector<double> values(static_cast<size_t>(c.n));
    std::iota(values.begin(), values.end(), 1.0);
    std::shuffle(values.begin(), values.end(), std::mt19937(7));
    const Cutoffs cut = f_cutoffs(values);
    EXPECT_EQ(cut.five_percent, static_cast<double>(c.five));
    EXPECT_EQ(cut.one_percent, static_cast<double>(c.one));
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
  }
}

TEST(Cutoffs, NaNSortsLastAndEqualValuesDoNotCount) {
  std::vector<double> v = {3, kNaN, 1, 2, kNaN};
  sort_ascending(v);
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[2], 3);
  EXPECT_TRUE(std::isnan(v[3]) && std::isnan(v[4]));
  EXPECT_EQ(count_above({0.5, 1.0, 1.0, 2.0, kNaN}, 1.0), 1);
  EXPECT_EQ(count_above({1.0, 1.0}, kNaN), 0);
  // The p value counts equal values, and the observed statistic as one set.
  EXPECT_EQ(resampling_p_value({0.5, 1.0, 1.0, 2.0, kNaN}, 1.0), 4.0 / 6);
  EXPECT_TRUE(std::isnan(resampling_p_value({1.0, 2.0}, kNaN)));
}

// A set a few last bits below or above the observed value ties it: it reaches
// the observed value for the p value and does not exceed it for the share
// above; a set 1e-8 away does not tie.
TEST(Cutoffs, NearTiesCountAsReachingTheObservedValue) {
  const double f = 18.91;
  const std::vector<double> sets = {f * (1 - 3e-11), f * (1 + 3e-11), f * (1 - 1e-8), f * (1 + 1e-8), 0.5};
  EXPECT_EQ(resampling_p_value(sets, f), (1.0 + 3) / (1 + 5));
  EXPECT_EQ(count_above(sets, f), 1);
  EXPECT_EQ(resampling_p_value({0.0, 1e-300}, 0.0), 1.0);
  EXPECT_EQ(resampling_p_value({}, 1.0), 1.0);
}

}  // namespace
}  // namespace velmora
