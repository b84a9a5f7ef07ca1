// `velmora3d --examples DIR`: the installed example studies copied out to a
// folder of the user's, where they can be run and changed.
#pragma once

#include <cstddef>
#include <filesystem>
#include <ostream>
#include <vector>

namespace velmora {

/// What copy_examples made.
struct ExamplesCopy {
  std::filesystem::path folder;   // destination/examples: the copied studies and scripts
  std::filesystem::path results;  // destination/demo-out: where the example scripts write
  std::size_t files = 0;          // files copied
};

/// Copies every file below the folder `examples`, keeping its subfolders, into
/// `destination`/examples, and makes `destination`/demo-out, which the example
/// scripts write to (they name ../demo-out). Overwrites nothing: when a file it
/// would write exists already it throws RuntimeError naming it and copies
/// nothing. A failure part way removes what it had made, then throws
/// RuntimeError naming the file.
ExamplesCopy copy_examples(const std::filesystem::path& examples, const std::filesystem::path& destination);

/// The command: copies the examples/ folder of the first of `share` that has
/// one into `destination` and says what to run next on `out`. Returns 0, or 2
/// with the reason on `err` (no folder named, no installed examples, files in
/// the way, a folder that cannot be written).
int run_copy_examples(const std::vector<std::filesystem::path>& share, const std::filesystem::path& destination,
                      std::ostream& out, std::ostream& err);

}  // namespace velmora
