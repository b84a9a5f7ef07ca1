// Which loading action reads each file dropped on the window (or opened again
// from the recent list), in the order the study needs them: protocol, first
// sample, second sample, wireframe. Plain C++, so it is tested without a window.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

/// One file and the action that loads it.
struct DropLoad {
  std::string action;  // "LoadProto", "LoadFile1", "LoadFile2D", "LoadFile2" or "LoadWireFrame"
  std::filesystem::path file;
  bool table = false;  // LoadFile2 reads a table of flat rows (else a TPS file)
};

/// What to do with the files.
struct DropPlan {
  std::optional<std::filesystem::path> study;  // a study file dropped alone: open it, nothing else
  std::vector<DropLoad> loads;                 // in the order to run them
  std::vector<std::string> problems;           // files left out, each with why
};

/// How the plan asks the user about a file whose role its content leaves open.
struct DropQuestions {
  /// Pick one of `options`: its index, or -1 for none.
  std::function<int(const std::string& text, const std::vector<std::string>& options)> choose;
  /// Yes or no.
  std::function<bool(const std::string& text)> confirm;
};

/// Plans the loads of `files` for a study that has (or not) a first sample.
DropPlan plan_drops(const std::vector<std::filesystem::path>& files, bool has_first, const DropQuestions& ask);

}  // namespace velmora
