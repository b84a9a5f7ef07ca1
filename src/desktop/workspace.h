// The study workspace: the main window of the desktop program arranged around
// the study, with docks for the action panel, the study panel, the results
// log and the console, and the study's plot in the middle. It talks to the
// study only through the dispatcher and the events of the UI port.
#pragma once

#include <QObject>
#include <QSettings>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/gui_qt.h"
#include "desktop/study_file.h"
#include "runtime/ui_port.h"

class QAbstractButton;
class QDockWidget;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QTimer;

namespace velmora {

class ConsoleView;
class PlotDock;
class ResultsLog;
class StudyPanel;
class ViewTabs;

/// Whether the study's second sample (if any) has the first sample's points.
inline bool second_fits(const StudySummary& s) {
  return s.second.empty() || s.first.empty() || s.second.points() == s.first.points();
}

class Workspace : public QObject {
  Q_OBJECT

 public:
  /// Arranges the started main window of `app`. The layout, the recent files
  /// and the console level are kept in `settings` (the user's settings when none).
  explicit Workspace(DesktopApp& app, std::unique_ptr<QSettings> settings = {});
  ~Workspace() override;

  QMainWindow& window() const;
  StudyPanel* study_panel() const { return study_; }
  ResultsLog* results_log() const { return results_; }
  ConsoleView* console() const { return console_; }
  PlotDock* plot() const { return plot_; }
  /// The central tabs: the study's plot and the analyses' pictures.
  ViewTabs* views() const { return views_; }
  QDockWidget* dock(const QString& name) const;
  /// The panel's button of an action, nullptr when it has none.
  QAbstractButton* button(const std::string& action) const;

  /// Whether an action can run now; if not, `why` says what to load first.
  bool can_run(const std::string& action, std::string* why = nullptr) const;

  /// Opens a study file: empties the study and replays its loads. The loads
  /// that can run run; the others are listed in one message. False when the
  /// file cannot be read as a study (a message says why).
  bool open_study(const std::filesystem::path& file);
  /// The study as a study file would hold it.
  StudyFile current_study() const;
  /// Writes the study file; throws RuntimeError naming it.
  void save_study(const std::filesystem::path& file);
  /// Loads files as if dropped on the window: each to the action that reads it
  /// (asking which when that cannot be told), a study file opened as a study.
  void load_files(const std::vector<std::filesystem::path>& files);

  /// Replaces the questions asked of the user (tests): a yes/no question, a
  /// choice among options (-1: cancelled), and a message shown.
  void set_question_hook(std::function<bool(const QString&)> hook) { question_hook_ = std::move(hook); }
  void set_choice_hook(std::function<int(const QString&, const QStringList&)> hook) { choice_hook_ = std::move(hook); }
  void set_message_hook(std::function<void(const QString&, const QString&)> hook) { message_hook_ = std::move(hook); }

  QStringList recent_files() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build_panel();
  /// The study panel and the controls of the group tests and the two-block
  /// PLS: each follows the other (factors, groups, model terms, blocks).
  void wire_study_panel();
  void build_docks();
  void build_menus();
  void fit_to_screen();
  /// Narrows the side docks until the study's plot has 40 % of the window's
  /// width and no less than its toolbar needs.
  void make_room_for_plot();
  /// Widens the study panel for the columns a table or surfaces add, while
  /// the plot keeps 40 % of the window.
  void widen_study_panel();
  void refresh_actions();
  /// The seed field's text changed: a seed fixes the resampling, anything else is refused with a note.
  void seed_typed(const QString& text);
  void refresh_recent_menu();
  /// `more`: further files picked with `file` (names in its folder), reopened with it.
  void add_recent(const std::filesystem::path& file, const std::string& action = {},
                  const std::vector<std::string>& more = {});
  /// Reopens a recent file (and the files picked with it) with the action
  /// that read it (none: as if dropped).
  void reopen_recent(const std::string& action, const FileChoice& files);

  void on_action_started(const QString& action);
  void on_action_finished(const QString& action, int outcome);
  void on_console(const QString& text);
  void on_figure(int figure, int event, bool claimed);
  /// Shows the figures the finished `action` opened in their tabs.
  void place_views(const std::string& action);
  /// Closes every analysis tab and its figure (the study they showed is gone).
  void close_views();
  /// Redraws an open shape space or mean difference when a control it shows changes.
  void watch_view_controls();
  /// Names each control of the window by its label, for the messages.
  void name_controls();
  /// A message in the desktop's words: actions and controls named by their labels.
  std::string words(const std::string& text) const;
  // The Model and Groups boxes offer the columns of a loaded specimen table.
  void offer_table_columns();
  void post_message(const QString& text, bool from_console);
  QString done_line(const std::string& action, int outcome) const;

  /// Runs one action now, with the file dialogs it opens answered by `answers`.
  int run_action(const std::string& action, const std::vector<std::filesystem::path>& answers = {});
  /// The same with whole choices (a pick of several files as one answer).
  int run_action(const std::string& action, std::vector<FileChoice> answers);
  bool question(const QString& text);
  int choice(const QString& text, const QStringList& options);
  void message(const QString& title, const QString& text);
  bool close_requested();
  void open_study_dialog();
  void save_study_dialog();
  void set_study_file(const std::filesystem::path& file);

  DesktopApp& app_;
  std::unique_ptr<QSettings> settings_;
  PlotDock* plot_ = nullptr;
  ViewTabs* views_ = nullptr;
  std::vector<Handle> pending_views_;
  QTimer* redraw_timer_ = nullptr;
  std::string redraw_;  // the action to run again once its control has settled  // figures opened by the running
                        // action, not yet in a tab
  std::mutex claims_mutex_;
  std::map<Handle, std::string> claimed_by_;  // open figures shown in the window -> the action that opened them
  StudyPanel* study_ = nullptr;
  ResultsLog* results_ = nullptr;
  ConsoleView* console_ = nullptr;
  QLineEdit* seed_ = nullptr;
  QLabel* seed_note_ = nullptr;
  bool seed_bad_ = false;  // the seed field holds text that is not a seed
  QMenu* recent_menu_ = nullptr;
  QAction* save_study_ = nullptr;
  QAction* open_study_ = nullptr;
  std::map<std::string, std::vector<QObject*>> controls_;  // action -> its buttons and menu items
  std::map<std::string, QAbstractButton*> buttons_;
  std::map<std::string, std::string> control_words_;  // a control's tag -> its label
  QByteArray default_layout_;

  bool bypass_gate_ = false;
  bool quitting_ = false;
  int last_outcome_ = 0;
  std::size_t cancelled_before_ = 0;  // the port's count of cancelled dialogs when the action started
  std::vector<QString> errors_;       // error texts reported, to mark their console lines
  std::filesystem::path study_file_;
  std::filesystem::path table_file_;  // the specimen table last loaded (from its result), for study files

  std::function<bool(const QString&)> question_hook_;
  std::function<int(const QString&, const QStringList&)> choice_hook_;
  std::function<void(const QString&, const QString&)> message_hook_;
};

}  // namespace velmora
