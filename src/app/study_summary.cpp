#include "app/study_summary.h"

#include <cmath>
#include <exception>

#include "app/study_history.h"
#include "app/working_state.h"
#include "geometry/getpdistance3.h"

namespace velmora {
namespace {

SampleSummary sample_summary(const Sample& data, const Eigen::MatrixXd& mean, const Eigen::RowVectorXd& sizes,
                             const std::vector<std::string>& names, const std::string& slid,
                             std::optional<int> dimension) {
  SampleSummary out{data, mean, sizes, Eigen::RowVectorXd::Constant(data.count(), std::nan("")), names, 3, slid};
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
         a.slid == b.slid && a.dimension == b.dimension;
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
  return out;
}

bool same_study(const StudySummary& a, const StudySummary& b) {
  const StudySources &x = a.sources, &y = b.sources;
  return a.protocol.rows() == b.protocol.rows() && a.protocol.cols() == b.protocol.cols() && a.protocol == b.protocol &&
         x.protocol == y.protocol && x.first == y.first && x.first_dims == y.first_dims && x.second == y.second &&
         x.second_from_table == y.second_from_table && x.wireframe == y.wireframe && same_sample(a.first, b.first) &&
         same_sample(a.second, b.second) && a.wireframe_segments == b.wireframe_segments && a.groups == b.groups;
}

}  // namespace velmora
