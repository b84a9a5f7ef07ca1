// The UI port for batch runs and tests: scripted dialog answers and a record of
// every event.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "runtime/ui_port.h"

namespace velmora {

using EventValue = std::variant<bool, double, std::string, std::vector<std::string>, Eigen::MatrixXd, Sample,
                                std::uint64_t, std::vector<double>>;

/// One thing that happened during an action: kind is set, msgbox, file, figure,
/// clipboard, pointer, echo, error or result.
struct Event {
  std::string action;
  std::string kind;
  std::vector<std::pair<std::string, EventValue>> fields;

  const EventValue* field(std::string_view name) const;
  std::string text(std::string_view name) const;  // "" when missing or not a text
  double number(std::string_view name) const;     // NaN when missing or not a number
  /// An exact whole number (a seed); nothing when missing or not one.
  std::optional<std::uint64_t> whole(std::string_view name) const;
};

/// The tags of the main window's controls and what each holds.
struct ControlState {
  Handle handle = 0;
  std::string string;
  double value = 0;
  std::string checked = "off";
};

class HeadlessPort : public UiPort {
 public:
  /// `diagnostics` receives console text unless `quiet`; relative dialog answers
  /// are resolved against `answer_folder`.
  explicit HeadlessPort(std::ostream* diagnostics = nullptr, bool quiet = false);
  ~HeadlessPort() override;

  // Scripting.
  void set_answers(std::vector<std::string> answers, const std::filesystem::path& answer_folder);
  std::size_t answers_left() const { return answers_.size(); }
  void set_action(std::string action) { action_ = std::move(action); }
  /// The seed of every resampling test; without one, the first test draws one
  /// from the system's entropy and every later test uses it too.
  void set_seed(std::uint64_t seed) { seed_ = seed; }
  /// `listener` hears every event as it happens; `with_echoes` false spares it
  /// the echo events (and the port the building of them).
  void on_event(std::function<void(const Event&)> listener, bool with_echoes = true) {
    listener_ = std::move(listener);
    listener_echoes_ = with_echoes;
  }
  /// Keeps every event for events() from now on (tests); otherwise events go
  /// to the listener only and nothing piles up over a long run.
  void keep_events(bool keep = true) { keep_events_ = keep; }
  /// Whether anyone takes echo events: the kept events or the listener.
  bool echoes_wanted() const { return keep_events_ || (listener_ && listener_echoes_); }
  /// Progress hook for tests (return false to cancel); without one, progress is
  /// drawn on the diagnostics stream when it is a terminal.
  void on_progress(std::function<bool(std::string_view, std::int64_t, std::int64_t)> hook) {
    progress_hook_ = std::move(hook);
  }
  /// The events since the last clear_events(), when they are kept.
  const std::vector<Event>& events() const { return events_; }
  void clear_events() { events_.clear(); }
  /// Open message boxes by handle (text, title); closed when waited on.
  const std::map<Handle, std::pair<std::string, std::string>>& message_boxes() const { return boxes_; }
  std::string clipboard_formats() const;
  const std::vector<ClipboardItem>& clipboard() const { return clipboard_; }
  std::string pointer() const { return pointer_; }

  /// Known tags: BigBox, FileBox2, ResultsBox, ZEPButton, BootBox, DotCheck,
  /// then DiffScale (the exaggeration of ShowDifference, 0 at first: automatic), PCXBox
  /// and PCYBox (the components ShapePCA shows, 1 and 2 at first),
  /// SlideCriterion (1 bending energy, at first; 2 Procrustes distance),
  /// ProjectOnCurve (1 at first: slid points go back onto their curves), and
  /// the load switches DropMissing and NegativeMissing (Value 0 or 1),
  /// SurfaceSD (ShowPCSurfaces' standard deviations, 2 at first),
  /// SurfaceOverlay (ShowSurfaceDifference one surface in the other, 0 or 1),
  /// and for the group tests ModelBox, GroupBox and FactorColumns (String,
  /// empty at first), PermutationsBox (999 at first), GroupOutline (1 ellipse,
  /// at first; 2 hull) and DropUnlisted (Value 0 or 1); for allometry, canonical
  /// variates and two-block PLS BlockBox (String, empty at first),
  /// SeparateBlocks, AllometryLine and SizeCorrected (Value 0 or 1, 0 at first),
  /// and TableDimension (Value 2 or 3: the dimension LoadFile1 reads a table
  /// of numbers in when its columns do not tell it; 0 at first: refused).
  static const std::vector<std::string>& control_tags();

  // UiPort
  Console& console() override { return *console_; }
  Graphics& graphics() override { return graphics_; }
  bool has_control(std::string_view tag) const override;
  Handle control_handle(std::string_view tag) override;
  std::string control_string(std::string_view tag) override;
  void set_control_string(std::string_view tag, const std::string& text) override;
  double control_value(std::string_view tag) override;
  void set_control_value(std::string_view tag, double value) override;
  std::string control_checked(std::string_view tag) override;
  void set_control_checked(std::string_view tag, const std::string& state) override;
  std::optional<FileChoice> open_file(std::string_view filter, std::string_view title) override;
  std::optional<FileChoice> save_file(std::string_view filter, std::string_view title) override;
  Handle message_box(const std::string& text, const std::string& title, MessageMode mode) override;
  void wait_message_box(Handle box) override;
  void set_pointer(std::string_view pointer) override;
  void set_clipboard(const std::vector<ClipboardItem>& items) override;
  std::filesystem::path working_folder() const override { return working_folder_; }
  void set_working_folder(const std::filesystem::path& folder) override { working_folder_ = folder; }
  bool progress(std::string_view what, std::int64_t done, std::int64_t total) override;
  void report_error(const std::string& message) override;
  void file_written(const std::filesystem::path& path, std::uintmax_t bytes) override;
  void result(const TestResult& result) override;
  std::uint64_t seed() override;

  /// Records an event (also used by the console for echoes).
  void record(Event event);

 private:
  std::optional<FileChoice> answer(std::string_view title);
  ControlState& control(std::string_view tag);
  const ControlState& control(std::string_view tag) const;

  Graphics graphics_;
  std::unique_ptr<Console> console_;
  std::ostream* diagnostics_;
  std::map<std::string, ControlState, std::less<>> controls_;
  std::deque<std::string> answers_;
  std::filesystem::path answer_folder_;
  std::filesystem::path working_folder_;
  std::string action_;
  std::optional<std::uint64_t> seed_;
  std::function<void(const Event&)> listener_;
  bool listener_echoes_ = true;
  bool keep_events_ = false;
  std::function<bool(std::string_view, std::int64_t, std::int64_t)> progress_hook_;
  std::vector<Event> events_;
  std::map<Handle, std::pair<std::string, std::string>> boxes_;
  std::vector<ClipboardItem> clipboard_;
  std::string pointer_ = "arrow";
  bool progress_drawn_ = false;
};

}  // namespace velmora
