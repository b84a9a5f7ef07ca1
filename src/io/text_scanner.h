// Reading text files piece by piece: characters, numbers as a scanf "%f" reads
// them, and whole lines, from any std::istream, without holding the file.
#pragma once

#include <cstddef>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// Parses one number at the start of `text` the way a C scanf "%f" does: an
/// optional sign, digits with an optional point and exponent, or inf/infinity/nan
/// in any case. A value too large for a double becomes an infinity, one too small
/// becomes 0 or a subnormal. Returns the number of characters used (0: no number).
std::size_t parse_number(std::string_view text, double& value);

/// The numbers of one line of a table: every piece between white space, commas
/// and semicolons must be a whole number, else the line holds no numbers (an
/// empty result), as a text-to-number conversion of the whole line gives.
std::vector<double> line_numbers(std::string_view line);

/// Removes the UTF-8 byte order mark that some editors put at the start of a
/// file, so a first line "1 % ruler" saved that way still reads as numbers.
void drop_byte_order_mark(std::optional<std::string>& first_line);

/// A reader over a stream, in chunks. A line ends at a line feed, a carriage
/// return + line feed or a lone carriage return (old Mac files); `get` and
/// `rest_of_line` give each as one line feed. A line may hold at most
/// `longest_line` characters: reading past that (a device, a binary file or a
/// file with no line ends) throws RuntimeError naming the file and line, so no
/// input can fill the memory or keep a search running forever.
class TextScanner {
 public:
  static constexpr std::size_t kLongestLine = std::size_t{64} << 20;  // 64 MB

  /// `source` names the file in messages.
  explicit TextScanner(std::istream& in, std::string source, std::size_t chunk = std::size_t{1} << 18,
                       std::size_t longest_line = kLongestLine);

  /// The next character; false at the end of the input.
  bool get(char& c);
  /// Skips white space (line breaks included) and reads one number; false, with
  /// only the white space consumed, when the text there is no number.
  bool number(double& value);
  /// Skips white space (line breaks included); true, with the first character
  /// skipped as `get` gives it, when there was any.
  bool skip_space(char& first);
  /// Reads numbers while fewer than `limit` are read and the text is numbers;
  /// appends them to `out` and returns how many were read.
  std::size_t numbers(double limit, std::vector<double>& out);
  /// The text from the next character up to the next white space (at most
  /// `most` characters), left unread; empty at the end of the input or before
  /// white space.
  std::string peek_word(std::size_t most);
  /// The rest of the current line with its line end as "\n"; nothing at the
  /// end of the input.
  std::optional<std::string> rest_of_line();

  /// The line of the next character, counted from 1.
  long line() const { return line_; }

 private:
  /// Makes at least `need` characters available after pos_ unless the input ends
  /// first; false when none are left.
  bool fill(std::size_t need);
  /// After a carriage return has been consumed: consumes the line feed that may
  /// follow it. Either way the line ends there.
  void end_line_after_cr();
  void end_line();
  /// Characters of the current line consumed so far (up to `at` in the buffer).
  std::size_t column(std::size_t at) const { return base_ + at - line_start_; }
  void check_column(std::size_t at) const {
    if (column(at) > longest_line_) too_long();
  }
  [[noreturn]] void too_long() const;
  [[noreturn]] void read_error() const;

  std::istream& in_;
  std::string source_;
  std::unique_ptr<char[]> buffer_;  // not zeroed: only [pos_, end_) is ever read
  std::size_t capacity_ = 0;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::size_t base_ = 0;        // offset in the input of buffer_[0]
  std::size_t line_start_ = 0;  // offset in the input of the current line's first character
  std::size_t longest_line_;
  bool eof_ = false;
  long line_ = 1;
};

}  // namespace velmora
