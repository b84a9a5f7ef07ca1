#include "runtime/random.h"

#include <numeric>
#include <random>

namespace velmora {
namespace {

std::uint64_t splitmix64(std::uint64_t& x) {
  std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

}  // namespace

RandomStream::RandomStream(std::uint64_t seed, std::uint64_t stream) {
  std::uint64_t x = seed;
  std::uint64_t mixed = splitmix64(x) ^ (stream * 0xd1342543de82ef95ULL + 0x632be59bd9b4e019ULL);
  for (auto& word : s_) word = splitmix64(mixed);
}

std::uint64_t RandomStream::next() {
  const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
  const std::uint64_t t = s_[1] << 17;
  s_[2] ^= s_[0];
  s_[3] ^= s_[1];
  s_[1] ^= s_[2];
  s_[0] ^= s_[3];
  s_[2] ^= t;
  s_[3] = rotl(s_[3], 45);
  return result;
}

double RandomStream::uniform() {
  // 52 random bits, shifted half a step: the largest value, 1 - 2^-53, is a
  // double below 1 and the smallest is 2^-53, so neither 0 nor 1 is possible.
  return (static_cast<double>(next() >> 12) + 0.5) * 0x1.0p-52;
}

std::uint64_t RandomStream::below(std::uint64_t n) {
  // Lemire's nearly divisionless method, without bias.
  __uint128_t m = static_cast<__uint128_t>(next()) * n;
  std::uint64_t low = static_cast<std::uint64_t>(m);
  if (low < n) {
    const std::uint64_t threshold = -n % n;
    while (low < threshold) {
      m = static_cast<__uint128_t>(next()) * n;
      low = static_cast<std::uint64_t>(m);
    }
  }
  return static_cast<std::uint64_t>(m >> 64);
}

void RandomStream::permutation(int n, std::vector<int>& out) {
  out.resize(n);
  std::iota(out.begin(), out.end(), 0);
  for (int i = n - 1; i > 0; --i) std::swap(out[i], out[below(static_cast<std::uint64_t>(i) + 1)]);
}

std::vector<int> RandomStream::permutation(int n) {
  std::vector<int> out;
  permutation(n, out);
  return out;
}

std::uint64_t entropy_seed() {
  std::random_device rd;
  return (static_cast<std::uint64_t>(rd()) << 32) ^ rd();
}

}  // namespace velmora
