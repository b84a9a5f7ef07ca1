// JSON markups files of 3D imaging tools (.mrk.json): a "markups" list whose
// entries hold "controlPoints" with a "position" triple each, and a
// "coordinateSystem" of LPS or RAS.
#pragma once

#include <istream>
#include <string_view>

#include "io/formats/markups_frame.h"
#include "io/formats/specimens.h"

namespace velmora {

/// Reads one specimen named after the file: the control points of every entry
/// of "markups" in order (more than one entry, or an entry that is not a point
/// list, is read as plain points with a note). A point whose "positionStatus"
/// is not "defined", or that has no "position", is missing. Each entry's
/// points are turned from its "coordinateSystem" (LPS when it names none) into
/// `options.frame`, with a note saying which was used. Throws RuntimeError
/// naming the file and the key path ("markups[0].controlPoints[3].position")
/// for anything of another shape, and naming the line for JSON that does not
/// parse.
Specimens read_markups_json(std::istream& in, std::string_view source, const MarkupsReadOptions& options = {});

}  // namespace velmora
