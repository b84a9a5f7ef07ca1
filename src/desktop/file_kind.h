// What a file dropped on the window holds, judged from its first lines, so it
// can go to the loading action that reads it.
#pragma once

#include <filesystem>
#include <istream>
#include <string>

namespace velmora {

enum class FileKind {
  study,       // a study file
  protocol,    // one number a line (or a few per line): a protocol
  tps3d,       // LM= headers, three numbers a point
  tps2d,       // LM= headers, two numbers a point
  table,       // rows of the same, larger count of numbers: a second sample of flat rows
  wireframe,   // rows of three whole numbers
  numbers,     // numbers, but nothing tells which table they are
  unknown,     // not a file Velmora3d reads (binary, or text that is not numbers)
  unreadable,  // cannot be opened
};

/// What kind of file `in` holds; `name` is its file name (for the extension).
FileKind guess_file_kind(std::istream& in, const std::string& name);

/// The same for a file on disk (unreadable when it cannot be opened).
FileKind guess_file_kind(const std::filesystem::path& file);

/// True when `file` is a table of numbers whose columns do not tell whether
/// its points are 2D or 3D (a first sample's reader refuses it until told).
bool dimension_untold(const std::filesystem::path& file);

}  // namespace velmora
