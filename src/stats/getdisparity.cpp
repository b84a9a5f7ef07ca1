#include "stats/getdisparity.h"

#include "geometry/getpdistance3.h"
#include "stats/result_texts.h"

namespace velmora {

double sample_variance(const Eigen::MatrixXd& mean, const Sample& data) {
  const Eigen::RowVectorXd d = getpdistance3(mean, data);
  double squares = 0;
  for (Eigen::Index i = 0; i < d.size(); ++i) squares += d(i) * d(i);
  return squares / static_cast<double>(d.size() - 1);
}

void disparity_action(const TwoSamples& samples, UiPort& ui) {
  check_samples("GetDisparity", samples);
  check_comparison("GetDisparity", samples, {.each = 2, .total = 4, .variation = false});
  const double d1 = sample_variance(samples.mean1, samples.data1);
  const double d2 = sample_variance(samples.mean2, samples.data2);
  ui.set_pointer("arrow");
  const std::string stemp = disparity_text(d1, d2);
  ui.console().echo("stemp", stemp);
  ui.set_control_string("ResultsBox", stemp);
  ui.result({"GetDisparity", {{"variance1", d1}, {"variance2", d2}}});
}

}  // namespace velmora
