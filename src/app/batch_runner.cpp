#include "app/batch_runner.h"

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "app/dispatcher.h"
#include "app/event_json.h"
#include "runtime/error.h"
#include "runtime/headless/headless_port.h"
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

/// The number a `set TAG Value WORD` line gives the control, checked before
/// anything runs: DiffScale above 0, PCXBox and PCYBox whole from 1,
/// SlideCriterion its choices by name (bending 1, procrustes 2) or number and
/// no other, ProjectOnCurve 0 or 1.
double control_value_of(const std::string& tag, const std::string& word, const std::string& where) {
  if (tag == "SlideCriterion") {
    if (word == "bending" || word == "1") return 1;
    if (word == "procrustes" || word == "2") return 2;
    throw std::runtime_error(where + ": SlideCriterion takes the Value bending or procrustes (1 or 2), not " + word);
  }
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

}  // namespace

std::vector<ScriptCommand> parse_script(const std::filesystem::path& script) {
  std::error_code ec;
  if (std::filesystem::is_directory(script, ec))
    throw std::runtime_error(script.string() + ": cannot read the script: it is a folder");
  std::ifstream in(script, std::ios::binary);
  if (!in) throw std::runtime_error(script.string() + ": cannot read the script");
  std::vector<ScriptCommand> commands;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);  // a UTF-8 byte order mark
    const std::string where = script.string() + ":" + std::to_string(number);
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    ScriptCommand c;
    c.line = number;
    c.words = split_words(line, where);
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

int run_batch(const BatchOptions& options, std::ostream& out, std::ostream& err) {
  std::vector<ScriptCommand> commands;
  try {
    commands = parse_script(options.script);
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    return 2;
  }

  std::ofstream events;
  if (options.events) {
    events.open(*options.events, std::ios::binary | std::ios::trunc);
    if (!events) {
      err << options.events->string() << ": cannot write the events file\n";
      return 2;
    }
  }

  HeadlessPort port(&err, options.quiet);
  if (options.seed) port.set_seed(*options.seed);
  port.on_event([&](const Event& e) {
    if (events.is_open()) events << event_json(e).dump() << "\n";
    if (e.kind == "set" && e.text("property") == "String" && is_box_tag(e.text("tag")))
      out << "[" << e.text("tag") << "]\n" << e.text("value") << "\n";
    else if (e.kind == "msgbox")
      out << "[" << e.text("title") << "]\n" << e.text("text") << "\n";
    else if (e.kind == "error" && options.quiet)
      err << e.text("message") << "\n";
    out.flush();
  });
  Dispatcher dispatcher(port);
  const std::filesystem::path folder = options.script.has_parent_path() ? options.script.parent_path() : ".";
  const std::string script_name = options.script.string();

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
      continue;
    }
    const std::string& action = c.words.front();
    out << "> " << action << "\n";
    out.flush();
    port.set_action(action);
    port.set_answers({c.words.begin() + 1, c.words.end()}, folder);
    Outcome outcome;
    try {
      outcome = dispatcher.vm3sw(action);
    } catch (const PortAbort& e) {
      err << "\n" << where << ": " << e.what() << "\n";
      return 2;
    }
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
        write_figure(port.graphics(), h, ImageFormat::png, *options.figures / (base + ".png"));
        write_figure(port.graphics(), h, ImageFormat::svg, *options.figures / (base + ".svg"));
      } catch (const RuntimeError& e) {
        err << e.what() << "\n";
        status = 1;
      }
    }
  }
  return status;
}

}  // namespace velmora
