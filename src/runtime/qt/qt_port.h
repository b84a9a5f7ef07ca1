// The UI port on Qt: the main window built from its layout file, plot windows
// that draw the graphics model, file dialogs, message boxes, the clipboard, and
// long work in the background with a progress dialog.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <any>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "runtime/qt/plot_window.h"
#include "runtime/ui_port.h"

class QMainWindow;
class QPlainTextEdit;
class QProgressDialog;
class QTimer;
class QWidget;

namespace velmora {

class MsgboxdDialog;

/// A rectangle in screen pixels with the origin at the bottom left.
struct ScreenRect {
  double left = 0, bottom = 0, width = 0, height = 0;
};

class QtPort : public QObject, public UiPort {
  Q_OBJECT

 public:
  QtPort();
  ~QtPort() override;

  // Windows made from layout files.
  /// Builds a main window from a Qt Designer file, gives every named object a
  /// handle and makes it the window whose controls the actions use. Throws
  /// RuntimeError naming the file when it cannot be read.
  Handle load_layout(const std::filesystem::path& file);
  QMainWindow* main_window() const { return main_; }
  Handle main_handle() const { return main_handle_; }
  bool is_handle(Handle h) const;
  Handle window_of(Handle h) const;
  Handle current_window() const;
  /// Every named object of a window (itself first), with its tag.
  std::vector<std::pair<Handle, std::string>> find_all(Handle window) const;
  std::any app_data(Handle h, const std::string& key) const;
  void set_app_data(Handle h, const std::string& key, std::any value);
  ScreenRect outer_position(Handle window) const;
  ScreenRect inner_position(Handle window) const;
  std::array<double, 2> screen_size() const;
  void set_outer_position(Handle window, const ScreenRect& position);
  bool visible(Handle window) const;
  void raise(Handle window);
  /// The object behind a handle (a control, menu item or window), or nullptr.
  QObject* object(Handle h) const;
  PlotWindow* plot_window(Handle figure) const;
  std::vector<MsgboxdDialog*> message_boxes() const;
  /// What was written to the console: all of it, or, after more than
  /// kConsoleKept bytes, the latest lines (every text also goes to standard error).
  std::string console_text() const;
  /// The console pane shows at most the last kPaneLines lines and kPaneCharacters
  /// characters; a first line says when older ones were dropped.
  static constexpr std::size_t kConsoleKept = std::size_t{16} << 20;
  static constexpr int kPaneLines = 5000;
  static constexpr int kPaneCharacters = 1 << 20;

  /// Replaces the file dialogs (tests): called with save?, filter and title.
  using FileDialogHook = std::function<std::optional<FileChoice>(bool, std::string_view, std::string_view)>;
  void set_file_dialog_hook(FileDialogHook hook) { file_dialog_hook_ = std::move(hook); }
  /// The next file dialogs take these answers in order without showing (a
  /// file dropped on the window, a study being opened); cleared by an empty list.
  void queue_answers(std::vector<std::filesystem::path> paths);
  /// The same, each answer a choice that may hold several files (a pick of several reopened).
  void queue_choices(std::vector<FileChoice> choices) { answers_ = std::move(choices); }
  std::size_t queued_answers() const { return answers_.size(); }
  /// How many file dialogs were cancelled so far (an action that cancelled one changed nothing).
  std::size_t dialogs_cancelled() const { return dialogs_cancelled_; }

  /// The title and filters a shown file dialog gets instead of the action's own.
  struct DialogLook {
    QString title;
    QString filters;       // "Name (*.a *.b);;All files (*)"
    bool several = false;  // an open dialog in which several files may be picked
  };
  using DialogLooks =
      std::function<std::optional<DialogLook>(bool save, std::string_view filter, std::string_view title)>;

  /// What a desktop around the port decides; each part left empty keeps the
  /// port's plain behaviour.
  struct DesktopPolicy {
    /// The title and filters of each file dialog shown.
    DialogLooks dialog_looks;
    /// Rewords the text of error boxes and the status bar (the console keeps the original).
    std::function<std::string(const std::string&)> wording;
    /// Rewords the text of the message box titled `title` as it is shown.
    std::function<std::string(const std::string& title, const std::string& text)> box_wording;
    /// How plot windows decorate their figures.
    PlotView::Decorator plot_decorator;
    /// Decides, when a figure opens (on the thread that opens it), whether a
    /// view of the desktop shows it instead of a plot window of its own.
    std::function<bool(Handle)> figure_claim;
    /// Called on the GUI thread with each file chosen to open (shown, queued
    /// or a test's), before the action reads it: the desktop may set the
    /// controls the reading depends on.
    std::function<void(const FileChoice&)> opened;
  };
  /// Sets the whole policy at once; an empty policy gives the plain port back.
  void set_desktop_policy(DesktopPolicy policy);

  /// A fixed seed for the resampling tests (the seed the user typed); nothing:
  /// a new one every run.
  void set_fixed_seed(std::optional<std::uint64_t> seed) { fixed_seed_ = seed; }
  std::optional<std::uint64_t> fixed_seed() const { return fixed_seed_; }
  /// Closes every plot window and message box (the program is ending).
  void close_windows();

  /// Runs `work` on a worker thread with a progress dialog titled `what`, its
  /// elapsed time, an estimate of the time left and a cancel button. The
  /// windows stay usable (the caller refuses other actions meanwhile). `done`
  /// runs on the GUI thread afterwards.
  void run_in_background(const std::string& what, std::function<void()> work, std::function<void()> done = {});
  bool busy() const { return busy_; }

  // UiPort
  Console& console() override;
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
  Handle message_box_with_icon(const std::string& text, const std::string& title, MessageMode mode,
                               const std::string& icon) override;
  void wait_message_box(Handle box) override;
  void set_pointer(std::string_view pointer) override;
  void set_clipboard(const std::vector<ClipboardItem>& items) override;
  std::filesystem::path working_folder() const override;
  void set_working_folder(const std::filesystem::path& folder) override;
  bool progress(std::string_view what, std::int64_t done, std::int64_t total) override;
  void report_error(const std::string& message) override;
  void result(const TestResult& result) override;
  void file_written(const std::filesystem::path& path, std::uintmax_t bytes) override;
  std::uint64_t seed() override;

 signals:
  /// A control or menu item was used: its callback text ("vm3sw LoadProto") and its handle.
  void callback(const QString& text, int object);
  /// A message written to the console (not an echo), in order, on the GUI thread.
  void console_message(const QString& text);
  /// A test finished with these numbers (on the GUI thread).
  void result_reported(const velmora::TestResult& result);
  /// A figure opened, changed, was cleared or closed (FigureEvent), on the GUI
  /// thread; `claimed`: a view of the desktop shows it (no plot window of its own).
  void figure_event(int figure, int event, bool claimed);
  /// An action failed with this message (as the console has it), on the GUI thread.
  void error_reported(const QString& message);
  /// An action wrote a file.
  void file_saved(const QString& path, qulonglong bytes);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class PaneConsole;
  std::unique_ptr<Console> make_pane_console();
  /// Shows the console in `pane` (the layout's ConsolePane; nullptr: none).
  void attach_pane(QPlainTextEdit* pane);
  template <typename F>
  auto on_gui(F&& f) -> decltype(f());
  QObject* control(std::string_view tag) const;
  std::optional<FileChoice> file_dialog(bool save, std::string_view filter, std::string_view title);
  /// The file a dialog (or a queued answer, or the test hook) gives; on the GUI thread.
  std::optional<FileChoice> pick_file(bool save, std::string_view filter, std::string_view title);
  /// Moves the console text written since the last call into the pane.
  void flush_console();
  /// Keeps the pane within its bounds; `dropped`: text was dropped before it reached the pane.
  void trim_pane(bool dropped);
  void on_figure_event(Handle h, int event, bool claimed);
  void show_plot_window(Handle h, FigureEvent e);
  void sync_main_position();
  void finish_background();

  Graphics graphics_;
  std::unique_ptr<Console> console_;  // a PaneConsole
  QMainWindow* main_ = nullptr;
  Handle main_handle_ = 0;
  QPlainTextEdit* pane_ = nullptr;
  std::map<Handle, QPointer<QObject>> objects_;      // handle -> control, menu item or window
  std::map<Handle, Handle> window_of_;               // object -> its window
  std::map<std::string, Handle, std::less<>> tags_;  // tag -> first object of the main window
  std::map<std::pair<Handle, std::string>, std::any> app_data_;
  std::map<Handle, QPointer<PlotWindow>> plots_;
  std::map<Handle, QPointer<MsgboxdDialog>> boxes_;
  FileDialogHook file_dialog_hook_;
  std::vector<FileChoice> answers_;
  std::atomic<std::size_t> dialogs_cancelled_{0};
  DesktopPolicy policy_;  // figure_claim is read under claim_mutex_ (from any thread)
  std::optional<std::uint64_t> fixed_seed_;
  std::set<Handle> claimed_;  // open figures a desktop view shows; guarded by claim_mutex_
  mutable std::mutex claim_mutex_;
  std::filesystem::path working_folder_;
  mutable std::mutex console_mutex_;  // guards the four below
  std::string console_text_;
  std::string console_pending_;   // written, not yet in the pane
  bool console_dropped_ = false;  // some of it was dropped on the way
  bool console_flush_posted_ = false;
  bool watch_ = false;

  // Long work.
  bool busy_ = false;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> worker_done_{true};
  std::atomic<std::int64_t> done_{0}, total_{0};
  std::unique_ptr<std::thread> worker_;
  QProgressDialog* progress_ = nullptr;
  QTimer* progress_timer_ = nullptr;
  QElapsedTimer progress_clock_;
  std::function<void()> after_background_;
};

}  // namespace velmora
