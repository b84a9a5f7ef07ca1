// Sorting resampled statistics and reading their cut-off values.
#pragma once

#include <cstdint>
#include <vector>

namespace velmora {

/// Sorts ascending with every NaN after the numbers, as the array runtime's
/// sort does (a set whose statistic is 0/0 cannot upset the order).
void sort_ascending(std::vector<double>& values);

/// The 1-based position ceil(level * n) in a sorted list of n values (for 100
/// values, level 0.95 gives 95; for 400, 380; for 900, 855).
std::int64_t cutoff_position(double level, std::int64_t n);

/// The values at ceil(0.95 n) and ceil(0.99 n) of the sorted values.
struct Cutoffs {
  double five_percent = 0;
  double one_percent = 0;
};

/// Sorts `values` (in place) and returns the two cut-off values.
Cutoffs f_cutoffs(std::vector<double>& values);

/// A resampled statistic within this share of the observed one is a tie: the
/// arrangement the sample was observed in, met again among the sets, comes
/// back a few last bits away from the observed value (3e-11 relative for F,
/// 1e-15 for a variance difference, the fits running in another order), and
/// must count as reaching it.
inline constexpr double kTieTolerance = 1e-9;

/// Whether `value` ties `observed`: |value - observed| <= 1e-9 |observed|.
bool ties_observed(double value, double observed);

/// How many values are greater than `observed` and do not tie it (a value
/// equal to it, within the tie tolerance, or NaN, does not count).
double count_above(const std::vector<double>& values, double observed);

/// The resampling p value (1 + the number of values at least `observed`, ties
/// included) / (1 + the number of values): the observed arrangement always
/// counts as one of the sets, so p >= 1 / (sets + 1) (Phipson and Smyth 2010,
/// "Permutation p-values should never be zero", Stat. Appl. Genet. Mol. Biol.
/// 9:39). NaN values do not count; an observed NaN gives NaN.
double resampling_p_value(const std::vector<double>& values, double observed);

}  // namespace velmora
