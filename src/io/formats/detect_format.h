// Telling a landmark file's format from its content, not from its name.
#pragma once

#include <istream>
#include <string>
#include <string_view>

namespace velmora {

enum class LandmarkFormat {
  tps,           // LM= / LM3= headers (ours and the digitising tools')
  morphologika,  // [individuals] ... [rawpoints]
  nts,           // "1 n p 0 DIM=d"
  markups_csv,   // "# columns = id,x,y,z,..."
  markups_json,  // {"markups": [{"controlPoints": ...}]}
  idav_pts,      // "Version 1.0", a count, "LABEL x y z" lines
  csv_table,     // a header row of column names, one specimen a row
  flat_table,    // rows of numbers only (our second-sample table, a protocol)
  unknown,
};

struct DetectedFormat {
  LandmarkFormat format = LandmarkFormat::unknown;
  int dims = 0;        // TPS: 3 for LM3= or 3 numbers a line, 2 for 2 numbers a line; 0 when not told
  bool lm3 = false;    // TPS: the first header is LM3=
  bool tools = false;  // TPS: CURVES=, OUTLINES= or POINTS= lines, or an empty LM=0 specimen, in the head
};

/// The format of a file whose first bytes are `head` (a whole small file, or
/// the first 64 KiB of a large one: a line cut at the end is not looked at).
/// Checks, in order: JSON markups, comma-separated markups, Morphologika, TPS,
/// IDAV points, NTS, a CSV table with a header, a table of numbers.
DetectedFormat detect_format(std::string_view head);

/// The first `limit` bytes of `in` (all of it when shorter); `in` is left
/// wherever reading stopped.
std::string read_head(std::istream& in, std::size_t limit = std::size_t{1} << 16);

}  // namespace velmora
