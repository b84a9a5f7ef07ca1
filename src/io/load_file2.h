// "LoadFile2": a second sample in the first sample's point layout.
#pragma once

#include <Eigen/Dense>
#include <optional>
#include <string>
#include <vector>

#include "io/formats/specimens.h"
#include "runtime/console.h"
#include "runtime/sample.h"
#include "runtime/ui_port.h"

namespace velmora {

/// Everything a second-sample load keeps.
struct SecondSample {
  Sample data2;                    // p by 3 by m, fitted onto mean2
  Eigen::RowVectorXd data2cs;      // 1 by m centroid sizes before superimposition
  Eigen::MatrixXd mean2;           // p by 3, fitted onto mean1, unit centroid size
  std::string fname;               // the chosen file's name (its folder is the working folder)
  std::vector<std::string> more;   // further files picked with it (one specimen each), in the same folder
  bool from_table = false;         // read as a table of flat rows (else as a landmark file)
  std::vector<std::string> names;  // the specimens' names from the file; none when it names none
  SpecimenColumns columns;         // a table's other columns (classifiers), one cell a specimen; else none
};

/// Superimposes the flat rows `rows` (m by c: x1 y1 z1 ... with p = floor(c/3)
/// points; later columns such as the centroid size are not used) in the frame
/// of `mean1` (p by 3): each row centred and sized, getpproc3 on the sample,
/// its mean fitted onto mean1 and rescaled to unit size, then every specimen
/// fitted onto that mean. Throws RuntimeError when mean1 is empty, when the
/// point counts differ (naming both), or when a specimen has zero size.
SecondSample fit_second_sample(const Eigen::MatrixXd& rows, const Eigen::MatrixXd& mean1, Console* console);

/// "LoadFile2": echoes `zepreq` (the "Value" of ZEPButton); nonzero asks for a
/// table of flat rows in mfload's dialog, zero for a TPS file in gettpsfile3D's.
/// The file is read as its content shows: a table with dload2c, a TPS file of
/// our 3D form with gettpsfile3D, any other landmark format (a 2D or LM3= TPS
/// file, Morphologika, NTS, markups, IDAV points, CSV) with its reader, saying
/// on the console when that is not what the switch names; a file of no known
/// format goes to the switch's reader, and its failure names the switch. SCALE=
/// values are applied; missing landmarks stop the load unless DropMissing is
/// on (then those specimens are left out); NegativeMissing makes negative TPS
/// coordinates missing. Checks and fits the sample, then echoes `h` (the handle
/// of FileBox2) and writes "%s \nhas %i specimens \nwith %i landmarks" there
/// (the whole number of points; a table without the size column says so on the
/// console). Nothing when the dialog is cancelled; a failure writes nothing
/// into FileBox2.
std::optional<SecondSample> load_file2(const Eigen::MatrixXd& mean1, UiPort& ui);

}  // namespace velmora
