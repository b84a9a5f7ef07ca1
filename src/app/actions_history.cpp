// Taking changes of the study back: Undo, and the samples back as loaded
// before they were slid. The dispatcher keeps what they restore
// (app/study_history.h); the controls, the results and the plot windows stay.
#include "app/actions.h"
#include "app/study_history.h"
#include "display/campos.h"
#include "display/showshape3D.h"
#include "display/title.h"
#include "runtime/error.h"
#include "runtime/format.h"

namespace velmora::actions {
namespace {

// The study's plot as a load or a slide draws it: mean 1 and the first sample,
// in a new plot window.
void draw_first_sample(const WorkingState& s, UiPort& ui) {
  if (s.data1.empty()) return;
  Graphics& graphics = ui.graphics();
  graphics.new_figure();
  showshape3D(graphics, Sample(s.mean1), "r*");
  showshape3D(graphics, s.data1, "bo");
  if (!s.slid1.empty()) title(graphics, "Slid semilandmarks");
  if (s.sources.first_dims == 2 || s.mean1.col(2).isZero(0)) campos(graphics, Eigen::Vector3d(0, 0, 10));
}

}  // namespace

void undo(WorkingState& s, UiPort& ui) {
  if (s.earlier == nullptr)
    throw RuntimeError(
        "Undo: there is nothing to undo; no protocol, sample, wireframe or specimen table was loaded, slid or "
        "cleared since the program started.");
  const std::shared_ptr<const EarlierStudy> last = s.earlier;
  WorkingState back = *last->study;
  // What is not the study's data stays as it is now.
  back.earlier = last->before;
  back.fighand1 = s.fighand1;
  back.fname1 = s.fname1;
  back.surfaces = s.surfaces;
  back.surface = s.surface;
  s = std::move(back);
  ui.console().write(sprintf_m("Undo: the study is back as it was before %s.\n", last->action));
  draw_first_sample(s, ui);
}

void restore_unslid(WorkingState& s, UiPort& ui) {
  if (s.slid1.empty() && s.slid2.empty())
    throw RuntimeError("RestoreUnslid: the samples are not slid; they are as loaded.");
  if (s.unslid == nullptr)
    throw RuntimeError(
        "RestoreUnslid: the samples as loaded are not kept, as the second sample was loaded after the first one was "
        "slid; load the first sample again to start from unslid samples.");
  const WorkingState& loaded = *s.unslid;
  s.data1 = loaded.data1;
  s.mean1 = loaded.mean1;
  s.curves1 = loaded.curves1;
  s.slid1 = loaded.slid1;
  s.data2 = loaded.data2;
  s.mean2 = loaded.mean2;
  s.curves2 = loaded.curves2;
  s.slid2 = loaded.slid2;
  s.unslid.reset();
  ui.console().write("RestoreUnslid: the samples are back as loaded, before any sliding.\n");
  draw_first_sample(s, ui);
}

}  // namespace velmora::actions
