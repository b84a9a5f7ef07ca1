// The batch runner: a script of actions run headless, for tests and other programs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velmora {

struct BatchOptions {
  std::filesystem::path script;
  std::optional<std::uint64_t> seed;
  std::optional<std::filesystem::path> events;
  std::optional<std::filesystem::path> figures;
  bool keep_going = false;
  bool quiet = false;
};

/// One line of a script.
struct ScriptCommand {
  int line = 0;
  bool is_set = false;
  std::vector<std::string> words;  // the action and its answers, or TAG PROPERTY VALUE
};

/// The number a `set TAG Value WORD` line gives the control (choices by name,
/// numbers in range); throws std::runtime_error "WHERE: message" otherwise.
double control_value_of(const std::string& tag, const std::string& word, const std::string& where);

/// Reads a script; throws std::runtime_error "SCRIPT:LINE: message" for a
/// malformed line or a `set` on a tag or property that does not exist.
std::vector<ScriptCommand> parse_script(const std::filesystem::path& script);

/// A text as standard output shows it under its "[TAG]" or "[TITLE]" line: a
/// line of it that starts with ">", "[" or a backslash gets a backslash before
/// it, so that no text can pass for an action line or a header (set BigBox
/// String "> Clear").
std::string output_text(const std::string& text);

/// Runs a script. Returns the exit status: 0 all actions succeeded, 1 an action
/// failed or matched no name, 2 a usage or script error.
int run_batch(const BatchOptions& options, std::ostream& out, std::ostream& err);

}  // namespace velmora
