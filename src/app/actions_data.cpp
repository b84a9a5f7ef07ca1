// Glue between the dispatcher and the loading actions.
#include <cmath>

#include "app/actions.h"
#include "io/load_file1.h"
#include "io/load_file2.h"
#include "io/load_proto.h"
#include "io/mfloadtxt.h"
#include "io/specimen_table.h"
#include "runtime/error.h"
#include "runtime/format.h"

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

// Whether every segment of the wireframe joins two of the first sample's points.
bool wireframe_fits(const Eigen::MatrixXd& wirelist, Eigen::Index points) {
  if (wirelist.cols() < 3) return false;
  for (Eigen::Index r = 0; r < wirelist.rows(); ++r)
    for (Eigen::Index c : {1, 2}) {
      const double k = wirelist(r, c);
      if (!(k >= 1 && k <= static_cast<double>(points) && k == std::floor(k))) return false;
    }
  return true;
}

// A second sample or a wireframe made for another first sample goes when a new
// first sample comes, with a line on the console: the tests, the plots and a
// saved study see only what fits. `before`: the points of the first sample
// replaced (0: none was loaded).
void drop_what_no_longer_fits(WorkingState& s, UiPort& ui, Eigen::Index before) {
  const Eigen::Index points = s.data1.points();
  if (!s.data2.empty() && s.data2.points() != points) {
    ui.console().write(sprintf_m(
        "The second sample (file %s, %i points a specimen) no longer fits the first sample (%i points) and was "
        "dropped.\n",
        s.sources.second.filename().string(), static_cast<double>(s.data2.points()), static_cast<double>(points)));
    s.data2 = Sample();
    s.data2cs.resize(0);
    s.mean2.resize(0, 0);
    s.curves2.clear();
    s.slid2.clear();
    s.names2.clear();
    s.columns2.clear();
    s.sources.second.clear();
    s.sources.second_from_table = false;
  }
  const bool joins = wireframe_fits(s.wirelist, points);
  if (s.wirelist.size() > 0 && (!joins || (before > 0 && before != points))) {
    const std::string file = s.sources.wireframe.filename().string();
    ui.console().write(
        joins ? sprintf_m("The wireframe (file %s) was loaded for a first sample of %i points; the new one has %i, so "
                          "it no longer fits and was dropped.\n",
                          file, static_cast<double>(before), static_cast<double>(points))
              : sprintf_m("The wireframe (file %s) joins points the first sample (%i points) does not have and was "
                          "dropped.\n",
                          file, static_cast<double>(points)));
    s.wirelist.resize(0, 0);
    s.wireactive.reset();
    s.sources.wireframe.clear();
  }
}

// A sample's specimen names as the group tests match them: the file's, else "specimen k".
std::vector<std::string> names_or_numbers(const std::vector<std::string>& names, Eigen::Index count) {
  if (static_cast<Eigen::Index>(names.size()) == count) return names;
  std::vector<std::string> out;
  for (Eigen::Index i = 0; i < count; ++i) out.push_back("specimen " + std::to_string(i + 1));
  return out;
}

bool same_headers(const SpecimenColumns& a, const SpecimenColumns& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t c = 0; c < a.size(); ++c)
    if (a[c].first != b[c].first) return false;
  return true;
}

// The classifier columns of a table of coordinates (species, sex, ...) are the
// study's specimen table unless one was loaded from a file of its own: the
// first sample's rows, and the second's when it has the same columns (a second
// sample without them leaves the study without a table, as before).
void table_from_columns(WorkingState& s, UiPort& ui) {
  if (!s.sources.table.empty()) return;
  s.table.reset();
  if (s.columns1.empty()) return;
  const bool second = s.data2.count() > 0;
  if (second && !same_headers(s.columns1, s.columns2)) return;
  std::vector<std::string> names = names_or_numbers(s.names1, s.data1.count());
  SpecimenColumns columns = s.columns1;
  if (second) {
    for (const std::string& name : names_or_numbers(s.names2, s.data2.count())) names.push_back(name);
    for (std::size_t c = 0; c < columns.size(); ++c)
      columns[c].second.insert(columns[c].second.end(), s.columns2[c].second.begin(), s.columns2[c].second.end());
  }
  const std::string file = s.sources.first.filename().string();
  try {
    s.table = specimen_table_from_columns(file, names, columns);
  } catch (const RuntimeError& e) {
    ui.console().write(std::string(e.what()) + " Its columns are not used as a specimen table.\n");
    return;
  }
  std::string headers;
  for (const auto& column : columns) headers += (headers.empty() ? "" : ", ") + column.first;
  ui.console().write("The columns " + headers + " of " + file +
                     " are the study's specimen table (factors and covariates for the models).\n");
}

// A new first sample replaces the old one whole (a smaller sample leaves no
// stale specimens behind), unslid, and switches the wireframe off; a second
// sample or wireframe that does not fit it goes. The curve starts come
// back as the whole kept row, its first N+1 entries new.
void keep_first_sample(WorkingState& s, FirstSample&& sample, UiPort& ui, int dims) {
  const Eigen::Index before = s.data1.points();
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
  drop_what_no_longer_fits(s, ui, before);
  table_from_columns(s, ui);
}

}  // namespace

void load_file1(WorkingState& s, UiPort& ui) {
  std::optional<FirstSample> sample = load_first_sample(s.proto, ui, 3, s.rbreak);
  if (!sample) return;
  const int dims = sample->dims;
  keep_first_sample(s, std::move(*sample), ui, dims);
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
  table_from_columns(s, ui);
}

void load_wire_frame(WorkingState& s, UiPort& ui) {
  std::optional<LoadedTable> loaded = mfloadtxt(ui);
  if (!loaded) return;  // cancelled: the previous table and switch stay
  s.wirelist = std::move(loaded->table);
  s.wireactive = 1;
  s.sources.wireframe = ui.working_folder() / loaded->fname;
}

}  // namespace velmora::actions
