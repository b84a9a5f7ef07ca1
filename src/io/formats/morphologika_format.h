// Morphologika files: [individuals], [landmarks], [dimensions], [names] and
// [rawpoints] sections (others such as [groups], [labels], [wireframe] are
// skipped); lines starting with an apostrophe are comments.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "io/formats/specimens.h"

namespace velmora {

/// Reads a Morphologika file: n individuals of k landmarks in d (2 or 3)
/// dimensions, their names from [names] (else "specimen k"), and the n k d
/// numbers of [rawpoints] in order (any layout on lines; "NA" and "NaN" are
/// missing). Section names are matched in any case. Throws RuntimeError naming
/// the file and line for: a missing count section, a count that is not a whole
/// number, a dimension other than 2 or 3, a token of [rawpoints] that is not a
/// number, and [rawpoints] holding more or fewer numbers than the counts need
/// (naming both numbers and the specimen that is short).
Specimens read_morphologika(std::istream& in, std::string_view source);

/// Writes [individuals], [landmarks], [dimensions], [names] and [rawpoints]
/// with a "'#k" line before each specimen. Throws RuntimeError when the
/// specimens do not all have the same number of points. Returns notes.
std::vector<std::string> write_morphologika(std::ostream& out, const Specimens& s);

}  // namespace velmora
