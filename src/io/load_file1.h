// "LoadFile1" and "LoadFile2D": a first sample from digitised curves.
#pragma once

#include <Eigen/Dense>
#include <optional>
#include <string>
#include <vector>

#include "geometry/curve_polylines.h"
#include "io/formats/specimens.h"
#include "runtime/console.h"
#include "runtime/sample.h"
#include "runtime/ui_port.h"

namespace velmora {

/// Everything a first-sample load keeps.
struct FirstSample {
  Eigen::RowVectorXd rbreak;       // 1 by N+1: values before each curve in a flat row, then the row length
  Sample data1;                    // p by 3 by n, superimposed
  Eigen::RowVectorXd data1cs;      // 1 by n: centroid sizes after the ruler scaling
  Eigen::MatrixXd mean1;           // p by 3
  std::string fname;               // the chosen file's name (its folder is the working folder)
  std::vector<std::string> more;   // further files picked with it (one specimen each), in the same folder
  CurvePolylines curves1;          // every specimen's digitised curves, in its frame in data1
  std::vector<std::string> names;  // the specimens' names from the file; none when it names none
  SpecimenColumns columns;         // a table's other columns (classifiers), one cell a specimen; else none
  int dims = 3;                    // 2 for a 2D study (LoadFile2D, or a table the user said holds 2D points)
};

/// The configurations before superimposition: what the cutting, resampling,
/// ruler and centring steps make of the specimen point lists.
struct CutSample {
  Eigen::RowVectorXd rbreak;
  Sample centred;            // p by 3 by n, each specimen centred
  Eigen::RowVectorXd sizes;  // 1 by n centroid sizes
  CurvePolylines clicks;     // each specimen's digitised curves, scaled and shifted as it was
};

/// Cuts each specimen point list of `y` (x1 y1 z1 ... in digitising order) at
/// the curve markers of `proto` (points whose x equals the curve ending code):
/// the points before the first marker are fixed landmarks, each curve is
/// resampled with pick3points, the last point of the list is never used (with
/// `last_point_unused` false, a list of fixed landmarks only, from a file of
/// another format, keeps its last point too). Then
/// the ruler (when proto value 1 is 1) scales each row to the ruler length and
/// its two landmarks are removed (rbreak moves 6 values), and each specimen is
/// centred and sized. The digitised points of every curve are kept in `clicks`,
/// scaled and shifted with their specimen (a closed curve's first point
/// repeated at the end, as its resampling closes it). The curve starts are written over entries 1..N+1 of
/// `previous_rbreak` (the curve starts kept from the last load; entries after
/// N+1 stay, and the ruler shift moves them too), so the echoes show the whole
/// row as it stands. Echoes `rbreak` after each curve of the first specimen
/// when `echo_each_curve`, and once complete (before the ruler shift).
/// Throws RuntimeError naming the specimen (and curve) for: too few markers, a
/// curve with no points or no length, fixed-landmark counts that differ from
/// the first specimen's, ruler landmarks that coincide or are not among the
/// fixed landmarks, a count of values that is not whole points, a fixed
/// landmark coordinate that is not a finite number; and for a protocol with
/// missing values.
CutSample cut_specimens(const std::vector<Eigen::RowVectorXd>& y, const Eigen::MatrixXd& proto, Console& console,
                        bool echo_each_curve, const Eigen::RowVectorXd& previous_rbreak = Eigen::RowVectorXd(),
                        bool last_point_unused = true);

/// "LoadFile1" (dims 3) or "LoadFile2D" (dims 2): checks the protocol, asks for
/// the landmark file (the dialog of get_irregular_tpsfile3D or 2D), reads it as
/// its content shows, cuts and sizes the specimens, superimposes them with
/// getpproc3 (carrying each specimen's digitised curves into its superimposed
/// frame, `curves1`), then opens a new plot window (`fgg2`, echoed) and draws
/// mean1 ("r*") and data1 ("bo"); the 2D form then looks from (0, 0, 10). A TPS
/// file with LM= headers is read by the irregular reader (a 2D file handed to
/// LoadFile1 by the 2D one, saying so); with a protocol of no curves, a file of
/// any other landmark format gives fixed landmarks, every point used. SCALE=,
/// missing landmarks, DropMissing and NegativeMissing as LoadFile2 has them
/// (negative curve markers stay markers). Nothing when the dialog is
/// cancelled. Throws before any window opens when a step fails.
/// `previous_rbreak`: the curve starts kept from the last load (see cut_specimens).
std::optional<FirstSample> load_first_sample(const Eigen::MatrixXd& proto, UiPort& ui, int dims,
                                             const Eigen::RowVectorXd& previous_rbreak = Eigen::RowVectorXd());

}  // namespace velmora
