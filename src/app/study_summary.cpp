#include "app/study_summary.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <map>

#include "app/study_history.h"
#include "app/working_state.h"
#include "geometry/getpdistance3.h"

namespace velmora {
namespace {

SampleSummary sample_summary(const Sample& data, const Eigen::MatrixXd& mean, const Eigen::RowVectorXd& sizes,
                             const std::vector<std::string>& names, const std::string& slid,
                             std::optional<int> dimension) {
  SampleSummary out{data, mean, sizes, Eigen::RowVectorXd::Constant(data.count(), std::nan("")), names, 3, slid, {}};
  if (data.empty()) return out;
  try {
    out.distances = getpdistance3(mean, data);
  } catch (const std::exception&) {
    // A mean of another size: the distances stay NaN.
  }
  if (dimension) {
    out.dimension = *dimension;
  } else {
    bool flat = true;
    for (Eigen::Index k = 0; k < data.count() && flat; ++k) flat = data.specimen(k).col(2).isZero(0);
    out.dimension = flat ? 2 : 3;
  }
  return out;
}

bool same_sample(const SampleSummary& a, const SampleSummary& b) {
  return a.configurations == b.configurations && a.sizes.size() == b.sizes.size() && a.names == b.names &&
         a.slid == b.slid && a.dimension == b.dimension && a.surfaced == b.surfaced;
}

// Each specimen's name as the group tests match it to the table: its name
// from the file, else "specimen k".
std::vector<std::string> match_names(const std::vector<std::string>& names, Eigen::Index count) {
  if (static_cast<Eigen::Index>(names.size()) == count) return names;
  std::vector<std::string> out;
  for (Eigen::Index k = 0; k < count; ++k) out.push_back("specimen " + std::to_string(k + 1));
  return out;
}

// The table's columns beside the specimens of both samples; a table whose
// rows name no loaded specimen says why instead.
void summarize_table(const WorkingState& s, StudySummary& out) {
  const SpecimenTable& t = *s.table;
  const std::vector<std::string> first = match_names(s.names1, s.data1.count());
  std::vector<std::string> names = first;
  for (const std::string& n : match_names(s.names2, s.data2.count())) names.push_back(n);
  std::vector<int> rows(names.size(), -1);
  if (!names.empty()) {
    try {
      rows = match_specimen_table(t, names, true).row;
    } catch (const std::exception& e) {
      out.table_unmatched = e.what();
    }
  }
  for (std::size_t c = 0; c < t.columns.size(); ++c) {
    TableColumn column;
    column.name = t.columns[c];
    column.numeric = numeric_column(t, c);
    std::map<std::string, int> counts;
    for (std::size_t i = 0; i < names.size(); ++i) {
      const std::string cell = rows[i] >= 0 ? t.cells[c][static_cast<std::size_t>(rows[i])] : std::string();
      (i < first.size() ? column.first : column.second).push_back(cell);
      if (!missing_cell(cell)) ++counts[cell];
    }
    column.levels.assign(counts.begin(), counts.end());
    if (column.numeric)  // numbers in their order, not as text
      std::stable_sort(column.levels.begin(), column.levels.end(), [](const auto& a, const auto& b) {
        double x = 0, y = 0;
        number_cell(a.first, x);
        number_cell(b.first, y);
        return x < y;
      });
    out.table.push_back(std::move(column));
  }
}

// Which specimens of `count` have a surface of their own among `with`.
std::vector<bool> surfaced(const std::vector<std::string>& names, Eigen::Index count,
                           const std::vector<std::string>& with) {
  std::vector<bool> out;
  for (const std::string& n : match_names(names, count))
    out.push_back(std::find(with.begin(), with.end(), n) != with.end());
  return out;
}

}  // namespace

StudySummary summarize(const WorkingState& s) {
  StudySummary out;
  out.protocol = s.proto;
  out.sources = s.sources;
  out.first = sample_summary(s.data1, s.mean1, s.data1cs, s.names1, s.slid1, s.sources.first_dims);
  out.second = sample_summary(s.data2, s.mean2, s.data2cs, s.names2, s.slid2, std::nullopt);
  out.wireframe_segments = s.wirelist.size() == 0 ? 0 : s.wirelist.rows();
  out.wirelist = s.wirelist;
  out.plot_window = s.fighand1;
  if (s.earlier != nullptr) out.undoes = s.earlier->action;
  out.unslid_kept = s.unslid != nullptr;
  if (s.table) summarize_table(s, out);
  if (s.surfaces) {
    out.surface_reference = s.surfaces->reference_name;
    out.first.surfaced = surfaced(s.names1, s.data1.count(), s.surfaces->specimens);
    out.second.surfaced = surfaced(s.names2, s.data2.count(), s.surfaces->specimens);
  }
  return out;
}

namespace {

bool same_table(const StudySummary& a, const StudySummary& b) {
  if (a.table.size() != b.table.size() || a.table_unmatched != b.table_unmatched) return false;
  for (std::size_t c = 0; c < a.table.size(); ++c) {
    const TableColumn &x = a.table[c], &y = b.table[c];
    if (x.name != y.name || x.numeric != y.numeric || x.first != y.first || x.second != y.second) return false;
  }
  return true;
}

}  // namespace

bool same_study(const StudySummary& a, const StudySummary& b) {
  const StudySources &x = a.sources, &y = b.sources;
  return a.protocol.rows() == b.protocol.rows() && a.protocol.cols() == b.protocol.cols() && a.protocol == b.protocol &&
         x.protocol == y.protocol && x.first == y.first && x.first_more == y.first_more &&
         x.first_dims == y.first_dims && x.second == y.second && x.second_more == y.second_more &&
         x.second_from_table == y.second_from_table && x.wireframe == y.wireframe && same_sample(a.first, b.first) &&
         same_sample(a.second, b.second) && x.table == y.table && a.wireframe_segments == b.wireframe_segments &&
         same_table(a, b) && a.surface_reference == b.surface_reference;
}

}  // namespace velmora
