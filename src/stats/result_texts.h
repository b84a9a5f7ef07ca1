// The result texts of the comparison actions, to the character.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

/// "Between Group Distance %0.5f  F score= %2.4f,   df1=%4.2f ,   df2=%4.2f,  p value=%3.8g"
std::string goodall_text(double db, double fscore, double df1, double df2, double plevel);

/// The bootstrap text ("... Bootstrap Range of F values ... Using %4.0i Bootstrap
/// Sets") or, with `permutation`, the permutation text ("... Permutation Range
/// of F values ... Using %4.0i Permutations").
std::string resampling_f_text(bool permutation, double db, double fscore, double five_percent, double one_percent,
                              double nboots);

/// "Variance (Mean Summed Squared Distance about Mean) \n Variance of 1: %1.8f of 2: %1.8f"
std::string disparity_text(double d1, double d2);

/// The three lines of the variance permutation test. When no permuted
/// difference exceeds the observed one (plevel 0) the last line reads
/// "... is <%f" with 100 / nboots, the resolution of the test in percent.
std::string permute_variance_text(double d1, double d2, double obsdifd, double nboots, double bdif95, double plevel);

/// `v` in printf `format`, or "NA" when it is not finite (the group tests' tables).
std::string number(const char* format, double v);

/// Rows of cells as text, the first column left-aligned, the others right-aligned.
std::string table_text(const std::vector<std::vector<std::string>>& rows);

/// "999 permutations + the observed, seed 1" for `arrangements` counting the observed one.
std::string arrangements_text(std::int64_t arrangements, std::uint64_t seed);

}  // namespace velmora
