#include "app/parse_seed.h"

#include <charconv>

namespace velmora {

std::optional<std::uint64_t> parse_seed(std::string_view text) {
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  std::uint64_t seed = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seed, 10);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return seed;
}

}  // namespace velmora
