// Comma-separated markups files of 3D imaging tools (.fcsv): "#" header lines,
// among them "# columns = id,x,y,z,..." and "# CoordinateSystem = LPS", then
// one point a line.
#pragma once

#include <istream>
#include <string_view>

#include "io/formats/markups_frame.h"
#include "io/formats/specimens.h"

namespace velmora {

/// Reads one specimen named after the file (`source` without folder and
/// extension): the x, y and z fields of each line, found by the names of the
/// last "# columns =" line before it (without one, the usual
/// id,x,y,z,ow,ox,oy,oz,vis,sel,lock,label,desc,associatedNodeID). Other "#"
/// lines are skipped. An empty field, "NA" or "NaN" is a missing coordinate.
/// The points are turned from the file's coordinate system (LPS when it names
/// none) into `options.frame`, with a note saying which was used. Throws
/// RuntimeError naming the file and line for: a columns line without x, y and
/// z, a line with too few fields, a field that is not a number, a coordinate
/// system other than LPS or RAS, and a file without points.
Specimens read_markups_csv(std::istream& in, std::string_view source, const MarkupsReadOptions& options = {});

}  // namespace velmora
