#include "io/formats/specimens.h"

#include <map>

#include "runtime/error.h"

namespace velmora {

std::string numbered_name(std::size_t k) { return "specimen " + std::to_string(k); }

Eigen::MatrixXd point_rows(std::span<const double> xyz) {
  return Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, 3, Eigen::RowMajor>>(
      xyz.data(), static_cast<Eigen::Index>(xyz.size() / 3), 3);
}

std::optional<CountDifference> differing_count(const std::vector<long long>& counts, std::string_view what) {
  if (counts.size() < 2) return std::nullopt;
  std::map<long long, std::size_t> seen;
  for (long long c : counts) ++seen[c];
  if (seen.size() == 1) return std::nullopt;
  long long common = 0;
  std::size_t most = 0, ties = 0;
  for (const auto& [count, times] : seen) {
    if (times > most) {
      most = times;
      common = count;
      ties = 1;
    } else if (times == most) {
      ++ties;
    }
  }
  const std::string noun(what);
  if (ties == 1) {
    for (std::size_t i = 0; i < counts.size(); ++i) {
      if (counts[i] == common) continue;
      const std::string others = most == counts.size() - 1
                                     ? "the other " + std::to_string(most) + " specimens"
                                     : std::to_string(most) + " of the " + std::to_string(counts.size()) + " specimens";
      return CountDifference{i, "specimen " + std::to_string(i + 1) + " has " + std::to_string(counts[i]) + " " + noun +
                                    " where " + others + " have " + std::to_string(common)};
    }
  }
  // No count is the most common: the first two specimens that differ.
  for (std::size_t i = 1; i < counts.size(); ++i) {
    if (counts[i] != counts[0])
      return CountDifference{0, "specimen 1 has " + std::to_string(counts[0]) + " " + noun + " and specimen " +
                                    std::to_string(i + 1) + " has " + std::to_string(counts[i])};
  }
  return std::nullopt;
}

Eigen::MatrixXd flat_rows(const Specimens& s, std::string_view source) {
  std::vector<long long> counts;
  for (const Specimen& sp : s.specimens) counts.push_back(static_cast<long long>(sp.points.rows()));
  if (auto differ = differing_count(counts, "points"))
    throw RuntimeError(std::string(source) + ": " + differ->text +
                       "; every specimen of a sample needs the same points.");
  const Eigen::Index n = static_cast<Eigen::Index>(s.specimens.size());
  const Eigen::Index p = n == 0 ? 0 : s.specimens[0].points.rows();
  Eigen::MatrixXd rows(n, 3 * p);
  for (Eigen::Index i = 0; i < n; ++i) {
    const Eigen::MatrixXd& pts = s.specimens[i].points;
    for (Eigen::Index k = 0; k < p; ++k) rows.block(i, 3 * k, 1, 3) = pts.row(k);
  }
  return rows;
}

}  // namespace velmora
