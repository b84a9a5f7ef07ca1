// `velmora3d --analyze`: a whole study in one command, on the same dispatcher.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velmora {

struct AnalyzeOptions {
  std::filesystem::path protocol;
  std::filesystem::path first;
  bool two_d = false;
  std::optional<std::filesystem::path> second;
  std::optional<std::string> second_format;  // "table" (the default) or "tps"
  std::vector<std::string> tests;             // goodall, boot, perm, disparity, permvar, pca, difference
  std::optional<double> rounds;               // as BootBox: 100 x rounds^2 sets
  std::optional<std::uint64_t> seed;
  std::optional<std::filesystem::path> save, save_aligned, save_2d, save_second, figure, json;
  bool quiet = false;
  // Studies of any design: the specimen table, numeric columns taken as
  // factors, the model of ProcrustesANOVA, the factor of PairwiseGroups and
  // ShapePCA's colours, the random permutations (the observed one comes on top).
  std::optional<std::filesystem::path> table;
  std::optional<std::string> factors, model, group;
  std::optional<double> permutations;
  // Two-block PLS: its blocks of points ("1-12 | 13-40") and whether each block
  // is superimposed on its own.
  std::optional<std::string> blocks;
  bool separate_blocks = false;
};

/// Checks the options before anything runs; returns the one-line complaint, or
/// nothing when they are usable.
std::optional<std::string> check_analyze_options(const AnalyzeOptions& options);

/// Loads the protocol and the samples, runs the tests, writes what was asked.
/// Returns 0 on success, 2 for unusable options or input files (nothing
/// written), 1 when a later step failed.
int run_analyze(const AnalyzeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace velmora
