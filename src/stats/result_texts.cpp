#include "stats/result_texts.h"

#include "runtime/format.h"

namespace velmora {

std::string goodall_text(double db, double fscore, double df1, double df2, double plevel) {
  return sprintf_m("Between Group Distance %0.5f  F score= %2.4f,   df1=%4.2f ,   df2=%4.2f,  p value=%3.8g", db,
                   fscore, df1, df2, plevel);
}

std::string resampling_f_text(bool permutation, double db, double fscore, double five_percent, double one_percent,
                              double nboots) {
  if (permutation)
    return sprintf_m(
        "Between Group Distance %0.5f,  F score= %2.4f,  Permutation Range of F values (5 percent)= %2.4f (1 "
        "percent) %2.4f Using %4.0i Permutations",
        db, fscore, five_percent, one_percent, nboots);
  return sprintf_m(
      "Between Group Distance %0.5f,  F score= %2.4f,  Bootstrap Range of F values (5 percent)= %2.4f (1 percent) "
      "%2.4f Using %4.0i Bootstrap Sets",
      db, fscore, five_percent, one_percent, nboots);
}

std::string disparity_text(double d1, double d2) {
  const std::string stemp2 = sprintf_m("Variance of 1: %1.8f of 2: %1.8f", d1, d2);
  return sprintf_m("Variance (Mean Summed Squared Distance about Mean) \\n %s", stemp2);
}

std::string permute_variance_text(double d1, double d2, double obsdifd, double nboots, double bdif95, double plevel) {
  const std::string observed =
      sprintf_m("Observed Variance of 1: %1.8f of 2: %1.8f  \\n DeltaV: %1.8f", d1, d2, obsdifd);
  const std::string bound = sprintf_m("\\nOver %i permutations, 95P upper bound on DeltaV: %1.8f", nboots, bdif95);
  // Both forms give a percentage: below the smallest step of the test, or the
  // share of permuted differences above the observed one.
  const std::string level = plevel == 0
                                ? sprintf_m("\\nThe percentile level of the observed difference is <%f", 100 / nboots)
                                : sprintf_m("\\nThe percentile level of the observed difference is %f", plevel);
  // The same share in plain words: the percentile line gives the share above,
  // not the percentile.
  const std::string plain = sprintf_m("\\n%g %% of the permuted differences are larger than the observed one", plevel);
  return strcat_m({observed, bound, level, plain});
}

}  // namespace velmora
