#include "io/text_scanner.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "runtime/error.h"

namespace velmora {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Characters that can belong to a number as scanf reads it (digits, signs, point,
// exponent, inf/infinity/nan and the nan(...) payload).
bool is_number_char(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '+' || c == '-' ||
         c == '.' || c == '_' || c == '(' || c == ')';
}

}  // namespace

std::size_t parse_number(std::string_view text, double& value) {
  std::size_t i = 0;
  if (i < text.size() && text[i] == '+') {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) return 0;
  }
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  double v = 0;
  auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
  if (ptr == first) return 0;
  if (ec == std::errc::result_out_of_range) {
    // Overflow gives an infinity and underflow zero, as strtod does.
    std::string copy(first, ptr);
    v = std::strtod(copy.c_str(), nullptr);
  } else if (ec != std::errc()) {
    return 0;
  }
  value = v;
  return static_cast<std::size_t>(ptr - text.data());
}

std::vector<double> line_numbers(std::string_view line) {
  std::vector<double> out;
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (i < n) {
    while (i < n && (is_space(line[i]) || line[i] == ',' || line[i] == ';')) ++i;
    if (i == n) break;
    std::size_t j = i;
    while (j < n && !(is_space(line[j]) || line[j] == ',' || line[j] == ';')) ++j;
    double v = 0;
    if (parse_number(line.substr(i, j - i), v) != j - i) return {};
    out.push_back(v);
    i = j;
  }
  return out;
}

void drop_byte_order_mark(std::optional<std::string>& first_line) {
  if (first_line && first_line->starts_with("\xEF\xBB\xBF")) first_line->erase(0, 3);
}

TextScanner::TextScanner(std::istream& in, std::size_t chunk)
    : in_(in), buffer_(new char[chunk < 64 ? 64 : chunk]), capacity_(chunk < 64 ? 64 : chunk) {}

void TextScanner::read_error() const { throw RuntimeError("The file could not be read to its end (read error)."); }

bool TextScanner::fill(std::size_t need) {
  if (end_ - pos_ >= need) return true;
  if (eof_) return end_ > pos_;
  if (pos_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  if (capacity_ < need) {
    const std::size_t grown = need + capacity_;
    std::unique_ptr<char[]> bigger(new char[grown]);
    std::memcpy(bigger.get(), buffer_.get(), end_);
    buffer_ = std::move(bigger);
    capacity_ = grown;
  }
  while (end_ < need && !eof_) {
    in_.read(buffer_.get() + end_, static_cast<std::streamsize>(capacity_ - end_));
    const std::streamsize got = in_.gcount();
    if (in_.bad()) read_error();
    end_ += static_cast<std::size_t>(got);
    if (!in_) eof_ = true;
  }
  return end_ > pos_;
}

bool TextScanner::get(char& c) {
  if (pos_ == end_ && !fill(1)) return false;
  c = buffer_[pos_++];
  if (c == '\r' && (pos_ < end_ || fill(1)) && buffer_[pos_] == '\n') {
    c = '\n';  // a carriage return + line feed line end is one line feed
    ++pos_;
  }
  if (c == '\n') ++line_;
  return true;
}

bool TextScanner::number(double& value) {
  for (;;) {
    if (pos_ == end_ && !fill(1)) return false;
    const char c = buffer_[pos_];
    if (!is_space(c)) break;
    if (c == '\n') ++line_;
    ++pos_;
  }
  // The whole candidate token must be in the buffer before it is parsed.
  std::size_t k = pos_;
  for (;;) {
    while (k < end_ && is_number_char(buffer_[k])) ++k;
    if (k < end_ || eof_) break;
    const std::size_t offset = k - pos_;
    fill(offset + 4096);
    k = pos_ + offset;
  }
  const std::size_t used = parse_number(std::string_view(buffer_.get() + pos_, k - pos_), value);
  pos_ += used;
  return used > 0;
}

std::size_t TextScanner::numbers(double limit, std::vector<double>& out) {
  std::size_t n = 0;
  double v = 0;
  while (static_cast<double>(n) < limit && number(v)) {
    out.push_back(v);
    ++n;
  }
  return n;
}

std::optional<std::string> TextScanner::rest_of_line() {
  if (pos_ == end_ && !fill(1)) return std::nullopt;
  std::string line;
  for (;;) {
    const char* start = buffer_.get() + pos_;
    const void* hit = std::memchr(start, '\n', end_ - pos_);
    if (hit != nullptr) {
      const std::size_t len = static_cast<const char*>(hit) - start + 1;
      line.append(start, len);
      pos_ += len;
      ++line_;
      break;
    }
    line.append(start, end_ - pos_);
    pos_ = end_;
    if (!fill(1)) break;
  }
  if (line.size() >= 2 && line[line.size() - 1] == '\n' && line[line.size() - 2] == '\r') {
    line.erase(line.size() - 2, 1);
  }
  return line;
}

}  // namespace velmora
