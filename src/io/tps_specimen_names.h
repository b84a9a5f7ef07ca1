// The names of the specimens of a TPS file, from its ID= and IMAGE= lines.
#pragma once

#include <cstddef>
#include <filesystem>
#include <istream>
#include <string>
#include <vector>

namespace velmora {

/// One name per specimen: the text after `ID=` on the lines that follow the
/// specimen's `LM=` header (either case), else the text after `IMAGE=`, else
/// "". Reading stops at a header whose count is 1 or less, as the readers do.
/// Empty when the file holds no name at all or another number of specimens
/// than `count` (the names could not be matched to the specimens).
std::vector<std::string> tps_specimen_names(std::istream& in, std::size_t count);

/// The same for a file; empty when it cannot be read.
std::vector<std::string> tps_specimen_names(const std::filesystem::path& file, std::size_t count);

}  // namespace velmora
