#include "io/tps_specimen_names.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>

namespace velmora {
namespace {

std::string trimmed(const std::string& s) {
  const auto not_space = [](unsigned char c) { return !std::isspace(c); };
  auto begin = std::find_if(s.begin(), s.end(), not_space);
  auto end = std::find_if(s.rbegin(), s.rend(), not_space).base();
  return begin < end ? std::string(begin, end) : std::string();
}

// The text after `key` (matched in either case) at the start of `line`, if it starts so.
bool after(const std::string& line, const char* key, std::string& rest) {
  const std::size_t n = std::char_traits<char>::length(key);
  if (line.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::toupper(static_cast<unsigned char>(line[i])) != key[i]) return false;
  rest = trimmed(line.substr(n));
  return true;
}

}  // namespace

std::vector<std::string> tps_specimen_names(std::istream& in, std::size_t count) {
  std::vector<std::string> ids, images;
  std::string line, rest;
  while (std::getline(in, line)) {
    line = trimmed(line);
    if (after(line, "LM=", rest)) {
      if (std::atof(rest.c_str()) <= 1) break;
      ids.emplace_back();
      images.emplace_back();
    } else if (!ids.empty() && after(line, "ID=", rest)) {
      ids.back() = rest;
    } else if (!ids.empty() && after(line, "IMAGE=", rest)) {
      images.back() = rest;
    }
  }
  if (ids.size() != count) return {};
  bool any = false;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (ids[i].empty()) ids[i] = images[i];
    any = any || !ids[i].empty();
  }
  return any ? ids : std::vector<std::string>{};
}

std::vector<std::string> tps_specimen_names(const std::filesystem::path& file, std::size_t count) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  return tps_specimen_names(in, count);
}

}  // namespace velmora
