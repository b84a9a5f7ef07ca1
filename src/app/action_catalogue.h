// The action catalogue: every fact about an action of the main window, one row
// each, in the order the dispatcher compares their names. The dispatcher runs
// a row's function, --analyze finds its tests here, the desktop program reads
// which actions run in the background, what each needs loaded, the look of its
// file dialog, whether its figure is the study's plot and what it loads; the
// desktop adds only a button label, a tooltip and a panel group.
//
// Adding an action:
//   1. write its core function (src/io, src/geometry, src/stats or
//      src/display) and a line of glue `void NAME(WorkingState&, UiPort&)` in
//      app/actions_*.cpp, declared in app/actions.h;
//   2. append one row at the END of the table in action_catalogue.cpp (the
//      order of comparison is part of the batch contract: the first equal name
//      runs, and the rows above keep their places), naming only the members
//      that differ from ActionRow's defaults: what it needs, `background` for
//      long work, its dialog's look, the control tags it reads and writes;
//   3. give it a menu item in resources/Velmora3d.ui (`callback` property
//      "vm3sw NAME") and, if it wants words other than its name, a row in
//      desktop/action_table.cpp (label, tooltip, group);
//   4. name it in one of the example scripts (examples_test checks each action
//      is run by a script).
// The catalogue's test checks the layout file's menu items and the control
// tags of every row, and runs the example scripts to hold each row to the
// tags its action touches and the dialogs it opens.
#pragma once

#include <string_view>
#include <vector>

#include "runtime/ui_port.h"

namespace velmora {

struct WorkingState;

/// How an action ended: it succeeded, it failed (the study is as it was), or
/// no action has its name.
enum class Outcome { done, failed, unknown };

/// What must be loaded (or open) before an action can run.
enum class Needs { nothing, protocol, first_sample, second_sample, plot_window };

/// The part of the study an action replaces when it succeeds.
enum class StudyPart {
  none,
  protocol,          // LoadProto
  first_sample,      // LoadFile1, LoadFile2D
  second_sample,     // LoadFile2
  wireframe,         // LoadWireFrame
  samples,           // both samples slid in place (SlideSamples), or back as loaded (RestoreUnslid)
  all_but_protocol,  // Clear: the samples, wireframe and plot go, the protocol stays
  specimen_table,    // LoadSpecimenTable
  earlier_study,     // Undo: the whole study as it was before its last change of data
};

/// True when a row's action changes the study's data (what Undo takes back).
inline bool changes_data(StudyPart part) { return part != StudyPart::none && part != StudyPart::earlier_study; }

/// The file dialog an action opens, as the desktop shows it: its title and
/// its filters ("Name (*.ext);;All files (*)"). The action's own filter and
/// title (the batch contract's) are those the action passes to the port.
struct DialogLook {
  enum Kind { none, open, save };
  Kind kind = none;
  std::string_view title;
  std::string_view filters;
  /// The filters while ZEPButton asks for a table of flat rows (LoadFile2);
  /// empty: `filters` either way.
  std::string_view table_filters;
  /// An open dialog in which several files may be picked (formats of one
  /// specimen a file: markups, .pts).
  bool several = false;
  /// The action opens more than one dialog, each titled by the action itself:
  /// the desktop shows the action's own titles and filters.
  bool own_titles = false;
};

/// One action: the function the dispatcher runs on a copy of the working state.
using ActionFunction = void (*)(WorkingState&, UiPort&);

struct ActionRow {
  std::string_view name;  // as scripts, callbacks and --analyze name it ("LoadFile1")
  ActionFunction run = nullptr;
  Needs needs = Needs::nothing;
  /// Runs off the GUI thread in the desktop (a long computation that reports
  /// progress and can be cancelled); batch runs it in line as every other.
  bool background = false;
  /// The figure it opens is the study's plot (docked in the desktop's window).
  bool draws_study_plot = false;
  /// Draws resampling sets from the seed (--analyze says which seed it used).
  bool resampling = false;
  /// Its test result is logged with the study's files; the log's line says
  /// it finished.
  bool logs_result = false;
  /// What it replaces in the study when it succeeds; a row with an open dialog
  /// that replaces a part reads that part from the chosen file.
  StudyPart replaces = StudyPart::none;
  DialogLook dialog;
  /// The main window's controls (tags) it reads and writes.
  std::vector<std::string_view> reads;
  std::vector<std::string_view> writes;
  /// Its name in --analyze --tests ("goodall"); empty: not a test there.
  std::string_view analyze_test;
};

/// Every action, in the order the dispatcher compares the names: the 35, then
/// the ones added after them.
const std::vector<ActionRow>& action_catalogue();

/// The first row named exactly `name`; nullptr when none is.
const ActionRow* find_action(std::string_view name);

/// True when the action loads a part of the study from a file it asks for.
inline bool is_load(const ActionRow& row) {
  return row.dialog.kind == DialogLook::open && row.replaces != StudyPart::none;
}

}  // namespace velmora
