#include "app/isvarname.h"

#include <algorithm>

namespace velmora {

const std::vector<std::string>& reserved_words() {
  static const std::vector<std::string> words = {"break",      "case",   "catch",    "continue", "else", "elseif",
                                                 "end",        "for",    "function", "global",   "if",   "otherwise",
                                                 "persistent", "return", "switch",   "try",      "while"};
  return words;
}

bool iskeyword(std::string_view s) {
  const auto& words = reserved_words();
  return std::find(words.begin(), words.end(), s) != words.end();
}

bool isvarname(std::string_view s) {
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (s.empty() || s.size() > 31 || !letter(s.front())) return false;
  for (char c : s)
    if (!letter(c) && !digit(c) && c != '_') return false;
  return !iskeyword(s);
}

}  // namespace velmora
