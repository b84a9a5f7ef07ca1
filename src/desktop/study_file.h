// Study files: a small JSON file naming the files of a study and its choices,
// so a study reopens in one step with what it found. Its first key is
// "velmora3d-study" (the format version, 1); paths are relative to the study
// file's folder. Keys added since the first files ("results", "controls",
// "window-layout") may be missing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace velmora {

/// A control's setting: a check box's mark, a number box's number, a choice's or a text box's text.
using ControlSetting = std::variant<bool, long long, std::string>;

struct StudyFile {
  std::filesystem::path protocol;  // empty: none
  std::filesystem::path first;     // the first sample
  int first_dims = 3;              // 3: LoadFile1, 2: LoadFile2D
  std::filesystem::path second;    // the second sample
  bool second_table = true;        // read as a table of flat rows (ZEPButton on), else as a TPS file
  std::filesystem::path wireframe;
  std::filesystem::path table;        // the specimen table
  int rounds = 1;                     // the resampling choice (BootBox): 100 × rounds² sets
  std::optional<std::uint64_t> seed;  // nothing: a new seed every run
  bool drop_missing = false;          // DropMissing: leave out specimens with missing landmarks
  bool negative_missing = false;      // NegativeMissing: negative TPS coordinates are missing
  std::string results;                // the results log as a JSON array of results (empty: none kept)
  /// The settings of the main window's controls by tag ("SlideCriterion"), in the file's order.
  std::vector<std::pair<std::string, ControlSetting>> controls;
  std::string layout;  // the window's docks as the window saved them, in base64 (empty: none kept)
  bool operator==(const StudyFile&) const = default;
};

/// The file's extension and the JSON's first key.
inline constexpr const char* kStudyExtension = ".v3dstudy";
inline constexpr const char* kStudyKey = "velmora3d-study";

/// Reads a study from `in`; relative paths are made absolute against `folder`.
/// Throws RuntimeError naming `source` (and the key, or the line and column of
/// a JSON error) when it is not JSON, does not start with "velmora3d-study",
/// has a key it does not know or a value of the wrong kind.
StudyFile parse_study(std::istream& in, const std::string& source, const std::filesystem::path& folder);

/// Reads a study file; throws RuntimeError naming it when it cannot be read.
StudyFile read_study_file(const std::filesystem::path& file);

/// The JSON text of a study, paths relative to `folder` where they can be.
std::string study_json(const StudyFile& study, const std::filesystem::path& folder);

/// Writes a study file (through a temporary file beside it); throws RuntimeError naming it.
void write_study_file(const std::filesystem::path& file, const StudyFile& study,
                      const std::function<void(const std::string&)>& note = {});

}  // namespace velmora
