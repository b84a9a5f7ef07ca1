#include "app/batch_runner.h"

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "app/dispatcher.h"
#include "app/event_json.h"
#include "io/open_input.h"
#include "io/text_scanner.h"
#include "runtime/error.h"
#include "runtime/file_write.h"
#include "runtime/headless/headless_port.h"
#include "runtime/random.h"
#include "runtime/render.h"

namespace velmora {
namespace {

using nlohmann::json;

std::vector<std::string> split_words(const std::string& line, const std::string& where) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      size_t end = line.find('"', i + 1);
      if (end == std::string::npos) throw std::runtime_error(where + ": a quote is not closed");
      word = line.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) word += line[i++];
    }
    words.push_back(word);
  }
  return words;
}

bool is_box_tag(const std::string& tag) { return tag == "BigBox" || tag == "FileBox2" || tag == "ResultsBox"; }

}  // namespace

/// The number a `set TAG Value WORD` line gives the control, checked before
/// anything runs: DiffScale above 0 or auto, PCXBox and PCYBox whole from 1,
/// SlideCriterion its choices by name (bending 1, procrustes 2) or number and
/// no other, ProjectOnCurve 0 or 1.
double control_value_of(const std::string& tag, const std::string& word, const std::string& where) {
  if (tag == "SlideCriterion") {
    if (word == "bending" || word == "1") return 1;
    if (word == "procrustes" || word == "2") return 2;
    throw std::runtime_error(where + ": SlideCriterion takes the Value bending or procrustes (1 or 2), not " + word);
  }
  if (tag == "GroupOutline") {
    if (word == "ellipse" || word == "1") return 1;
    if (word == "hull" || word == "2") return 2;
    throw std::runtime_error(where + ": GroupOutline takes the Value ellipse or hull (1 or 2), not " + word);
  }
  if (tag == "DiffScale" && word == "auto") return 0;  // its first setting: the largest arrow a tenth of the shape
  double value = 0;
  try {
    size_t used = 0;
    value = std::stod(word, &used);
    if (used != word.size()) throw std::invalid_argument("");
  } catch (const std::exception&) {
    throw std::runtime_error(where + ": the Value " + word + " is not a number");
  }
  if (tag == "DiffScale" && !(std::isfinite(value) && value > 0))
    throw std::runtime_error(where + ": DiffScale (how many times the change is drawn) takes a Value above 0, not " +
                             word);
  if ((tag == "PCXBox" || tag == "PCYBox") && !(std::isfinite(value) && value >= 1 && value == std::floor(value)))
    throw std::runtime_error(where + ": " + tag + " (a component number) takes a whole Value from 1 up, not " + word);
  if (tag == "ProjectOnCurve" && value != 0 && value != 1)
    throw std::runtime_error(where + ": ProjectOnCurve takes the Value 1 (on) or 0 (off), not " + word);
  return value;
}

std::string output_text(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  bool line_start = true;
  for (char c : text) {
    if (line_start && (c == '>' || c == '[' || c == '\\')) out += '\\';
    out += c;
    line_start = c == '\n';
  }
  return out;
}

std::vector<ScriptCommand> parse_script(const std::filesystem::path& script) {
  if (std::optional<std::string> reason = not_a_file(script))
    throw std::runtime_error(script.string() + ": cannot read the script: " + *reason);
  std::ifstream in(script, std::ios::binary);
  if (!in) throw std::runtime_error(script.string() + ": cannot read the script");
  std::vector<ScriptCommand> commands;
  TextScanner scanner(in, script.string());
  auto read_line = [&scanner]() {
    try {
      return scanner.rest_of_line();
    } catch (const RuntimeError& e) {
      throw std::runtime_error(std::string(e.what()) + " The script cannot be read.");
    }
  };
  std::optional<std::string> line = read_line();
  drop_byte_order_mark(line);
  for (long number = 1; line; line = read_line(), ++number) {
    if (!line->empty() && line->back() == '\n') line->pop_back();
    const std::string where = script.string() + ":" + std::to_string(number);
    // Lines of white space only (a vertical tab or a form feed too) are blank.
    size_t first = 0;
    while (first < line->size() && std::isspace(static_cast<unsigned char>((*line)[first]))) ++first;
    if (first == line->size() || (*line)[first] == '#') continue;
    ScriptCommand c;
    c.line = number;
    c.words = split_words(*line, where);
    if (c.words.front() == "set") {
      c.is_set = true;
      c.words.erase(c.words.begin());
      if (c.words.size() != 3) throw std::runtime_error(where + ": a set line is written: set TAG PROPERTY VALUE");
      const auto& tags = HeadlessPort::control_tags();
      if (std::find(tags.begin(), tags.end(), c.words[0]) == tags.end())
        throw std::runtime_error(where + ": the main window has no control tagged " + c.words[0]);
      const std::string& property = c.words[1];
      if (property != "String" && property != "Value" && property != "Checked")
        throw std::runtime_error(where + ": a control's property is String, Value or Checked, not " + property);
      if (property == "Value") control_value_of(c.words[0], c.words[2], where);
      if (property == "Checked" && c.words[2] != "on" && c.words[2] != "off" && c.words[2] != "On" &&
          c.words[2] != "Off")
        throw std::runtime_error(where + ": Checked is on or off, not " + c.words[2]);
    }
    commands.push_back(std::move(c));
  }
  return commands;
}

namespace {

// The events file: lines gathered in a buffer and written to a temporary file
// beside the target as the run goes, put in place when the run ends. A failed
// write is kept as a message and ends the writing; the file is then not put in
// place (the old file, if any, stays).
class EventsFile {
 public:
  explicit EventsFile(const std::filesystem::path& path) : file_(path) {}
  void add(const Event& e) {
    if (failure_) return;
    buffer_ += event_json(e).dump();
    buffer_ += '\n';
    if (buffer_.size() >= (std::size_t{1} << 20)) flush();
  }
  const std::optional<std::string>& failure() const { return failure_; }
  /// Writes what is left and puts the file in place; false when it failed.
  bool finish() {
    flush();
    if (failure_) return false;
    try {
      file_.commit();
      return true;
    } catch (const RuntimeError& e) {
      failure_ = e.what();
      return false;
    }
  }

 private:
  void flush() {
    if (failure_ || buffer_.empty()) return;
    try {
      file_.write(buffer_);
    } catch (const RuntimeError& e) {
      failure_ = e.what();
    }
    buffer_.clear();
  }

  PendingFile file_;
  std::string buffer_;
  std::optional<std::string> failure_;
};

// A file the events would overwrite: the script, or a file one of its lines
// names (to read or to write). Nothing when there is none.
std::optional<std::string> events_conflict(const BatchOptions& options, const std::vector<ScriptCommand>& commands) {
  const std::filesystem::path& events = *options.events;
  if (same_file(events, options.script)) return std::string("it is the script");
  const std::filesystem::path folder = options.script.has_parent_path() ? options.script.parent_path() : ".";
  for (const auto& c : commands) {
    if (c.is_set) continue;
    for (std::size_t k = 1; k < c.words.size(); ++k) {
      if (c.words[k] == "cancel" || c.words[k].empty()) continue;
      std::filesystem::path named(c.words[k]);
      if (named.is_relative()) named = folder / named;
      if (same_file(events, named.lexically_normal()))
        return "line " + std::to_string(c.line) + " of the script names it for " + c.words.front();
    }
  }
  return std::nullopt;
}

int run_commands(const BatchOptions& options, const std::vector<ScriptCommand>& commands, HeadlessPort& port,
                 EventsFile* events, std::ostream& out, std::ostream& err) {
  Dispatcher dispatcher(port);
  const std::filesystem::path folder = options.script.has_parent_path() ? options.script.parent_path() : ".";
  const std::string script_name = options.script.string();
  // Standard output holds the results: once it cannot be written, the run stops.
  auto output_lost = [&]() {
    if (out.flush()) return false;
    err << "velmora3d --run: the results cannot be written to standard output; the run stops.\n";
    return true;
  };

  int status = 0;
  for (const auto& c : commands) {
    const std::string where = script_name + ":" + std::to_string(c.line);
    if (c.is_set) {
      port.set_action("set");
      const std::string& tag = c.words[0];
      const std::string& property = c.words[1];
      if (property == "String")
        port.set_control_string(tag, c.words[2]);
      else if (property == "Value")
        port.set_control_value(tag, control_value_of(tag, c.words[2], where));
      else
        port.set_control_checked(tag, c.words[2]);
      if (output_lost()) return 1;
      continue;
    }
    const std::string& action = c.words.front();
    out << "> " << action << "\n";
    if (output_lost()) return 1;
    port.set_action(action);
    port.set_answers({c.words.begin() + 1, c.words.end()}, folder);
    Outcome outcome;
    try {
      outcome = dispatcher.vm3sw(action);
    } catch (const PortAbort& e) {
      err << "\n" << where << ": " << e.what() << "\n";
      return 2;
    }
    if (output_lost()) return 1;
    if (events != nullptr && events->failure()) return 1;
    if (outcome == Outcome::unknown) {
      // The console has the fall-through text, except under --quiet, which keeps errors only.
      if (options.quiet) err << where << ": no action is named \"" << action << "\"";
      err << "\n";
    }
    if (port.answers_left() > 0 && outcome == Outcome::done) {
      err << where << ": " << port.answers_left() << " answer(s) left over after " << action << "\n";
      return 2;
    }
    if (outcome != Outcome::done) {
      status = 1;
      if (!options.keep_going) break;
    }
  }

  if (options.figures) {
    std::error_code ec;
    std::filesystem::create_directories(*options.figures, ec);
    for (Handle h : port.graphics().figures()) {
      if (port.graphics().object(h).main_window) continue;
      try {
        const std::string base = "figure-" + std::to_string(h);
        const auto note = [&](const std::string& n) { port.console().write(n + "\n"); };
        write_figure(port.graphics(), h, ImageFormat::png, *options.figures / (base + ".png"), 800, 600, note);
        write_figure(port.graphics(), h, ImageFormat::svg, *options.figures / (base + ".svg"), 800, 600, note);
      } catch (const RuntimeError& e) {
        err << e.what() << "\n";
        status = 1;
      }
    }
  }
  return status;
}

int run_script(const BatchOptions& options, std::ostream& out, std::ostream& err) {
  for (const auto& [option, path] : {std::pair{"--events", &options.events}, std::pair{"--figures", &options.figures}})
    if (*path && (*path)->empty()) {
      err << option << ": no file name was given\n";
      return 2;
    }
  if (options.script.empty()) {
    err << "--run: no file name was given\n";
    return 2;
  }
  std::vector<ScriptCommand> commands;
  try {
    commands = parse_script(options.script);
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return 2;
  }

  std::optional<EventsFile> events;
  if (options.events) {
    if (std::optional<std::string> conflict = events_conflict(options, commands)) {
      err << "--events " << options.events->string() << ": the events would overwrite a file the run reads or "
          << "writes: " << *conflict << "\n";
      return 2;
    }
    try {
      events.emplace(*options.events);
    } catch (const RuntimeError& e) {
      err << "--events: " << e.what() << "\n";
      return 2;
    }
  }

  HeadlessPort port(&err, options.quiet);
  // One seed for the whole run, told once a test has used it, so that an
  // unseeded result can be had again.
  port.set_seed(options.seed.value_or(entropy_seed()));
  bool seed_told = options.seed.has_value() || options.quiet;
  port.on_event(
      [&](const Event& e) {
        if (events) events->add(e);
        if (!seed_told && e.kind == "result" && e.whole("seed")) {
          const std::string n = std::to_string(*e.whole("seed"));
          err << "seed " << n << "; rerun with --seed " << n << "\n";
          seed_told = true;
        }
        if (e.kind == "set" && e.text("property") == "String" && is_box_tag(e.text("tag")))
          out << "[" << e.text("tag") << "]\n" << output_text(e.text("value")) << "\n";
        else if (e.kind == "msgbox")
          out << "[" << e.text("title") << "]\n" << output_text(e.text("text")) << "\n";
        else if (e.kind == "error" && options.quiet)
          err << e.text("message") << "\n";
        out.flush();
      },
      events.has_value());

  int status = run_commands(options, commands, port, events ? &*events : nullptr, out, err);
  if (events && !events->finish()) {
    err << "--events: " << *events->failure() << "\n";
    status = std::max(status, 1);
  }
  return status;
}

}  // namespace

int run_batch(const BatchOptions& options, std::ostream& out, std::ostream& err) {
  try {
    return run_script(options, out, err);
  } catch (const std::bad_alloc&) {
    err << "velmora3d --run: not enough memory to go on.\n";
  } catch (const std::exception& e) {
    err << "velmora3d --run: " << e.what() << "\n";
  }
  return 1;
}

}  // namespace velmora
