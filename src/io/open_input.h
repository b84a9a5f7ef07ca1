// Opening an input file for the readers, with the one open-failure report.
#pragma once

#include <filesystem>
#include <fstream>

#include "runtime/console.h"

namespace velmora {

/// Opens `file` for reading (bytes as they are). When it cannot be opened (or is
/// a folder), writes "Error on file open" and a line break on `console` and
/// throws RuntimeError naming the file and the reason.
std::ifstream open_input(const std::filesystem::path& file, Console& console);

}  // namespace velmora
