// The value every landmark file reader returns and every writer takes:
// specimens with their names, points and (where the file gives one) a scale.
#pragma once

#include <Eigen/Dense>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora {

struct Specimen {
  std::string name;             // from the file (ID=, IMAGE=, labels, its own name) or "specimen k"
  Eigen::MatrixXd points;       // k by 3, one row per point; 2D files have z = 0; NaN marks a missing landmark
  std::optional<double> scale;  // a TPS SCALE=: coordinate units times scale give the measured units
};

/// A table's columns that are neither names nor coordinates (classifiers and
/// covariates: "Species", "Sex", "C_size"): each its header and one cell a
/// specimen, in file order, as written.
using SpecimenColumns = std::vector<std::pair<std::string, std::vector<std::string>>>;

struct Specimens {
  int dims = 3;                     // coordinates a point in the file: 2 or 3
  std::vector<Specimen> specimens;  // in file order
  std::vector<std::string> notes;   // what the reader decided or warns about, each naming the file
  SpecimenColumns columns;          // a table's columns that are neither names nor coordinates
};

/// "specimen k" (k from 1), the name of a specimen its file does not name.
std::string numbered_name(std::size_t k);

/// Points from their coordinates in file order, x1 y1 z1 x2 y2 z2 ...: a k by 3
/// matrix of the first 3k values, k = size / 3.
Eigen::MatrixXd point_rows(std::span<const double> xyz);

/// The first specimen whose count differs, and the sentence that says so.
struct CountDifference {
  std::size_t specimen = 0;  // from 0: the specimen the sentence names first
  std::string text;
};

/// When the entries of `counts` (one per specimen, what `what` counts) are not
/// all equal, the sentence that says so: the first specimen that differs from
/// the most common count, with both numbers ("specimen 1 has 30 coordinate
/// values where the other 4 specimens have 54"), or, when no count is the most
/// common, the first two that differ with theirs. Nothing when all agree.
std::optional<CountDifference> differing_count(const std::vector<long long>& counts, std::string_view what);

/// The specimens as flat rows, n by 3p: row i is x1 y1 z1 ... xp yp zp of
/// specimen i. Throws RuntimeError naming `source` when the specimens do not
/// all have the same number of points (the message of `differing_count`).
Eigen::MatrixXd flat_rows(const Specimens& s, std::string_view source);

}  // namespace velmora
