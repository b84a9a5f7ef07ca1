// The console: where echoes and diagnostics go (GUI pane, standard error, a test).
#pragma once

#include <Eigen/Dense>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "runtime/sample.h"

namespace velmora {

/// A value echoed as `name = value`: a scalar (numbers and handles), a matrix
/// or row, a p by 3 by n sample (shown one slice at a time), or a text.
using EchoValue = std::variant<double, Eigen::MatrixXd, Sample, std::string>;

/// The echo text of one value, ending with a line break:
///   x = 3            (scalar)
///   x = []           (empty)
///   x =              (matrix: one line per row)
///         1        2
///   x(:,:,1) = ...   (sample: one block per slice)
///   x = text         (text; a text of several lines starts on the next line)
std::string format_echo(std::string_view name, const EchoValue& value);

/// One number as the echo shows it: whole values as integers, others with six
/// significant digits.
std::string format_echo_number(double v);

class Console {
 public:
  virtual ~Console() = default;
  /// Writes text as it stands (no line break added).
  virtual void write(std::string_view text) = 0;
  /// Echoes a variable. Subclasses that record echoes call this base too.
  virtual void echo(std::string_view name, const EchoValue& value) { write(format_echo(name, value)); }
  /// Whether echoes reach anyone. A console that drops them (a quiet batch run
  /// with no event file) lets a caller skip building a large echoed value.
  virtual bool listening() const { return true; }
};

/// A console on an output stream (standard error in batch runs). Thread safe.
class StreamConsole : public Console {
 public:
  explicit StreamConsole(std::ostream& out) : out_(out) {}
  void write(std::string_view text) override;

 private:
  std::ostream& out_;
  std::mutex mutex_;
};

/// A console that keeps everything, for tests.
class CaptureConsole : public Console {
 public:
  void write(std::string_view text) override { text_ += text; }
  void echo(std::string_view name, const EchoValue& value) override {
    echoes_.emplace_back(std::string(name), value);
    Console::echo(name, value);
  }
  const std::string& text() const { return text_; }
  const std::vector<std::pair<std::string, EchoValue>>& echoes() const { return echoes_; }
  void clear() {
    text_.clear();
    echoes_.clear();
  }

 private:
  std::string text_;
  std::vector<std::pair<std::string, EchoValue>> echoes_;
};

}  // namespace velmora
