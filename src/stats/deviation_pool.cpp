#include "stats/deviation_pool.h"

#include "geometry/vertxy3D.h"
#include "geometry/x1y1z1.h"

namespace velmora {

Sample deviation_pool(const TwoSamples& samples, std::vector<std::string>* names) {
  const Sample& data1 = samples.data1;
  const Sample& data2 = samples.data2;
  const Eigen::Index n1 = data1.count(), n2 = data2.count(), tcnt = n1 + n2;
  const Eigen::RowVectorXd flat_mean1 = x1y1z1(samples.mean1, 1);
  const Eigen::RowVectorXd flat_mean2 = x1y1z1(samples.mean2, 1);
  // The last column carries the centroid size less 1; vertxy3D drops it.
  Eigen::MatrixXd ctemp(tcnt, flat_mean1.size());
  for (Eigen::Index i = 0; i < n1; ++i) ctemp.row(i) = x1y1z1(data1.specimen(i), samples.data1cs(i)) - flat_mean1;
  for (Eigen::Index i = 0; i < n2; ++i) ctemp.row(n1 + i) = x1y1z1(data2.specimen(i), samples.data2cs(i)) - flat_mean2;

  Sample pool(data1.points(), 2 * tcnt);
  for (int g = 0; g < 2; ++g) {
    const Eigen::RowVectorXd& flat_mean = g == 0 ? flat_mean1 : flat_mean2;
    for (Eigen::Index k = 0; k < tcnt; ++k) {
      const Eigen::RowVectorXd row = ctemp.row(k) + flat_mean;
      pool.specimen(g * tcnt + k) = vertxy3D(row).specimen(0);
      if (names != nullptr)
        names->push_back("the deviation of specimen " + std::to_string(k < n1 ? k + 1 : k - n1 + 1) + " of the " +
                         (k < n1 ? "first" : "second") + " sample rebuilt around the " + (g == 0 ? "first" : "second") +
                         " mean");
    }
  }
  return pool;
}

}  // namespace velmora
