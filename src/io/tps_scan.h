// The scanning rules shared by the TPS landmark readers: the header search and
// the reading of a file whose specimens each carry their own point count.
#pragma once

#include <Eigen/Dense>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/text_scanner.h"
#include "runtime/console.h"

namespace velmora {

/// The search for the first header: read a character; skip to an "l" or "L";
/// read the next character and, when it is "m" or "M", one more; stop when the
/// last character read is "=" (so "LM=" and also "L=" end it). False when the
/// input ends first.
bool first_header_search(TextScanner& scanner);

/// The search for a later header: an "l" or "L", then "m" or "M", then "=" (an L
/// followed by anything else starts the search again). With `echo`, the
/// character that opens each attempt is echoed as `thischar` (empty at the end
/// of the input) with the count of characters read as `temp` (1 or 0). False
/// when the input ends first. `opened`: the character that opens the first
/// attempt when it has been read already (see check_no_more_numbers).
bool next_header_search(TextScanner& scanner, Console* echo, std::optional<char> opened = std::nullopt);

/// Checks the point count of the first header: a whole number of at least 1.
/// Throws RuntimeError naming the file and line otherwise.
void check_first_count(bool read, double count, std::string_view source, long line);

/// After a specimen whose numbers filled its `count` points (`dims` numbers a
/// point): throws RuntimeError naming the file, the header's line and both
/// counts when more numbers follow, which the header search would otherwise
/// skip without a word. `whose` says whose count it is ("its header", "the
/// first header"). Only white space is read when no number follows; the first
/// character of it is returned, to open the next header search.
std::optional<char> check_no_more_numbers(TextScanner& scanner, std::string_view source, long specimen, long line,
                                          double count, int dims, std::string_view whose);

/// After the numbers of a specimen stopped before the `count` points its header
/// (on `header_line`) announces, `read` of them read: throws RuntimeError naming
/// the file, line and specimen, with the text there when it is not a number
/// ("O.5" for 0.5), or with both counts when the numbers simply end (the end of
/// the file, the next header or another KEY= line) and `read` is not 0. No
/// specimen is kept with the numbers read: a short one would silently lose its
/// last points. Returns with nothing read and no number there, for the caller's
/// own end of reading.
void check_coordinates_complete(TextScanner& scanner, std::string_view source, long specimen, long header_line,
                                double count, int dims, std::size_t read);

/// A file of specimens with a point count each, as read.
struct IrregularTps {
  std::vector<Eigen::RowVectorXd> y;  // specimen j: x1 y1 z1 ... (3 values a point)
  Eigen::RowVectorXd ny;              // numbers read for specimen j (dims per point)
  std::vector<std::string> namelist;  // rest of each header line, line end included
  std::string notice;                 // why reading stopped before the end, if it did
};

/// The specimens of an irregular file and the chosen file's name.
struct LoadedIrregularTps {
  IrregularTps file;
  std::string fname;
};

/// Reads specimens with `dims` (2 or 3) numbers a point; 2D points are widened
/// to x, y, 0. Echoes `tempa` and `temp` for the first specimen and the search
/// characters of every later header search.
IrregularTps read_irregular_tps(std::istream& in, std::string_view source, Console& console, int dims);

}  // namespace velmora
