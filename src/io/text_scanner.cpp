#include "io/text_scanner.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "runtime/error.h"
#include "runtime/format.h"

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

TextScanner::TextScanner(std::istream& in, std::string source, std::size_t chunk, std::size_t longest_line)
    : in_(in),
      source_(std::move(source)),
      buffer_(new char[chunk < 64 ? 64 : chunk]),
      capacity_(chunk < 64 ? 64 : chunk),
      longest_line_(longest_line) {}

void TextScanner::read_error() const {
  throw RuntimeError((source_.empty() ? std::string("The file") : source_) +
                     " could not be read to its end (read error).");
}

void TextScanner::too_long() const {
  const std::string size = longest_line_ % (std::size_t{1} << 20) == 0 ? std::to_string(longest_line_ >> 20) + " MB"
                                                                       : std::to_string(longest_line_) + " characters";
  throw RuntimeError(
      sprintf_m("%s, line %d: the line is longer than %s; the file has no line ends there (is it a text file?).",
                source_.empty() ? std::string("the input") : source_, line_, size));
}

bool TextScanner::fill(std::size_t need) {
  if (end_ - pos_ >= need) return true;
  if (eof_) return end_ > pos_;
  if (pos_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    base_ += pos_;
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

void TextScanner::end_line() {
  ++line_;
  line_start_ = base_ + pos_;
}

void TextScanner::end_line_after_cr() {
  if ((pos_ < end_ || fill(1)) && buffer_[pos_] == '\n') ++pos_;
  end_line();
}

bool TextScanner::get(char& c) {
  if (pos_ == end_ && !fill(1)) return false;
  c = buffer_[pos_++];
  if (c == '\r') {
    c = '\n';  // carriage return + line feed, or a carriage return alone: one line end
    end_line_after_cr();
  } else if (c == '\n') {
    end_line();
  } else {
    check_column(pos_);
  }
  return true;
}

bool TextScanner::skip_space(char& first) {
  bool skipped = false;
  for (;;) {
    if (pos_ == end_ && !fill(1)) return skipped;
    const char c = buffer_[pos_];
    if (!is_space(c)) return skipped;
    ++pos_;
    if (c == '\n')
      end_line();
    else if (c == '\r')
      end_line_after_cr();
    else
      check_column(pos_);
    if (!skipped) first = c == '\r' ? '\n' : c;
    skipped = true;
  }
}

bool TextScanner::number(double& value) {
  char first = 0;
  skip_space(first);
  if (pos_ == end_ && !fill(1)) return false;
  // The whole candidate token must be in the buffer before it is parsed.
  std::size_t k = pos_;
  for (;;) {
    while (k < end_ && is_number_char(buffer_[k])) ++k;
    check_column(k);
    if (k < end_ || eof_) break;
    const std::size_t offset = k - pos_;
    fill(offset + 4096);
    k = pos_ + offset;
  }
  const std::size_t used = parse_number(std::string_view(buffer_.get() + pos_, k - pos_), value);
  pos_ += used;
  return used > 0;
}

std::string TextScanner::peek_word(std::size_t most) {
  if (!fill(most)) return {};
  std::size_t k = pos_;
  while (k < end_ && k - pos_ < most && !is_space(buffer_[k])) ++k;
  return std::string(buffer_.get() + pos_, k - pos_);
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
    const char* stop = start;
    const char* last = buffer_.get() + end_;
    while (stop != last && *stop != '\n' && *stop != '\r') ++stop;
    line.append(start, stop);
    pos_ += static_cast<std::size_t>(stop - start);
    check_column(pos_);
    if (stop != last) {
      ++pos_;
      if (*stop == '\r')
        end_line_after_cr();
      else
        end_line();
      line += '\n';
      break;
    }
    if (!fill(1)) break;
  }
  return line;
}

}  // namespace velmora
