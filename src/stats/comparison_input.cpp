#include "stats/comparison_input.h"

#include <cmath>
#include <string>

#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora {

void check_samples(std::string_view action, const TwoSamples& s) {
  const std::string name(action);
  const bool first = !s.data1.empty() && s.mean1.size() > 0;
  const bool second = !s.data2.empty() && s.mean2.size() > 0;
  if (!first && !second)
    throw RuntimeError(name +
                       " needs both samples: load the first sample (LoadFile1 or LoadFile2D), then the second "
                       "(LoadFile2).");
  if (!first)
    throw RuntimeError(name +
                       " needs the first sample: load it with LoadFile1 or LoadFile2D (then the second "
                       "sample again with LoadFile2, so that it is fitted onto the first).");
  if (!second) throw RuntimeError(name + " needs the second sample: load it with LoadFile2.");
  const Eigen::Index p1 = s.data1.points(), p2 = s.data2.points();
  if (p1 != p2)
    throw RuntimeError(name + ": the first sample has " + std::to_string(p1) + " points per specimen and the second " +
                       std::to_string(p2) + "; load a second sample with the same points as the first (LoadFile2).");
  if (s.mean1.rows() != p1 || s.mean1.cols() != 3 || s.mean2.rows() != p2 || s.mean2.cols() != 3)
    throw RuntimeError(name + ": the sample means do not match the samples (" + std::to_string(p1) +
                       " points); load the first sample and then the second again.");
}

void check_comparison(std::string_view action, const TwoSamples& s, const ComparisonNeeds& needs) {
  const std::string name(action);
  const Eigen::Index n1 = s.data1.count(), n2 = s.data2.count();
  const std::string held = " (the samples hold " + std::to_string(n1) + " and " + std::to_string(n2) + ")";
  if (n1 < needs.each || n2 < needs.each)
    throw RuntimeError(name + " needs at least " + std::to_string(needs.each) + " specimens in each sample" + held +
                       ": " + std::string(needs.why_each) + ". Nothing was computed.");
  if (n1 + n2 < needs.total)
    throw RuntimeError(name + " needs at least " + std::to_string(needs.total) + " specimens in all" + held +
                       ": with fewer no degree of freedom is left for the spread within the samples. Nothing was "
                       "computed.");
  const Eigen::Index p = s.data1.points();
  if (p < 3)
    throw RuntimeError(name + " needs at least 3 points per specimen; these have " + std::to_string(p) +
                       ", which leave no shape once position, size and rotation are taken out. Nothing was computed.");
  if (!needs.variation) return;
  // Each specimen's squared distance from its sample's mean, against the
  // mean's own size: rounding leaves some 1e-30 of it.
  double spread = 0, scale = 0;
  for (const auto& [data, mean] : {std::pair{&s.data1, &s.mean1}, std::pair{&s.data2, &s.mean2}}) {
    for (Eigen::Index i = 0; i < data->count(); ++i) spread += (data->specimen(i) - *mean).squaredNorm();
    scale += static_cast<double>(data->count()) * mean->squaredNorm();
  }
  if (spread <= 1e-20 * scale)
    throw RuntimeError(name + ": every specimen of both samples has its sample's mean shape (they differ by " +
                       "rounding only), so there is no variation to test against. Nothing was computed.");
}

bool flat_study(const TwoSamples& s) {
  const auto zero_z = [](const Eigen::MatrixXd& values) {
    for (Eigen::Index c = 2; c < values.cols(); c += 3)
      if (!values.col(c).isZero(0)) return false;
    return true;
  };
  return zero_z(s.data1.values()) && zero_z(s.data2.values()) && zero_z(s.mean1) && zero_z(s.mean2);
}

void check_centroid_sizes(std::string_view action, const TwoSamples& s) {
  if (s.data1cs.size() != s.data1.count() || s.data2cs.size() != s.data2.count())
    throw RuntimeError(std::string(action) +
                       ": the centroid sizes do not match the samples (one size per specimen is needed); load the "
                       "first sample and then the second again.");
}

std::int64_t resampling_sets(std::string_view action, double value) {
  const std::string name(action);
  if (!std::isfinite(value) || value < 1 || value != std::floor(value))
    throw RuntimeError(name + ": the number chosen in BootBox must be a whole number of at least 1 (it gives 100 x " +
                       "value^2 sets: 100, 400, 900, ...); it is " + sprintf_m("%g", value) + ".");
  const double sets = 100 * value * value;
  // Every set keeps a few numbers until the cut-offs are sorted out.
  if (value > kMostResamplingRounds)
    throw RuntimeError(name + ": the number chosen in BootBox (" + sprintf_m("%g", value) + ") gives " +
                       sprintf_m("%g", sets) + " sets, more than this program runs in one go; choose at most 316.");
  return static_cast<std::int64_t>(sets);
}

std::string specimen_name(const TwoSamples& samples, int sample, Eigen::Index i) {
  const std::vector<std::string>* names = sample == 1 ? samples.names1 : samples.names2;
  const Eigen::Index count = sample == 1 ? samples.data1.count() : samples.data2.count();
  if (names != nullptr && static_cast<Eigen::Index>(names->size()) == count && i < count) return (*names)[i];
  return "specimen " + std::to_string(i + 1);
}

}  // namespace velmora
