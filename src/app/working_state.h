// The study kept between actions; only the dispatcher owns it.
#pragma once

#include <Eigen/Dense>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/study_summary.h"
#include "geometry/curve_polylines.h"
#include "geometry/surface_pictures.h"
#include "io/formats/specimens.h"
#include "io/specimen_table.h"
#include "stats/covariation_tests.h"
#include "runtime/graphics.h"
#include "runtime/sample.h"

namespace velmora {

/// The name most recently chosen in a save dialog: nothing yet, the number 0
/// after a cancelled dialog, or the chosen name.
using SavedFileName = std::variant<std::monostate, double, std::string>;

struct EarlierStudy;

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

  // Surfaces (LoadSurfaces), shared between copies of the state; the surface
  // of the last surface picture, for SaveSurface.
  std::shared_ptr<const StudySurfaces> surfaces;
  std::shared_ptr<const Mesh> surface;

  // Factors and covariates by specimen name (LoadSpecimenTable); matched to the
  // loaded specimens when a group test runs.
  std::optional<SpecimenTable> table;
  // The residuals of the last Allometry, for "Use the residuals of allometry".
  std::optional<SizeCorrection> size_correction;

  // The study before its last changes of data (Undo), and the samples as
  // loaded while they are slid (RestoreUnslid); the dispatcher keeps both
  // (app/study_history.h).
  std::shared_ptr<const EarlierStudy> earlier;
  std::shared_ptr<const WorkingState> unslid;

  // Kept beside the study for the desktop; no action reads them.
  std::vector<std::string> names1, names2;  // specimen IDs from the files; empty: the specimens are numbered
  SpecimenColumns columns1, columns2;       // a table's other columns (classifiers) by specimen; else none
  StudySources sources;
};

}  // namespace velmora
