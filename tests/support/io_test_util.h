// Helpers for the data input tests: temporary files and a port that records dialogs.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/headless/headless_port.h"

namespace velmora::testing {

/// A folder under the system's temporary folder, removed with its contents.
class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("velmora-io-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  /// Writes `text` byte for byte into the file `name` and returns its path.
  std::filesystem::path write(const std::string& name, const std::string& text) const {
    const std::filesystem::path p = path_ / name;
    std::ofstream out(p, std::ios::binary);
    out << text;
    return p;
  }

 private:
  std::filesystem::path path_;
};

struct ConsoleLog {
  std::ostringstream log;
};

/// A headless port that also keeps the filter and title of every file dialog and
/// the console text.
class DialogPort : private ConsoleLog, public HeadlessPort {
 public:
  DialogPort() : HeadlessPort(&log) { keep_events(); }
  std::string console_text() const { return log.str(); }
  struct Dialog {
    std::string filter, title;
  };
  std::optional<FileChoice> open_file(std::string_view filter, std::string_view title) override {
    dialogs.push_back({std::string(filter), std::string(title)});
    return HeadlessPort::open_file(filter, title);
  }
  /// The next dialogs take these answers (paths or "cancel").
  void answer(std::vector<std::string> answers) { set_answers(std::move(answers), "/"); }

  std::vector<Dialog> dialogs;

  std::vector<std::string> echo_names() const {
    std::vector<std::string> out;
    for (const auto& e : events())
      if (e.kind == "echo") out.push_back(e.text("name"));
    return out;
  }
  std::vector<const Event*> of_kind(const std::string& kind) const {
    std::vector<const Event*> out;
    for (const auto& e : events())
      if (e.kind == kind) out.push_back(&e);
    return out;
  }
};

/// LF line ends turned into CR LF.
inline std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace velmora::testing
