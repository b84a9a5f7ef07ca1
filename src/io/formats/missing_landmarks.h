// Missing landmarks: a sample with one cannot be superimposed, so a load
// either refuses it, naming what is missing, or leaves those specimens out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "io/formats/specimens.h"

namespace velmora {

struct MissingCheck {
  Specimens kept;                      // the specimens with every landmark
  std::vector<std::size_t> kept_from;  // for each kept specimen, its number in the file (from 1)
  std::vector<std::string> notes;      // one line per specimen left out
};

/// Looks for missing landmarks (points with a NaN coordinate). With none, all
/// specimens are kept. With some and `drop` false, throws RuntimeError naming
/// `source`, the first specimens and landmarks that are missing (by number and
/// name) and the DropMissing switch; with `drop`, leaves those specimens out and
/// says so in `notes`, and throws when no specimen is left.
MissingCheck drop_missing(const Specimens& s, std::string_view source, bool drop);

}  // namespace velmora
