// Opening an input file for the readers, with the one open-failure report.
#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "io/formats/detect_format.h"
#include "runtime/console.h"

namespace velmora {

/// Why `file` cannot be read as a file, or nothing when it is a regular file
/// (or a link to one): "it does not exist", "it is a folder", "it is a named
/// pipe (FIFO)", "it is a device", "it is a socket". Asked before opening, so
/// that a pipe with no writer or an endless device never holds a reader.
std::optional<std::string> not_a_file(const std::filesystem::path& file);

/// Opens `file` for reading (bytes as they are). When it cannot be opened (or is
/// not a regular file, see not_a_file), writes "Error on file open" and a line
/// break on `console` and throws RuntimeError naming the file and the reason.
std::ifstream open_input(const std::filesystem::path& file, Console& console);

/// A sample file opened as open_input opens it, with the format its first
/// 64 KB show; the stream is back at the start of the file.
struct DetectedInput {
  std::ifstream in;
  DetectedFormat detected;
};
DetectedInput open_detected(const std::filesystem::path& file, Console& console);

}  // namespace velmora
