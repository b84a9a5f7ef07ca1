#include "desktop/study_file.h"

#include <cstdint>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>

#include "io/open_input.h"
#include "io/text_scanner.h"
#include "runtime/error.h"
#include "runtime/file_write.h"

namespace velmora {
namespace {

using Json = nlohmann::ordered_json;

// A study file names a few files; anything much larger is something else.
constexpr std::size_t kLargestStudy = std::size_t{1} << 20;

std::filesystem::path resolved(const Json& value, const std::string& key, const std::string& source,
                               const std::filesystem::path& folder) {
  if (value.is_null()) return {};
  if (!value.is_string()) throw RuntimeError(source + ": \"" + key + "\" must be a file name (text) or null.");
  const std::filesystem::path p(value.get<std::string>());
  if (p.empty()) return {};
  return (p.is_absolute() ? p : folder / p).lexically_normal();
}

Json relative_path(const std::filesystem::path& p, const std::filesystem::path& folder) {
  if (p.empty()) return nullptr;
  const std::filesystem::path rel = p.lexically_relative(folder);
  return (rel.empty() ? p : rel).generic_string();
}

// Line and column of byte `at` (counted from 1) of `text`.
std::string where(const std::string& text, std::size_t at) {
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i + 1 < at && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// The "controls" object: each tag's setting, true or false, a whole number or text.
std::vector<std::pair<std::string, ControlSetting>> controls_of(const Json& value, const std::string& source) {
  if (!value.is_object()) throw RuntimeError(source + ": \"controls\" must be an object of settings by control.");
  std::vector<std::pair<std::string, ControlSetting>> out;
  for (auto it = value.begin(); it != value.end(); ++it) {
    const Json& v = it.value();
    if (v.is_boolean())
      out.emplace_back(it.key(), v.get<bool>());
    else if (v.is_number_integer() && !(v.is_number_unsigned() && v.get<std::uint64_t>() > INT64_MAX))
      out.emplace_back(it.key(), v.get<long long>());
    else if (v.is_string())
      out.emplace_back(it.key(), v.get<std::string>());
    else
      throw RuntimeError(source + ": the control \"" + it.key() +
                         "\" must be set to true, false, a whole number or text.");
  }
  return out;
}

}  // namespace

StudyFile parse_study(std::istream& in, const std::string& source, const std::filesystem::path& folder) {
  // Read by lines as the other readers read (a lone CR ends a line, no line
  // longer than they allow), and no more than a study file can hold.
  std::string text;
  TextScanner scanner(in, source);
  for (std::optional<std::string> line; (line = scanner.rest_of_line());) {
    text += *line;
    if (text.size() > kLargestStudy)
      throw RuntimeError(source + " is not a study file: it is larger than " + std::to_string(kLargestStudy >> 20) +
                         " MB.");
  }
  Json json;
  try {
    json = Json::parse(text);
  } catch (const Json::parse_error& e) {
    throw RuntimeError(source + " is not a study file: it is not JSON (" + where(text, e.byte) + ").");
  } catch (const Json::exception&) {
    // A number beyond the range of numbers (1e400) is valid JSON text that no
    // study holds.
    throw RuntimeError(source + " is not a study file: it holds a number too large to be read.");
  }
  if (!json.is_object() || json.empty() || json.begin().key() != kStudyKey)
    throw RuntimeError(source + " is not a study file: its first key must be \"" + kStudyKey + "\".");
  const Json& version = json.begin().value();
  if (!version.is_number_integer() || version.get<long long>() < 1)
    throw RuntimeError(source + ": \"" + kStudyKey + "\" must be the format version, 1.");
  if (version.get<long long>() > 1)
    throw RuntimeError(source + " was written by a newer Velmora3d (study format " +
                       std::to_string(version.get<long long>()) + "); this one reads format 1.");

  StudyFile study;
  for (auto it = std::next(json.begin()); it != json.end(); ++it) {
    const std::string& key = it.key();
    const Json& v = it.value();
    if (key == "protocol") {
      study.protocol = resolved(v, key, source, folder);
    } else if (key == "first-sample") {
      study.first = resolved(v, key, source, folder);
    } else if (key == "first-sample-dimension") {
      // Compared whole: 4294967298 is not 2.
      if (!v.is_number_integer() || (v.get<long long>() != 2 && v.get<long long>() != 3) ||
          (v.is_number_unsigned() && v.get<std::uint64_t>() > 3))
        throw RuntimeError(source + ": \"" + key + "\" must be 2 or 3.");
      study.first_dims = static_cast<int>(v.get<long long>());
    } else if (key == "second-sample") {
      study.second = resolved(v, key, source, folder);
    } else if (key == "second-sample-is-table") {
      if (!v.is_boolean()) throw RuntimeError(source + ": \"" + key + "\" must be true or false.");
      study.second_table = v.get<bool>();
    } else if (key == "wireframe") {
      study.wireframe = resolved(v, key, source, folder);
    } else if (key == "specimen-table") {
      study.table = resolved(v, key, source, folder);
    } else if (key == "resampling-rounds") {
      if (!v.is_number_integer() || v.get<long long>() < 1 || v.get<long long>() > 10)
        throw RuntimeError(source + ": \"" + key + "\" must be a whole number from 1 to 10 (100 to 10000 sets).");
      study.rounds = v.get<int>();
    } else if (key == "seed") {
      if (v.is_null())
        study.seed.reset();
      else if (v.is_number_unsigned())
        study.seed = v.get<std::uint64_t>();
      else
        throw RuntimeError(source + ": \"seed\" must be a whole number of 0 or more, or null.");
    } else if (key == "drop-missing" || key == "negative-coordinates-missing") {
      if (!v.is_boolean()) throw RuntimeError(source + ": \"" + key + "\" must be true or false.");
      (key == "drop-missing" ? study.drop_missing : study.negative_missing) = v.get<bool>();
    } else if (key == "results") {
      if (!v.is_array()) throw RuntimeError(source + ": \"results\" must be a list of results.");
      study.results = v.dump();
    } else if (key == "controls") {
      study.controls = controls_of(v, source);
    } else if (key == "window-layout") {
      if (!v.is_string()) throw RuntimeError(source + ": \"window-layout\" must be text.");
      study.layout = v.get<std::string>();
    } else {
      throw RuntimeError(source + " has a key this version does not know: \"" + key + "\".");
    }
  }
  return study;
}

StudyFile read_study_file(const std::filesystem::path& file) {
  // Only a regular file is opened: a pipe with no writer or a device would hold the window.
  if (std::optional<std::string> reason = not_a_file(file))
    throw RuntimeError("Cannot open the study file " + file.string() + " (" + *reason + ").");
  std::ifstream in(file, std::ios::binary);
  if (!in) throw RuntimeError("Cannot open the study file " + file.string() + ".");
  return parse_study(in, file.string(), std::filesystem::absolute(file).parent_path());
}

std::string study_json(const StudyFile& study, const std::filesystem::path& folder) {
  Json json;
  json[kStudyKey] = 1;
  json["protocol"] = relative_path(study.protocol, folder);
  json["first-sample"] = relative_path(study.first, folder);
  json["first-sample-dimension"] = study.first_dims;
  json["second-sample"] = relative_path(study.second, folder);
  json["second-sample-is-table"] = study.second_table;
  json["wireframe"] = relative_path(study.wireframe, folder);
  if (!study.table.empty()) json["specimen-table"] = relative_path(study.table, folder);
  json["resampling-rounds"] = study.rounds;
  json["seed"] = study.seed ? Json(*study.seed) : Json(nullptr);
  // The load switches, when on (a study without them reads as before).
  if (study.drop_missing) json["drop-missing"] = true;
  if (study.negative_missing) json["negative-coordinates-missing"] = true;
  // What the study found, so reopening it shows its results log.
  if (!study.results.empty()) json["results"] = Json::parse(study.results);
  // The controls' settings and the window's docks, so it reopens as it was.
  if (!study.controls.empty()) {
    Json controls = Json::object();
    for (const auto& [tag, setting] : study.controls)
      std::visit([&controls, &tag](const auto& value) { controls[tag] = value; }, setting);
    json["controls"] = std::move(controls);
  }
  if (!study.layout.empty()) json["window-layout"] = study.layout;
  return json.dump(2) + "\n";
}

void write_study_file(const std::filesystem::path& file, const StudyFile& study,
                      const std::function<void(const std::string&)>& note) {
  const std::filesystem::path folder = std::filesystem::absolute(file).parent_path();
  write_file_atomically(file, study_json(study, folder), note);
}

}  // namespace velmora
