// The study kept between actions; only the dispatcher owns it.
#pragma once

#include <Eigen/Dense>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "geometry/curve_polylines.h"
#include "io/specimen_table.h"
#include "stats/covariation_tests.h"
#include "runtime/graphics.h"
#include "runtime/sample.h"

namespace velmora {

/// The name most recently chosen in a save dialog: nothing yet, the number 0
/// after a cancelled dialog, or the chosen name.
using SavedFileName = std::variant<std::monostate, double, std::string>;

/// The files a study was read from (empty: not loaded), for the desktop's
/// study panel and study files.
struct StudySources {
  std::filesystem::path protocol;
  std::filesystem::path first;
  int first_dims = 3;  // 2 when read by LoadFile2D
  std::filesystem::path second;
  bool second_from_table = false;
  std::filesystem::path wireframe;
  std::filesystem::path table;  // the specimen table (LoadSpecimenTable)
};

struct WorkingState {
  Eigen::MatrixXd proto;       // the protocol table, addressed by running position (column by column)
  Eigen::RowVectorXd rbreak;   // curve starts within a flat row, then the row length
  Sample data1;                // first sample, p by 3 by n, superimposed
  Eigen::RowVectorXd data1cs;  // centroid sizes before superimposition
  Eigen::MatrixXd mean1;       // p by 3
  Sample data2;                // second sample, fitted onto mean2
  Eigen::RowVectorXd data2cs;
  Eigen::MatrixXd mean2;     // fitted onto mean1, unit centroid size
  Eigen::MatrixXd wirelist;  // rows: (unused, landmark a, landmark b, ...)
  std::optional<double> wireactive;
  std::optional<Handle> fighand1;
  SavedFileName fname1;

  // Sliding the semilandmarks (SlideSamples).
  CurvePolylines curves1;    // each first-sample specimen's digitised curves, in its frame in data1
  CurvePolylines curves2;    // once slid, the second sample's own resampled curves, in its frame in data2
  std::string slid1, slid2;  // how each sample was slid ("slid: bending energy, ..."); empty while unslid

  // Factors and covariates by specimen name (LoadSpecimenTable); matched to the
  // loaded specimens when a group test runs.
  std::optional<SpecimenTable> table;
  // The residuals of the last Allometry, for "Use the residuals of allometry".
  std::optional<SizeCorrection> size_correction;

  // Kept beside the study for the desktop; no action reads them.
  std::vector<std::string> names1, names2;  // specimen IDs from the files; empty: the specimens are numbered
  StudySources sources;
};

}  // namespace velmora
