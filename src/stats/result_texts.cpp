#include "stats/result_texts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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

std::string number(const char* format, double v) {
  if (!std::isfinite(v)) return "NA";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, v);
  return buffer;
}

// Rows of cells, the first column left-aligned, the others right-aligned.
std::string table_text(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> width;
  for (const auto& row : rows)
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (width.size() <= c) width.push_back(0);
      width[c] = std::max(width[c], row[c].size());
    }
  std::string out;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      const std::string pad(width[c] - row[c].size(), ' ');
      line += c == 0 ? row[c] + pad : "  " + pad + row[c];
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  }
  return out;
}

std::string arrangements_text(std::int64_t arrangements, std::uint64_t seed) {
  return std::to_string(arrangements - 1) + " permutations + the observed, seed " + std::to_string(seed);
}

}  // namespace velmora
