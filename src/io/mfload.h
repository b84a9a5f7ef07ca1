// mfload: asks for a table file with "%" comments and reads it.
#pragma once

#include <Eigen/Dense>
#include <optional>
#include <string>

#include "runtime/ui_port.h"

namespace velmora {

/// A table read after a file dialog, and the chosen file's name (no folder).
struct LoadedTable {
  Eigen::MatrixXd table;  // rows by columns
  std::string fname;
};

/// Shows the dialog "Enter file to Load?" (filter "*.*"); nothing when it is
/// cancelled. Otherwise the chosen folder becomes the working folder and the file
/// is read with `dload2c` (its messages, echoes and errors).
std::optional<LoadedTable> mfload(UiPort& ui);

}  // namespace velmora
