// The five actions that write a sample to a text file, one specimen a line:
// "SaveFile1", "SaveFile2D", "SaveAlignedFile1", "SaveAlignedFile2D" and
// "SaveFile2". Each takes what it reads of the study and the UI port, and
// returns what the dispatcher keeps (the name chosen in the file dialog).
//
// File format: every value written with "%g " (six significant digits), each
// line ended by " \n"; a 3D line holds x1 y1 z1 ... xp yp zp cs, a 2D line
// x1 y1 ... xp yp cs, cs being the specimen's centroid size before
// superimposition. Files are written to a temporary name beside the target
// and renamed into place, so an existing file is only ever replaced whole.
#pragma once

#include <Eigen/Dense>
#include <optional>
#include <string>

#include "runtime/sample.h"
#include "runtime/ui_port.h"

namespace velmora {

/// The file name (without its folder) chosen in the save dialog; nothing when
/// the dialog was cancelled (the dispatcher then keeps 0 as the name).
struct SaveOutcome {
  std::optional<std::string> fname1;
};

/// The text of a saved file: every row of `table` (m by c) as its values with
/// "%g " and then " \n".
std::string saved_file_text(const Eigen::MatrixXd& table);

/// The first sample (p by 3 by n, with its 1 by n sizes) as 3D lines.
SaveOutcome save_file1(const Sample& data1, const Eigen::RowVectorXd& data1cs, UiPort& ui);

/// The first sample as 2D lines (every z left out).
SaveOutcome save_file2d(const Sample& data1, const Eigen::RowVectorXd& data1cs, UiPort& ui);

/// The semilandmarks of every curve of the protocol slid towards mean1 (p by
/// 3); the slid sample, superimposed again, shown in a new plot window with a
/// modal box to close; then the slid (not re-superimposed) rows as 3D lines.
/// proto: the protocol table (running positions); rbreak: the curve starts
/// within a flat row, then the row length.
SaveOutcome save_aligned_file1(const Sample& data1, const Eigen::RowVectorXd& data1cs, const Eigen::MatrixXd& mean1,
                               const Eigen::MatrixXd& proto, const Eigen::RowVectorXd& rbreak, UiPort& ui);

/// As save_aligned_file1, with point labels and a view from above; the slid
/// sample superimposed again is written as 2D lines.
SaveOutcome save_aligned_file2d(const Sample& data1, const Eigen::RowVectorXd& data1cs, const Eigen::MatrixXd& mean1,
                                const Eigen::MatrixXd& proto, const Eigen::RowVectorXd& rbreak, UiPort& ui);

/// The second sample as 3D lines.
SaveOutcome save_file2(const Sample& data2, const Eigen::RowVectorXd& data2cs, UiPort& ui);

}  // namespace velmora
