#include "stats/fcdf.h"

#include <cmath>
#include <limits>
#include <vector>

#include "runtime/error.h"
#include "stats/chi2cdf.h"
#include "stats/distchck.h"
#include "stats/special_functions.h"

namespace velmora {
namespace {

// The elements of m where mask holds, as a column (the order of the array).
Eigen::MatrixXd pick(const Eigen::MatrixXd& m, const std::vector<Eigen::Index>& at) {
  Eigen::MatrixXd out(static_cast<Eigen::Index>(at.size()), 1);
  for (size_t i = 0; i < at.size(); ++i) out(static_cast<Eigen::Index>(i), 0) = m(at[i]);
  return out;
}

}  // namespace

Eigen::MatrixXd fcdf(const Eigen::MatrixXd& x_in, const Eigen::MatrixXd& v1_in, const Eigen::MatrixXd& v2_in) {
  const CheckedArguments checked = distchck(3, {x_in, v1_in, v2_in}, 3);
  if (checked.errorcode > 0) throw RuntimeError("Requires non-scalar arguments to match in size.");
  const Eigen::MatrixXd& x = checked.arguments[0];
  const Eigen::MatrixXd& v1 = checked.arguments[1];
  const Eigen::MatrixXd& v2 = checked.arguments[2];
  const Eigen::Index n = x.size();

  Eigen::MatrixXd p = Eigen::MatrixXd::Zero(x.rows(), x.cols());
  std::vector<bool> invalid(static_cast<size_t>(n));
  for (Eigen::Index k = 0; k < n; ++k) {
    // A NaN degree of freedom is not caught here, only a NaN value.
    invalid[k] = v1(k) <= 0 || v2(k) <= 0 || std::isnan(x(k));
    if (invalid[k]) p(k) = std::numeric_limits<double>::quiet_NaN();
  }

  // Both degrees of freedom finite.
  for (Eigen::Index k = 0; k < n; ++k) {
    if (x(k) > 0 && !invalid[k] && std::isfinite(v1(k)) && std::isfinite(v2(k))) {
      const double xx = x(k) / (x(k) + v2(k) / v1(k));
      p(k) = detail::betainc(xx, v1(k) / 2, v2(k) / 2);
    }
  }

  // The limits for infinite degrees of freedom, looked at only when some
  // degree of freedom anywhere in the arrays is not finite.
  if (!v1.allFinite() || !v2.allFinite()) {
    std::vector<Eigen::Index> only_v2, only_v1, both;
    for (Eigen::Index k = 0; k < n; ++k) {
      if (!(x(k) > 0) || invalid[k]) continue;
      const bool f1 = std::isfinite(v1(k)), f2 = std::isfinite(v2(k));
      if (f1 && !f2 && v2(k) > 0) only_v2.push_back(k);
      if (!f1 && v1(k) > 0 && f2) only_v1.push_back(k);
      if (!f1 && v1(k) > 0 && !f2 && v2(k) > 0) both.push_back(k);
    }
    if (!only_v2.empty()) {
      const Eigen::MatrixXd v = pick(v1, only_v2);
      const Eigen::MatrixXd c = chi2cdf(v.cwiseProduct(pick(x, only_v2)), v);
      for (size_t i = 0; i < only_v2.size(); ++i) p(only_v2[i]) = c(static_cast<Eigen::Index>(i));
    }
    if (!only_v1.empty()) {
      const Eigen::MatrixXd v = pick(v2, only_v1);
      const Eigen::MatrixXd c = chi2cdf(v.cwiseQuotient(pick(x, only_v1)), v);
      for (size_t i = 0; i < only_v1.size(); ++i) p(only_v1[i]) = 1 - c(static_cast<Eigen::Index>(i));
    }
    for (Eigen::Index k : both) p(k) = x(k) >= 1 ? 1 : 0;
  }
  return p;
}

}  // namespace velmora
