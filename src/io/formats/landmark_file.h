// One entry for every landmark file format: the names users give formats, and
// reading and writing a file in any of them.
#pragma once

#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "io/formats/detect_format.h"
#include "io/formats/markups_frame.h"
#include "io/formats/specimens.h"

namespace velmora {

/// The short name of a format, as --from and --to take it: "tps",
/// "morphologika", "nts", "fcsv", "mrk.json", "pts", "csv", "table".
std::string format_name(LandmarkFormat format);

/// What a format is, for messages: "a TPS file", "an NTS file", ...
std::string format_description(LandmarkFormat format);

/// The format a short name (or one of its other spellings: "json", "markups",
/// "morpho", ...) names, in any case; nothing for an unknown name.
std::optional<LandmarkFormat> format_from_name(std::string_view name);

/// The format an output file's extension suggests (".tps", ".nts", ".csv",
/// ".morphologika"); nothing when it suggests none.
std::optional<LandmarkFormat> format_from_extension(const std::filesystem::path& path);

/// The formats a writer exists for: TPS, Morphologika, NTS and the CSV table.
bool can_write(LandmarkFormat format);

struct LandmarkReadOptions {
  bool negative_missing = false;  // TPS: a point with a negative coordinate is missing
  Frame frame = Frame::lps;       // markups: the frame the points are returned in
  int dims = 0;                   // CSV and tables: 2 or 3 when the columns do not tell it; 0 to tell it from them
};

/// Reads `in` as `format` with that format's reader.
Specimens read_landmarks(std::istream& in, std::string_view source, LandmarkFormat format,
                         const LandmarkReadOptions& options = {});

/// Writes `s` as `format` (one of `can_write`); returns the writer's notes.
std::vector<std::string> write_landmarks(std::ostream& out, const Specimens& s, LandmarkFormat format);

struct LandmarkFile {
  LandmarkFormat format = LandmarkFormat::unknown;
  Specimens specimens;
};

/// Reads the file at `path` as `format`, or, when that is nothing, as the
/// format its content shows. Messages name the file by `path`'s file name.
/// Throws RuntimeError when the file cannot be opened, is not a regular file,
/// or is of no known landmark format.
LandmarkFile read_landmark_file(const std::filesystem::path& path, std::optional<LandmarkFormat> format,
                                const LandmarkReadOptions& options = {});

}  // namespace velmora
