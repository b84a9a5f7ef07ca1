// "LoadProto": reads a protocol file and builds its report.
#pragma once

#include <Eigen/Dense>
#include <optional>
#include <string>

#include "runtime/console.h"
#include "runtime/ui_port.h"

namespace velmora {

/// Value k of a protocol (running position, column by column, from 1). Throws
/// RuntimeError naming the file, how many values it has and what position k
/// holds when it is missing.
double protocol_value(const Eigen::MatrixXd& proto, long k, const std::string& fname);

/// The report of a protocol table for the box BigBox: the header with `fname`,
/// the ruler line, the curves line and one line per curve, joined with trailing
/// white space dropped from each piece. Echoes `stemp` after the header and
/// after each curve line. Throws (see protocol_value) when a position it needs
/// is missing.
std::string protocol_report(const Eigen::MatrixXd& proto, const std::string& fname, Console& console);

struct LoadedProtocol {
  Eigen::MatrixXd proto;  // the table as read
  std::string report;     // the text for BigBox
  std::string fnamewire;  // the chosen file's name
};

/// Asks for the protocol file with `mfload` and builds its report; nothing when
/// the dialog is cancelled.
std::optional<LoadedProtocol> load_proto(UiPort& ui);

}  // namespace velmora
