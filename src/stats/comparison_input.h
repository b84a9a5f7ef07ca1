// What the comparison actions take from the study, and the checks they make
// before they start.
#pragma once

#include <Eigen/Dense>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/sample.h"

namespace velmora {

/// Both samples as the loading actions keep them: data p by 3 by n, means
/// p by 3, centroid sizes 1 by n.
struct TwoSamples {
  const Sample& data1;
  const Eigen::MatrixXd& mean1;
  const Eigen::RowVectorXd& data1cs;
  const Sample& data2;
  const Eigen::MatrixXd& mean2;
  const Eigen::RowVectorXd& data2cs;
  // The specimens' names from their files (empty or absent: "specimen k").
  const std::vector<std::string>* names1 = nullptr;
  const std::vector<std::string>* names2 = nullptr;
};

/// The name of specimen `i` (from 0) of sample 1 or 2: its name from the file
/// when the study has one for every specimen, else "specimen k".
std::string specimen_name(const TwoSamples& samples, int sample, Eigen::Index i);

/// Throws RuntimeError, naming `action` and what to load, when a sample or its
/// mean is missing, or when the samples and means differ in point count.
void check_samples(std::string_view action, const TwoSamples& samples);

/// What a comparison needs of the samples to mean anything.
struct ComparisonNeeds {
  Eigen::Index each = 1;   // specimens in each sample
  Eigen::Index total = 3;  // specimens in both together
  bool variation = true;   // specimens that differ in shape by more than rounding
  std::string_view why_each = "a spread about a mean needs two";
};

/// Throws RuntimeError naming `action` and what is missing when the samples
/// hold fewer specimens than `needs` says, fewer than 3 points each (no shape
/// left once position, size and rotation are taken out: Goodall's df1 would
/// be 3p - 7 = -1 for 2 points in space), or, with `needs.variation`, when
/// every specimen lies on its sample's mean to rounding (a statistic of
/// rounding noise). Call after check_samples.
void check_comparison(std::string_view action, const TwoSamples& samples, const ComparisonNeeds& needs);

/// True for a flat (2D) study, as LoadFile2D leaves it: every z coordinate of
/// both samples and both means is zero.
bool flat_study(const TwoSamples& samples);

/// Throws RuntimeError when a centroid-size row does not have one entry per
/// specimen (the variance permutation test needs them).
void check_centroid_sizes(std::string_view action, const TwoSamples& samples);

/// The largest BootBox value: 100 * 316^2 sets, just under ten million (about
/// half an hour on two cores, a few hundred megabytes).
constexpr double kMostResamplingRounds = 316;

/// The number of resampled sets, 100 * value^2, for the BootBox value.
/// Throws RuntimeError naming `action` when the value is not a whole number of
/// at least 1, or gives more sets than can be held.
std::int64_t resampling_sets(std::string_view action, double value);

}  // namespace velmora
