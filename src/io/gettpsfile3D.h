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

/// Reads specimens headed "LM=P" (L and M in either case) with 3P numbers each;
/// the count P of the first header holds for every specimen, later counts are
/// read and not used. Text between specimens is skipped by the header search.
/// Reading ends when no numbers follow a header (the end of the file). Throws
/// RuntimeError naming the file and line for: no header, a first count that is
/// not a whole number of at least 1, no coordinates after the first header, a
/// later specimen with fewer numbers than the first, a specimen with more.
TpsFile gettpsfile3D(std::istream& in, std::string_view source);

/// The dialog form: "Specify 3D input file to load" (filter "*.txt"); nothing when
/// cancelled. The chosen folder becomes the working folder; an early stop is
/// shown in a message box and on the console.
std::optional<TpsFile> gettpsfile3D(UiPort& ui);

}  // namespace velmora
