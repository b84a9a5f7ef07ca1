// Reading the text of a landmark file line by line, with the small token rules
// every format reader shares.
#pragma once

#include <initializer_list>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "io/text_scanner.h"

namespace velmora {

/// Lines of a stream as the other readers cut them (TextScanner): LF, CR LF
/// and a lone CR each end a line, a line longer than 64 MB is refused
/// (RuntimeError naming the file and line, so a file with no line ends cannot
/// be taken in whole); a UTF-8 byte order mark at the start is dropped, lines
/// are counted from 1.
class LineReader {
 public:
  LineReader(std::istream& in, std::string_view source);
  /// The next line without its line end; false at the end of the input.
  bool next(std::string& line);
  /// The number of the line `next` returned last (0 before the first).
  long line() const { return line_; }
  const std::string& source() const { return source_; }
  /// "SOURCE, line N: what" as a RuntimeError.
  [[noreturn]] void fail(const std::string& what) const;
  /// "SOURCE, line N: " for messages built elsewhere.
  std::string where() const;

 private:
  std::string source_;
  TextScanner scanner_;
  long line_ = 0;
  bool first_ = true;
};

/// `text` without the white space at either end.
std::string_view trim(std::string_view text);

/// The pieces of `text` between white space.
std::vector<std::string_view> split_words(std::string_view text);

/// The fields of one comma-separated line; a field in double quotes may hold
/// commas and doubled quotes. Fields are trimmed.
std::vector<std::string> split_fields(std::string_view line, char separator = ',');

/// Reads the whole `token` as a coordinate: a number as scanf reads it, or a
/// missing value ("NA", "NaN", "nan") as NaN. False when it is neither.
bool parse_value(std::string_view token, double& value);

/// Reads the whole `token` as a count: a whole number from 0 to `limit`.
bool parse_count(std::string_view token, double limit, long long& count);

/// The shortest text that reads back as the same double; NaN as "NaN".
std::string format_value(double value);

/// The product of announced counts (each from 0 to 1e12, at most three), in
/// digits: it may pass the range of every standard integer type.
std::string product_in_digits(std::initializer_list<long long> factors);

/// The name a file gives its one specimen: its name without folders and
/// without the extensions (".mrk.json", ".fcsv", ".pts", ...).
std::string file_stem(std::string_view source);

/// `text` on one line: line breaks and tabs become spaces, ends trimmed.
std::string one_line(std::string_view text);

}  // namespace velmora
