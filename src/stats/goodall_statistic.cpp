#include "stats/goodall_statistic.h"

#include "geometry/getpdistance3.h"

namespace velmora {

GoodallStatistic goodall_statistic(const TwoSamples& s) {
  GoodallStatistic g;
  g.db = getpdistance3(s.mean1, Sample(s.mean2))(0);
  const Eigen::RowVectorXd d1list = getpdistance3(s.mean1, s.data1);
  const Eigen::RowVectorXd d2list = getpdistance3(s.mean2, s.data2);
  for (Eigen::Index i = 0; i < d1list.size(); ++i) g.d1 += d1list(i) * d1list(i);
  for (Eigen::Index i = 0; i < d2list.size(); ++i) g.d2 += d2list(i) * d2list(i);
  g.k = static_cast<double>(s.data1.points());
  g.m = 3;
  g.count1 = static_cast<double>(s.data1.count());
  g.count2 = static_cast<double>(s.data2.count());
  g.fscore = ((g.count1 + g.count2 - 2) * (g.db * g.db)) / ((1 / g.count1 + 1 / g.count2) * (g.d1 + g.d2));
  return g;
}

}  // namespace velmora
