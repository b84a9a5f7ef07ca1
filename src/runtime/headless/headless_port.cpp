#include "runtime/headless/headless_port.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <limits>

#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/random.h"

namespace velmora {
namespace {

// Writes console text to the diagnostics stream and records every echo.
class HeadlessConsole : public Console {
 public:
  HeadlessConsole(HeadlessPort& port, std::ostream* out, bool quiet) : port_(port), out_(out), quiet_(quiet) {}
  void write(std::string_view text) override {
    if (printing()) {
      *out_ << text;
      out_->flush();
    }
  }
  // An echo is built only for those who take it: the event for the port's
  // listener or its kept events, the text for the diagnostics stream.
  void echo(std::string_view name, const EchoValue& value) override {
    if (port_.echoes_wanted()) {
      Event e;
      e.kind = "echo";
      e.fields.emplace_back("name", std::string(name));
      std::visit([&](const auto& v) { e.fields.emplace_back("value", EventValue(v)); }, value);
      port_.record(std::move(e));
    }
    if (printing()) Console::echo(name, value);
  }
  bool listening() const override { return printing() || port_.echoes_wanted(); }

 private:
  bool printing() const { return out_ != nullptr && !quiet_; }

  HeadlessPort& port_;
  std::ostream* out_;
  bool quiet_;
};

}  // namespace

const EventValue* Event::field(std::string_view name) const {
  for (const auto& [key, value] : fields)
    if (key == name) return &value;
  return nullptr;
}

std::string Event::text(std::string_view name) const {
  const EventValue* v = field(name);
  if (v == nullptr) return "";
  if (const auto* s = std::get_if<std::string>(v)) return *s;
  return "";
}

double Event::number(std::string_view name) const {
  const EventValue* v = field(name);
  if (v == nullptr) return std::nan("");
  if (const auto* d = std::get_if<double>(v)) return *d;
  if (const auto* w = std::get_if<std::uint64_t>(v)) return static_cast<double>(*w);
  return std::nan("");
}

std::optional<std::uint64_t> Event::whole(std::string_view name) const {
  const EventValue* v = field(name);
  if (v == nullptr) return std::nullopt;
  if (const auto* w = std::get_if<std::uint64_t>(v)) return *w;
  return std::nullopt;
}

// BigBox to DotCheck: the controls the main window has had from the start.
constexpr std::size_t kWindowControls = 6;

const std::vector<std::string>& HeadlessPort::control_tags() {
  static const std::vector<std::string> tags = {
      "BigBox", "FileBox2", "ResultsBox", "ZEPButton", "BootBox", "DotCheck", "DiffScale", "PCXBox", "PCYBox",
      "SlideCriterion", "ProjectOnCurve", "DropMissing", "NegativeMissing",
      // Surfaces.
      "SurfaceSD", "SurfaceOverlay",
      // Studies of any design.
      "ModelBox", "GroupBox", "FactorColumns", "PermutationsBox", "GroupOutline", "DropUnlisted",
      // Size, discrimination and integration.
      "BlockBox", "SeparateBlocks", "AllometryLine", "SizeCorrected",
      // A first sample's table of either dimension.
      "TableDimension"};
  return tags;
}

HeadlessPort::HeadlessPort(std::ostream* diagnostics, bool quiet)
    : console_(std::make_unique<HeadlessConsole>(*this, diagnostics, quiet)), diagnostics_(diagnostics) {
  graphics_.add_main_window({10, 20, 300, 400}, "pixels");
  // The window's own six controls take the first handles, as they always have;
  // controls added since take handles from the top of the range, so every
  // handle a study echoes (boxes, figures) keeps its number.
  const auto& tags = control_tags();
  for (std::size_t i = 0; i < tags.size(); ++i) {
    ControlState c;
    c.handle = i < kWindowControls ? graphics_.reserve_handle()
                                   : std::numeric_limits<Handle>::max() - static_cast<Handle>(i - kWindowControls);
    controls_[tags[i]] = c;
  }
  controls_["BootBox"].value = 1;
  controls_["DiffScale"].value = 0;  // automatic: the largest arrow a tenth of the shape; 1 is the change as it is
  controls_["PCXBox"].value = 1;
  controls_["PCYBox"].value = 2;
  controls_["SlideCriterion"].value = 1;  // bending energy; 2 is Procrustes distance
  controls_["ProjectOnCurve"].value = 1;
  controls_["SurfaceSD"].value = 2;  // ShowPCSurfaces: the ends of the component, 2 standard deviations out
  controls_["PermutationsBox"].value = 999;
  controls_["GroupOutline"].value = 1;  // 95 % ellipses; 2 is convex hulls
  controls_["BigBox"].string = "";
  graphics_.set_listener([this](Handle h, FigureEvent ev) {
    if (ev == FigureEvent::changed) return;
    Event e;
    e.kind = "figure";
    e.fields.emplace_back("handle", static_cast<double>(h));
    e.fields.emplace_back("op", std::string(ev == FigureEvent::opened   ? "open"
                                            : ev == FigureEvent::closed ? "close"
                                                                        : "clear"));
    record(std::move(e));
  });
  working_folder_ = std::filesystem::current_path();
}

HeadlessPort::~HeadlessPort() { graphics_.set_listener(nullptr); }

void HeadlessPort::record(Event event) {
  event.action = action_;
  if (listener_) listener_(event);
  if (keep_events_) events_.push_back(std::move(event));
}

void HeadlessPort::set_answers(std::vector<std::string> answers, const std::filesystem::path& answer_folder) {
  answers_.assign(answers.begin(), answers.end());
  answer_folder_ = answer_folder;
}

bool HeadlessPort::has_control(std::string_view tag) const { return controls_.find(tag) != controls_.end(); }

ControlState& HeadlessPort::control(std::string_view tag) {
  auto it = controls_.find(tag);
  if (it == controls_.end()) throw RuntimeError("The main window has no control tagged " + std::string(tag) + ".");
  return it->second;
}

const ControlState& HeadlessPort::control(std::string_view tag) const {
  auto it = controls_.find(tag);
  if (it == controls_.end()) throw RuntimeError("The main window has no control tagged " + std::string(tag) + ".");
  return it->second;
}

Handle HeadlessPort::control_handle(std::string_view tag) { return control(tag).handle; }

std::string HeadlessPort::control_string(std::string_view tag) { return control(tag).string; }

void HeadlessPort::set_control_string(std::string_view tag, const std::string& text) {
  control(tag).string = text;
  record({"", "set", {{"tag", std::string(tag)}, {"property", std::string("String")}, {"value", text}}});
}

double HeadlessPort::control_value(std::string_view tag) { return control(tag).value; }

void HeadlessPort::set_control_value(std::string_view tag, double value) {
  control(tag).value = value;
  record({"", "set", {{"tag", std::string(tag)}, {"property", std::string("Value")}, {"value", value}}});
}

std::string HeadlessPort::control_checked(std::string_view tag) { return control(tag).checked; }

void HeadlessPort::set_control_checked(std::string_view tag, const std::string& state) {
  control(tag).checked = lower_case(state);
  record({"", "set", {{"tag", std::string(tag)}, {"property", std::string("Checked")}, {"value", lower_case(state)}}});
}

std::optional<FileChoice> HeadlessPort::answer(std::string_view title) {
  if (answers_.empty()) throw PortAbort("the dialog \"" + std::string(title) + "\" has no answer left in the script");
  std::string a = answers_.front();
  answers_.pop_front();
  if (a == "cancel") return std::nullopt;
  if (a.empty()) throw PortAbort("the dialog \"" + std::string(title) + "\" was given an empty answer");
  std::filesystem::path p(a);
  if (p.is_relative()) p = answer_folder_ / p;
  p = p.lexically_normal();
  FileChoice choice;
  choice.name = p.filename().string();
  choice.folder = p.parent_path();
  return choice;
}

std::optional<FileChoice> HeadlessPort::open_file(std::string_view, std::string_view title) { return answer(title); }

std::optional<FileChoice> HeadlessPort::save_file(std::string_view, std::string_view title) { return answer(title); }

Handle HeadlessPort::message_box(const std::string& text, const std::string& title, MessageMode mode) {
  if (mode == MessageMode::replace) {
    for (auto it = boxes_.begin(); it != boxes_.end();) {
      if (it->second.second == title)
        it = boxes_.erase(it);
      else
        ++it;
    }
  }
  Handle h = graphics_.reserve_handle();
  boxes_[h] = {text, title};
  record({"", "msgbox", {{"title", title}, {"text", text}, {"modal", mode == MessageMode::modal}}});
  return h;
}

void HeadlessPort::wait_message_box(Handle box) { boxes_.erase(box); }

void HeadlessPort::set_pointer(std::string_view pointer) {
  pointer_ = std::string(pointer);
  record({"", "pointer", {{"value", pointer_}}});
}

void HeadlessPort::set_clipboard(const std::vector<ClipboardItem>& items) {
  clipboard_ = items;
  std::vector<std::string> formats;
  for (const auto& i : items) formats.push_back(i.format);
  record({"", "clipboard", {{"formats", formats}}});
}

std::string HeadlessPort::clipboard_formats() const {
  std::string out;
  for (const auto& i : clipboard_) out += (out.empty() ? "" : ",") + i.format;
  return out;
}

bool HeadlessPort::progress(std::string_view what, std::int64_t done, std::int64_t total) {
  if (progress_hook_) return progress_hook_(what, done, total);
  if (diagnostics_ != nullptr && diagnostics_ == &std::cerr && isatty(STDERR_FILENO)) {
    char line[160];
    std::snprintf(line, sizeof line, "\r%.*s: %lld of %lld", static_cast<int>(what.size()), what.data(),
                  static_cast<long long>(done), static_cast<long long>(total));
    *diagnostics_ << line << (done >= total ? "\n" : "");
    diagnostics_->flush();
  }
  return true;
}

void HeadlessPort::report_error(const std::string& message) { record({"", "error", {{"message", message}}}); }

void HeadlessPort::file_written(const std::filesystem::path& path, std::uintmax_t bytes) {
  record({"", "file", {{"path", path.string()}, {"bytes", static_cast<double>(bytes)}}});
}

void HeadlessPort::result(const TestResult& result) {
  Event e;
  e.kind = "result";
  e.fields.emplace_back("name", result.name);
  // (Not a structured binding: clang before 16 cannot capture one in a lambda.)
  for (const auto& number : result.numbers)
    std::visit([&](const auto& v) { e.fields.emplace_back(number.first, EventValue(v)); }, number.second);
  record(std::move(e));
}

std::uint64_t HeadlessPort::seed() {
  if (!seed_) seed_ = entropy_seed();  // one seed for the port's whole run
  return *seed_;
}

}  // namespace velmora
