// Valid names and reserved words: which control tags become fields of the handles structure.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// The 17 reserved words, in alphabetical order.
const std::vector<std::string>& reserved_words();

/// True when `s` is one of the reserved words (exact, case-sensitive).
bool iskeyword(std::string_view s);

/// True when `s` is at most 31 characters, starts with a letter, holds only
/// letters, digits and "_", and is not a reserved word.
bool isvarname(std::string_view s);

}  // namespace velmora
