// Glue between the dispatcher and the saving actions: each reads the study,
// runs the action of src/geometry and keeps the name chosen in its dialog.
#include "app/actions.h"
#include "geometry/save_actions.h"

namespace velmora::actions {
namespace {

/// The chosen name, or 0 after a cancelled dialog.
void keep_name(WorkingState& s, const SaveOutcome& outcome) {
  if (outcome.fname1)
    s.fname1 = *outcome.fname1;
  else
    s.fname1 = 0.0;
}

}  // namespace

void save_file1(WorkingState& s, UiPort& ui) { keep_name(s, velmora::save_file1(s.data1, s.data1cs, ui)); }

void save_file2d(WorkingState& s, UiPort& ui) { keep_name(s, velmora::save_file2d(s.data1, s.data1cs, ui)); }

void save_aligned_file1(WorkingState& s, UiPort& ui) {
  keep_name(s, velmora::save_aligned_file1(s.data1, s.data1cs, s.mean1, s.proto, s.rbreak, ui));
}

void save_aligned_file2d(WorkingState& s, UiPort& ui) {
  keep_name(s, velmora::save_aligned_file2d(s.data1, s.data1cs, s.mean1, s.proto, s.rbreak, ui));
}

void save_file2(WorkingState& s, UiPort& ui) { keep_name(s, velmora::save_file2(s.data2, s.data2cs, ui)); }

}  // namespace velmora::actions
