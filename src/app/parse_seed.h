// Reading a seed typed on the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora {

/// The seed `text` names: a whole number from 0 to 2^64 - 1 written in decimal
/// digits only. Nothing for anything else ("-1", "1e23", "1.0", "0x10", a
/// number too large, an empty text), so no seed is read as another one.
std::optional<std::uint64_t> parse_seed(std::string_view text);

}  // namespace velmora
