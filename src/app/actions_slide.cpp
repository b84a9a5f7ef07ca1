// Glue between the dispatcher and the sliding of the semilandmarks.
#include "app/actions.h"
#include "geometry/slide_study.h"
#include "runtime/busy_pointer.h"

namespace velmora::actions {

// The slid samples, their means and carried curves replace the study's as one
// change; the centroid sizes are those measured at loading and stay.
void slide_samples(WorkingState& s, UiPort& ui) {
  std::optional<SlidStudy> slid;
  {
    detail::BusyPointer pointer(ui);
    slid = slide_study(s.proto, s.rbreak, s.data1, s.curves1, s.data2, s.curves2, ui);
  }
  if (!slid) return;  // cancelled: nothing changes
  SlidSamples& r = slid->samples;
  s.data1 = std::move(r.first.aligned);
  s.mean1 = std::move(r.first.mean);
  s.curves1 = std::move(r.curves1);
  s.slid1 = slid->notice;
  if (!s.data2.empty()) {
    s.data2 = std::move(r.second.aligned);
    s.mean2 = std::move(r.second.mean);
    s.curves2 = std::move(r.curves2);
    s.slid2 = slid->notice;
  }
}

}  // namespace velmora::actions
