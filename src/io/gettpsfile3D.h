// gettpsfile3D: a TPS file of 3D landmarks, one point count for every specimen.
#pragma once

#include <Eigen/Dense>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui_port.h"

namespace velmora {

struct TpsFile {
  Eigen::MatrixXd y;                  // n by 3P: row i is x1 y1 z1 ... xP yP zP of specimen i
  std::vector<std::string> namelist;  // rest of each header line; one more last entry "-1" at the end
  std::string notice;                 // why reading stopped before the end, if it did
  std::string fname;                  // the chosen file's name (set by the dialog form)
};

/// Reads specimens headed "LM=P" (L and M in either case), each with the 3P
/// numbers of its own header's count P; every specimen must have the same P.
/// Text between specimens is skipped by the header search. Reading ends when
/// no count or no numbers follow a header (the end of the file; told in
/// `notice`). Throws RuntimeError naming the file and line for: no header, a
/// count that is not a whole number of at least 1, no coordinates after the
/// first header, a token that is not a number among a specimen's coordinates,
/// a specimen with fewer or more numbers than its header announces (both
/// counts), and specimens of different counts (naming the one that differs
/// from the others, or the first two with theirs when no count is the most
/// common).
TpsFile gettpsfile3D(std::istream& in, std::string_view source);

/// The dialog form: "Specify 3D input file to load" (filter "*.txt"); nothing when
/// cancelled. The chosen folder becomes the working folder; an early stop is
/// shown in a message box and on the console.
std::optional<TpsFile> gettpsfile3D(UiPort& ui);

}  // namespace velmora
