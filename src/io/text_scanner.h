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

/// A reader over a stream, in chunks. Carriage return + line feed is read as a
/// line feed by `get` and `rest_of_line`; before numbers a carriage return is
/// ordinary white space.
class TextScanner {
 public:
  explicit TextScanner(std::istream& in, std::size_t chunk = std::size_t{1} << 18);

  /// The next character; false at the end of the input.
  bool get(char& c);
  /// Skips white space (line breaks included) and reads one number; false, with
  /// only the white space consumed, when the text there is no number.
  bool number(double& value);
  /// Reads numbers while fewer than `limit` are read and the text is numbers;
  /// appends them to `out` and returns how many were read.
  std::size_t numbers(double limit, std::vector<double>& out);
  /// The rest of the current line with its line end ("\n"; "\r\n" gives "\n");
  /// nothing at the end of the input.
  std::optional<std::string> rest_of_line();

  /// The line of the next character, counted from 1.
  long line() const { return line_; }

 private:
  /// Makes at least `need` characters available after pos_ unless the input ends
  /// first; false when none are left.
  bool fill(std::size_t need);
  void read_error() const;

  std::istream& in_;
  std::unique_ptr<char[]> buffer_;  // not zeroed: only [pos_, end_) is ever read
  std::size_t capacity_ = 0;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  long line_ = 1;
};

}  // namespace velmora
