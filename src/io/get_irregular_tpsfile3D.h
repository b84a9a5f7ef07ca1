// get_irregular_tpsfile3D: a TPS file of 3D landmarks with a point count per specimen.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include "io/tps_scan.h"
#include "runtime/ui_port.h"

namespace velmora {

/// Reads specimens headed "LM=P" (L and M in either case), each with the 3P
/// numbers of its own P: y[j] holds them (x1 y1 z1 ...), ny(j) how many.
/// Reading ends at the end of the file, at a later header whose count is 1 or
/// less (or missing), or when no numbers follow a header; the last two are told
/// in `notice`. Echoes `tempa` and `temp` (the first specimen's numbers and their
/// count) and `thischar`, `temp` for each attempt of every later header search.
/// Throws RuntimeError naming the file and line for: no header, a first count
/// that is not a whole number of at least 1, a later count that is not whole, no
/// coordinates after the first header, a token that is not a number among a
/// specimen's coordinates, a specimen with fewer numbers than its count takes
/// (both counts) or with more (they would be lost).
IrregularTps get_irregular_tpsfile3D(std::istream& in, std::string_view source, Console& console);

/// The dialog form: "Specify 3D input file to load" (filter "*.txt"); nothing when
/// cancelled. The chosen folder becomes the working folder; an early stop is
/// shown in a message box and on the console.
std::optional<LoadedIrregularTps> get_irregular_tpsfile3D(UiPort& ui);

}  // namespace velmora
