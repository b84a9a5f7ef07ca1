// velmora3d convert: landmark files from one format into another.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// The files a command-line input names: the path itself, or, when its file
/// name holds "*" or "?", every file of its folder that matches, in name order.
/// Throws RuntimeError when a pattern matches nothing.
std::vector<std::filesystem::path> expand_input(const std::string& input);

/// `velmora3d convert IN [IN ...] OUT [--from F] [--to F] [--frame LPS|RAS]
/// [--negative-missing] [--drop-missing] [--apply-scale]`: reads every input
/// (its format from --from, else from its content), joins their specimens and
/// writes them to OUT as --to says, else as OUT's extension says. Notes go to
/// `err`, one summary line to `out`. Returns 0 on success, 1 when a file cannot
/// be read or written, 2 for a usage error.
int run_convert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace velmora
