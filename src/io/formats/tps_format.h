// TPS landmark files as the digitising tools write them: LM= (x y a point, or
// x y z in the 3D form with one point count a specimen), LM3=, CURVES= with
// POINTS= blocks, ID=, IMAGE=, SCALE= and COMMENT= lines.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "io/formats/specimens.h"

namespace velmora {

struct TpsReadOptions {
  bool negative_missing = false;  // a point with a negative coordinate is a missing landmark
};

/// Reads every specimen of a TPS file. A specimen starts at its LM= or LM3=
/// header and holds the lines up to the next: its landmarks, then the points of
/// its CURVES= (each POINTS= block, appended after the landmarks, with a note),
/// and its ID=, IMAGE=, SCALE= and COMMENT= lines (those before the first
/// header belong to the first specimen; in a file whose ID= or IMAGE= comes
/// before the first header, each specimen's come before its header). An LM=
/// block is 2D when it holds 2
/// numbers a point and 3D when it holds 3; all specimens must agree. The name is
/// the ID= text, else the IMAGE= name without folder and extension, else
/// "specimen k". A SCALE= without a positive number is a note, and that
/// specimen has no scale. "NA" and "NaN" coordinates are missing, and with
/// `negative_missing` so is every point with a negative coordinate. Throws
/// RuntimeError naming the file, line and specimen for: a token that is not a
/// number, a block whose numbers do not fill the points its header announces,
/// a header count that is not a whole number, numbers before any header,
/// specimens of different dimensions, fewer POINTS= blocks than CURVES= says,
/// and a file without a header.
Specimens read_tps(std::istream& in, std::string_view source, const TpsReadOptions& options = {});

/// A TPS file whose curves are kept apart from its landmarks.
struct TpsCurveFile {
  Specimens specimens;                               // each specimen's LM= points only
  std::vector<std::vector<Eigen::MatrixXd>> curves;  // specimen i's POINTS= blocks in file order, each k by 3
};

/// Reads a TPS file as `read_tps` does, keeping each POINTS= block (under
/// CURVES= or OUTLINES=) as a curve of its specimen instead of appending its
/// points after the landmarks.
TpsCurveFile read_tps_curves(std::istream& in, std::string_view source, const TpsReadOptions& options = {});

/// True when some point of the file, a landmark or a curve's, has x equal to
/// `code` (the curve ending code): the file is in our own digitised form,
/// whose marker points cut its lists into curves.
bool has_curve_markers(const TpsCurveFile& file, double code);

/// Writes LM= (2D, x y a line) or LM3= (3D, x y z a line) blocks, each followed
/// by ID=name and, when the specimen has one, SCALE=. Missing values are NaN.
/// Returns notes (none for TPS).
std::vector<std::string> write_tps(std::ostream& out, const Specimens& s);

/// The names of the specimens of a TPS file, one per LM= or LM3= header, by the
/// rules of `read_tps`; the file is not otherwise checked.
std::vector<std::string> tps_specimen_names(std::istream& in, std::string_view source);

}  // namespace velmora
