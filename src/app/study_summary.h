// What the study holds, as the desktop shows it: an immutable value made from
// the working state after each finished action. The desktop reads this, never
// the working state itself.
#pragma once

#include <Eigen/Dense>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "runtime/graphics.h"
#include "runtime/sample.h"

namespace velmora {

struct WorkingState;

/// The files a study was read from (empty: not loaded), for the desktop's
/// study panel, results log and study files.
struct StudySources {
  std::filesystem::path protocol;
  std::filesystem::path first;
  std::vector<std::string> first_more;  // further files picked with `first` (names in its folder): one sample
  int first_dims = 3;                   // 2 when read by LoadFile2D
  std::filesystem::path second;
  std::vector<std::string> second_more;  // further files picked with `second`
  bool second_from_table = false;
  std::filesystem::path wireframe;
  std::filesystem::path table;  // the specimen table (LoadSpecimenTable)
};

/// One sample of the study.
struct SampleSummary {
  Sample configurations;           // p by 3 by n, superimposed: the frame the plots use
  Eigen::MatrixXd mean;            // p by 3, the mean the plots draw
  Eigen::RowVectorXd sizes;        // 1 by n centroid sizes before superimposition (may be shorter)
  Eigen::RowVectorXd distances;    // 1 by n Procrustes distances to `mean`; NaN when they cannot be measured
  std::vector<std::string> names;  // specimen IDs from the file; empty: the specimens are numbered
  int dimension = 3;               // 2: a 2D sample (every z is 0, or read as 2D)
  std::string slid;                // how it was slid ("slid: bending energy, ..."); empty while unslid
  std::vector<bool> surfaced;      // n: the specimen has a surface of its own (empty: no surfaces loaded)

  bool empty() const { return configurations.empty(); }
  Eigen::Index count() const { return configurations.count(); }
  Eigen::Index points() const { return configurations.points(); }
};

/// A column of the specimen table beside the loaded specimens.
struct TableColumn {
  std::string name;
  bool numeric = false;                    // every cell a number: a covariate unless FactorColumns marks it as a factor
  std::vector<std::string> first, second;  // the cell of each specimen of each sample ("": no row)
  std::vector<std::pair<std::string, int>> levels;  // each value among the loaded specimens, with its count
};

struct StudySummary {
  Eigen::MatrixXd protocol;  // the protocol table (empty: none loaded)
  StudySources sources;
  SampleSummary first, second;
  Eigen::Index wireframe_segments = 0;  // rows of the wireframe table (0: none loaded)
  Eigen::MatrixXd wirelist;             // the wireframe table: rows (k, a, b) joining landmarks a and b
  std::optional<Handle> plot_window;    // the plot window the plot actions draw into, if one was opened
  /// The action whose change of the data Undo takes back next ("SlideSamples"); empty: nothing to undo.
  std::string undoes;
  /// The samples as loaded are kept while they are slid: RestoreUnslid can bring them back.
  bool unslid_kept = false;
  /// The specimen table's columns, matched to the loaded specimens by name
  /// (none: no table loaded), and why no specimen found its row, if none did.
  std::vector<TableColumn> table;
  std::string table_unmatched;
  std::string surface_reference;  // the mesh the surface pictures warp (empty: no surfaces loaded)

  bool has_protocol() const { return protocol.size() > 0; }
};

/// The summary of `state`.
StudySummary summarize(const WorkingState& state);

/// True when two summaries show the same study: the same protocol, files,
/// samples, names, sizes, sliding and wireframe (the plot window aside).
bool same_study(const StudySummary& a, const StudySummary& b);

}  // namespace velmora
