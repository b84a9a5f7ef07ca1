#include "app/study_history.h"

#include <utility>
#include <vector>

namespace velmora {
namespace {

template <typename A, typename B>
bool same_matrix(const Eigen::MatrixBase<A>& a, const Eigen::MatrixBase<B>& b) {
  return a.rows() == b.rows() && a.cols() == b.cols() && a == b;
}

bool same_sources(const StudySources& a, const StudySources& b) {
  return a.protocol == b.protocol && a.first == b.first && a.first_dims == b.first_dims && a.second == b.second &&
         a.second_from_table == b.second_from_table && a.wireframe == b.wireframe && a.table == b.table;
}

bool slid(const WorkingState& s) { return !s.slid1.empty() || !s.slid2.empty(); }

}  // namespace

bool same_data(const WorkingState& a, const WorkingState& b) {
  return same_matrix(a.proto, b.proto) && same_matrix(a.rbreak, b.rbreak) && a.data1 == b.data1 &&
         same_matrix(a.data1cs, b.data1cs) && same_matrix(a.mean1, b.mean1) && a.data2 == b.data2 &&
         same_matrix(a.data2cs, b.data2cs) && same_matrix(a.mean2, b.mean2) && same_matrix(a.wirelist, b.wirelist) &&
         a.wireactive == b.wireactive && a.slid1 == b.slid1 && a.slid2 == b.slid2 && a.names1 == b.names1 &&
         a.names2 == b.names2 && a.table.has_value() == b.table.has_value() && same_sources(a.sources, b.sources);
}

std::shared_ptr<const EarlierStudy> remember(const std::shared_ptr<const EarlierStudy>& history, std::string action,
                                             std::shared_ptr<const WorkingState> study, std::size_t most) {
  if (most == 0) return nullptr;
  auto top = std::make_shared<EarlierStudy>(EarlierStudy{std::move(action), std::move(study), history, 1});
  if (history == nullptr) return top;
  if (history->depth < most) {
    top->depth = history->depth + 1;
    return top;
  }
  // Full: the newest most - 1 changes are linked again below the new one, the
  // oldest left out (the studies they keep are shared, not copied).
  std::vector<const EarlierStudy*> kept;
  for (const EarlierStudy* e = history.get(); e != nullptr && kept.size() + 1 < most; e = e->before.get())
    kept.push_back(e);
  std::shared_ptr<const EarlierStudy> below;
  for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
    const std::size_t depth = below == nullptr ? 1 : below->depth + 1;
    below = std::make_shared<const EarlierStudy>(EarlierStudy{(*it)->action, (*it)->study, below, depth});
  }
  top->before = below;
  top->depth = below == nullptr ? 1 : below->depth + 1;
  return top;
}

void remember_change(const ActionRow& row, WorkingState&& before, WorkingState& after) {
  if (!changes_data(row.replaces) || same_data(before, after)) return;
  std::shared_ptr<const EarlierStudy> history = std::exchange(before.earlier, nullptr);
  const bool slid_before = slid(before);
  auto kept = std::make_shared<const WorkingState>(std::move(before));
  switch (row.replaces) {
    case StudyPart::first_sample:
    case StudyPart::second_sample:
    case StudyPart::all_but_protocol:
      // Samples just loaded (or gone) are as loaded: what was kept of the old ones no longer applies.
      after.unslid.reset();
      break;
    default:
      if (!slid(after))
        after.unslid.reset();
      else if (!slid_before)
        after.unslid = kept;  // the first slide since the samples were loaded
      break;
  }
  after.earlier = remember(history, std::string(row.name), std::move(kept));
}

}  // namespace velmora
