// msgboxd's arguments: body, title, icon, icon data, colormap and create mode,
// in the forms the callers use.
#pragma once

#include <Eigen/Dense>
#include <string>
#include <vector>

#include "runtime/function_table.h"

namespace velmora {

struct MsgboxdRequest {
  bool key_press = false;         // the "#FigKeyPressFcn" form: build nothing
  std::vector<std::string> body;  // one text per line as given
  std::string title = " ";
  std::string icon = "none";  // none, help, warn, error or custom
  Eigen::MatrixXd icon_data;  // index image for "custom"
  Eigen::MatrixXd icon_colormap;
  std::string mode = "non-modal";  // non-modal, modal or replace
  std::string interpreter = "none";
  std::vector<std::string> warnings;  // corrections made, for the console
};

/// Reads one to six arguments. Throws RuntimeError with the declared-count
/// message for other counts, and "A Colormap must be specified when calling
/// MSGBOX with 5 input arguments." when the fifth is a create mode. An unknown
/// create mode or icon is corrected with a warning.
MsgboxdRequest msgboxd_arguments(const std::vector<Value>& args);

}  // namespace velmora
