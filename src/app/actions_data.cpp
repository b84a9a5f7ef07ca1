// Glue between the dispatcher and the loading actions.
#include "app/actions.h"
#include "io/load_file1.h"
#include "io/load_file2.h"
#include "io/load_proto.h"
#include "io/mfloadtxt.h"

namespace velmora::actions {

void load_proto(WorkingState& s, UiPort& ui) {
  std::optional<LoadedProtocol> loaded = velmora::load_proto(ui);
  if (!loaded) return;  // the dialog was cancelled: nothing changes
  s.proto = std::move(loaded->proto);
  s.sources.protocol = ui.working_folder() / loaded->fnamewire;
  const Handle nh = ui.control_handle("BigBox");
  ui.console().echo("nh", static_cast<double>(nh));
  ui.set_control_string("BigBox", loaded->report);
}

namespace {

// A new first sample replaces the old one whole (a smaller sample leaves no
// stale specimens behind), unslid, and switches the wireframe off. The curve starts come
// back as the whole kept row, its first N+1 entries new.
void keep_first_sample(WorkingState& s, FirstSample&& sample, UiPort& ui, int dims) {
  s.rbreak = std::move(sample.rbreak);
  s.data1 = std::move(sample.data1);
  s.data1cs = std::move(sample.data1cs);
  s.mean1 = std::move(sample.mean1);
  s.curves1 = std::move(sample.curves1);
  s.slid1.clear();
  s.wireactive = 0;
  s.sources.first = ui.working_folder() / sample.fname;
  s.sources.first_more = std::move(sample.more);
  s.sources.first_dims = dims;
  s.names1 = std::move(sample.names);
  s.columns1 = std::move(sample.columns);
}

}  // namespace

void load_file1(WorkingState& s, UiPort& ui) {
  std::optional<FirstSample> sample = load_first_sample(s.proto, ui, 3, s.rbreak);
  if (sample) keep_first_sample(s, std::move(*sample), ui, 3);
}

void load_file2d(WorkingState& s, UiPort& ui) {
  std::optional<FirstSample> sample = load_first_sample(s.proto, ui, 2, s.rbreak);
  if (sample) keep_first_sample(s, std::move(*sample), ui, 2);
}

void load_file2(WorkingState& s, UiPort& ui) {
  std::optional<SecondSample> sample = velmora::load_file2(s.mean1, ui);
  if (!sample) return;
  s.data2 = std::move(sample->data2);
  s.data2cs = std::move(sample->data2cs);
  s.mean2 = std::move(sample->mean2);
  s.sources.second = ui.working_folder() / sample->fname;
  s.sources.second_more = std::move(sample->more);
  s.sources.second_from_table = sample->from_table;
  s.names2 = std::move(sample->names);
  s.columns2 = std::move(sample->columns);
  s.curves2.clear();  // a second sample brings no clicks; sliding uses its own curve points
  s.slid2.clear();
}

void load_wire_frame(WorkingState& s, UiPort& ui) {
  std::optional<LoadedTable> loaded = mfloadtxt(ui);
  if (!loaded) return;  // cancelled: the previous table and switch stay
  s.wirelist = std::move(loaded->table);
  s.wireactive = 1;
  s.sources.wireframe = ui.working_folder() / loaded->fname;
}

}  // namespace velmora::actions
