// Seedable random numbers with independent streams per resampling set.
#pragma once

#include <cstdint>
#include <vector>

namespace velmora {

/// xoshiro256** seeded from (seed, stream) through SplitMix64, so that set k of
/// a test draws the same numbers whatever thread runs it.
class RandomStream {
 public:
  RandomStream(std::uint64_t seed, std::uint64_t stream);

  std::uint64_t next();
  /// Uniform in the open interval (0, 1).
  double uniform();
  /// Uniform whole number in [0, n).
  std::uint64_t below(std::uint64_t n);
  /// A random ordering of 0..n-1, every ordering equally likely (Fisher-Yates).
  void permutation(int n, std::vector<int>& out);
  std::vector<int> permutation(int n);

 private:
  std::uint64_t s_[4];
};

/// A seed from the system's entropy.
std::uint64_t entropy_seed();

}  // namespace velmora
