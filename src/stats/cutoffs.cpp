#include "stats/cutoffs.h"

#include <algorithm>
#include <cmath>

#include "runtime/error.h"

namespace velmora {

void sort_ascending(std::vector<double>& values) {
  auto numbers_end = std::partition(values.begin(), values.end(), [](double v) { return !std::isnan(v); });
  std::sort(values.begin(), numbers_end);
}

std::int64_t cutoff_position(double level, std::int64_t n) {
  return static_cast<std::int64_t>(std::ceil(level * static_cast<double>(n)));
}

Cutoffs f_cutoffs(std::vector<double>& values) {
  const auto n = static_cast<std::int64_t>(values.size());
  if (n == 0) throw RuntimeError("There are no resampled values to take cut-offs from.");
  sort_ascending(values);
  auto at = [&](double level) {
    const std::int64_t position = std::clamp<std::int64_t>(cutoff_position(level, n), 1, n);
    return values[static_cast<size_t>(position - 1)];
  };
  return {at(0.95), at(0.99)};
}

bool ties_observed(double value, double observed) {
  return std::fabs(value - observed) <= kTieTolerance * std::fabs(observed);
}

double count_above(const std::vector<double>& values, double observed) {
  double count = 0;
  for (double v : values)
    if (v > observed && !ties_observed(v, observed)) count += 1;
  return count;
}

double resampling_p_value(const std::vector<double>& values, double observed) {
  if (std::isnan(observed)) return observed;
  double at_least = 0;
  for (double v : values)
    if (v >= observed || ties_observed(v, observed)) at_least += 1;
  return (1 + at_least) / (1 + static_cast<double>(values.size()));
}

}  // namespace velmora
