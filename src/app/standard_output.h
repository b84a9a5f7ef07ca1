// The command line's last word: output that never arrived is a failure.
#pragma once

#include <ostream>

namespace velmora {

/// Flushes `out` (standard output) and returns `status`, or 1 with a message
/// on `err` when what was written to `out` could not be delivered (a full
/// disk, a closed pipe): --version, --help, convert and --examples print
/// their result there, and a run whose result is lost has not succeeded.
int finish_standard_output(int status, std::ostream& out, std::ostream& err);

}  // namespace velmora
