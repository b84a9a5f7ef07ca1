#include "io/formats/text_lines.h"

#include <charconv>
#include <cmath>

#include "io/text_scanner.h"
#include "runtime/error.h"

namespace velmora {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool equals_lower(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[i]) return false;
  }
  return true;
}

}  // namespace

LineReader::LineReader(std::istream& in, std::string_view source) : source_(source), scanner_(in, source_) {}

bool LineReader::next(std::string& line) {
  std::optional<std::string> read = scanner_.rest_of_line();
  if (!read) {
    line.clear();
    return false;
  }
  if (!read->empty() && read->back() == '\n') read->pop_back();
  line = std::move(*read);
  ++line_;
  if (first_) {
    first_ = false;
    if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
  }
  return true;
}

std::string LineReader::where() const { return source_ + ", line " + std::to_string(line_) + ": "; }

void LineReader::fail(const std::string& what) const { throw RuntimeError(where() + what); }

std::string_view trim(std::string_view text) {
  std::size_t a = 0, b = text.size();
  while (a < b && is_space(text[a])) ++a;
  while (b > a && is_space(text[b - 1])) --b;
  return text.substr(a, b - a);
}

std::vector<std::string_view> split_words(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && is_space(text[i])) ++i;
    std::size_t j = i;
    while (j < text.size() && !is_space(text[j])) ++j;
    if (j > i) out.push_back(text.substr(i, j - i));
    i = j;
  }
  return out;
}

std::vector<std::string> split_fields(std::string_view line, char separator) {
  std::vector<std::string> out;
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"' && trim(field).empty()) {
      field.clear();
      quoted = true;
    } else if (c == separator) {
      out.emplace_back(trim(field));
      field.clear();
    } else {
      field += c;
    }
  }
  out.emplace_back(trim(field));
  return out;
}

bool parse_value(std::string_view token, double& value) {
  if (equals_lower(token, "na")) {
    value = std::nan("");
    return true;
  }
  double v = 0;
  if (token.empty() || parse_number(token, v) != token.size()) return false;
  value = v;
  return true;
}

bool parse_count(std::string_view token, double limit, long long& count) {
  double v = 0;
  if (token.empty() || parse_number(token, v) != token.size()) return false;
  if (!(v >= 0) || !(v <= limit) || v != std::floor(v)) return false;
  count = static_cast<long long>(v);
  return true;
}

std::string product_in_digits(std::initializer_list<long long> factors) {
  unsigned __int128 product = 1;  // three factors of 1e12 stay below 2^128
  for (long long f : factors) product *= static_cast<unsigned __int128>(f < 0 ? 0 : f);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(product % 10)));
    product /= 10;
  } while (product != 0);
  return digits;
}

std::string format_value(double value) {
  if (std::isnan(value)) return "NaN";
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, ec == std::errc() ? end : buffer);
}

std::string file_stem(std::string_view source) {
  const std::size_t slash = source.find_last_of("/\\");
  std::string_view name = slash == std::string_view::npos ? source : source.substr(slash + 1);
  for (std::string_view ext : {".mrk.json", ".json", ".fcsv", ".pts", ".csv", ".tps", ".nts", ".txt", ".dta"}) {
    if (name.size() > ext.size()) {
      std::string_view tail = name.substr(name.size() - ext.size());
      if (equals_lower(tail, ext)) return std::string(name.substr(0, name.size() - ext.size()));
    }
  }
  const std::size_t dot = name.find_last_of('.');
  return std::string(dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot));
}

std::string one_line(std::string_view text) {
  std::string out(trim(text));
  for (char& c : out)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  return out;
}

}  // namespace velmora
