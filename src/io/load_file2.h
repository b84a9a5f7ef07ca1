// "LoadFile2": a second sample in the first sample's point layout.
#pragma once

#include <Eigen/Dense>
#include <optional>
#include <string>

#include "runtime/console.h"
#include "runtime/sample.h"
#include "runtime/ui_port.h"

namespace velmora {

/// Everything a second-sample load keeps.
struct SecondSample {
  Sample data2;                // p by 3 by m, fitted onto mean2
  Eigen::RowVectorXd data2cs;  // 1 by m centroid sizes before superimposition
  Eigen::MatrixXd mean2;       // p by 3, fitted onto mean1, unit centroid size
  std::string fname;           // the chosen file's name (its folder is the working folder)
  bool from_table = false;     // read as a table of flat rows (else as a TPS file)
};

/// Superimposes the flat rows `rows` (m by c: x1 y1 z1 ... with p = floor(c/3)
/// points; later columns such as the centroid size are not used) in the frame
/// of `mean1` (p by 3): each row centred and sized, getpproc3 on the sample,
/// its mean fitted onto mean1 and rescaled to unit size, then every specimen
/// fitted onto that mean. Throws RuntimeError when mean1 is empty, when the
/// point counts differ (naming both), or when a specimen has zero size.
SecondSample fit_second_sample(const Eigen::MatrixXd& rows, const Eigen::MatrixXd& mean1, Console* console);

/// "LoadFile2": echoes `zepreq` (the "Value" of ZEPButton); nonzero reads a table
/// of flat rows with mfload, zero a TPS file with gettpsfile3D. Checks and fits
/// the sample, then echoes `h` (the handle of FileBox2) and writes
/// "%s \nhas %i specimens \nwith %i landmarks" there. Nothing when the dialog is
/// cancelled; a failure writes nothing into FileBox2.
std::optional<SecondSample> load_file2(const Eigen::MatrixXd& mean1, UiPort& ui);

}  // namespace velmora
