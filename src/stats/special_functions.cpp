#include "stats/special_functions.h"

#include <boost/math/special_functions/beta.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <limits>

namespace velmora::detail {
namespace {

namespace policies = boost::math::policies;

// Every error becomes a returned value (NaN for a domain error) instead of an
// exception, so that bad parameters cannot stop an action.
using NoThrow = policies::policy<
    policies::domain_error<policies::ignore_error>, policies::pole_error<policies::ignore_error>,
    policies::overflow_error<policies::ignore_error>, policies::underflow_error<policies::ignore_error>,
    policies::denorm_error<policies::ignore_error>, policies::evaluation_error<policies::ignore_error>,
    policies::rounding_error<policies::ignore_error>, policies::indeterminate_result_error<policies::ignore_error>>;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

double betainc(double x, double a, double b) {
  if (std::isnan(x) || std::isnan(a) || std::isnan(b)) return kNaN;
  if (!(x >= 0 && x <= 1) || !(a >= 0) || !(b >= 0)) return kNaN;
  if (std::isinf(a) || std::isinf(b)) return kNaN;
  return boost::math::ibeta(a, b, x, NoThrow());
}

double gammainc(double x, double a) {
  if (std::isnan(x) || std::isnan(a) || x < 0 || !(a >= 0) || std::isinf(a)) return kNaN;
  if (std::isinf(x)) return 1;
  if (a == 0) return x > 0 ? 1 : kNaN;
  return boost::math::gamma_p(a, x, NoThrow());
}

}  // namespace velmora::detail
