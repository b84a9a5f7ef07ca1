// fcdf, chi2cdf, gamcdf and distchck: masks, NaN rules, infinite degrees of
// freedom, argument checks, and values against closed forms.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "runtime/error.h"
#include "runtime/function_table.h"
#include "stats/chi2cdf.h"
#include "stats/distchck.h"
#include "stats/fcdf.h"
#include "stats/stats_functions.h"
#include "stats/gamcdf.h"

namespace velmora {
namespace {

using Eigen::MatrixXd;
constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

MatrixXd s(double v) { return MatrixXd::Constant(1, 1, v); }
double f(double x, double v1, double v2) { return fcdf(s(x), s(v1), s(v2))(0, 0); }
double chi2(double x, double v) { return chi2cdf(s(x), s(v))(0, 0); }

// F(1, v) at t^2 is P(|T| <= t) for Student's t with v degrees of freedom,
// which has closed forms for v = 1 (Cauchy) and v = 2; F(2, v) and the
// chi-square with 2 and 4 degrees of freedom have closed forms of their own.
TEST(Fcdf, AgreesWithClosedForms) {
  for (double t : {0.1, 0.5, 1.0, 2.0, 5.0, 30.0}) {
    EXPECT_NEAR(f(t * t, 1, 1), 2 * std::atan(t) / std::numbers::pi, 1e-14) << t;
    EXPECT_NEAR(f(t * t, 1, 2), t / std::sqrt(2 + t * t), 1e-14) << t;
  }
  for (double x : {0.05, 0.7, 1.0, 3.5, 12.0})
    for (double v2 : {1.0, 4.0, 10.5, 60.0}) EXPECT_NEAR(f(x, 2, v2), 1 - std::pow(1 + 2 * x / v2, -v2 / 2), 1e-13);
  for (double x : {0.01, 0.5, 2.0, 7.0, 40.0}) {
    EXPECT_NEAR(chi2(x, 2), 1 - std::exp(-x / 2), 1e-15) << x;
    EXPECT_NEAR(chi2(x, 4), 1 - std::exp(-x / 2) * (1 + x / 2), 1e-15) << x;
    EXPECT_NEAR(gamcdf(s(x), s(1), s(3))(0, 0), 1 - std::exp(-x / 3), 1e-15) << x;
    EXPECT_NEAR(gamcdf(s(x), s(1))(0, 0), 1 - std::exp(-x), 1e-15) << x;
  }
  // A table value: the 95th percentile of F(5, 10) is 3.3258.
  EXPECT_NEAR(f(3.32583453041, 5, 10), 0.95, 1e-9);
}

// Huge degrees of freedom, where the series lose their digits or do not
// converge, against values known independently: the symmetry of F at x = 1
// with equal degrees of freedom, P(a, a) = 1/2 + 1/(3 sqrt(2 pi a)) + O(1/a)
// (Temme's expansion), and the normal limit of the chi-square and of F.
TEST(Distributions, HugeDegreesOfFreedomGiveTheirLimits) {
  const double pi = std::numbers::pi;
  const double phi1 = 0.84134474606854293;  // P(Z <= 1)
  for (double v : {1e9, 1e12, 1e20, 1e30, 1e300}) {
    EXPECT_NEAR(f(1, v, v), 0.5, 1e-15) << v;
    EXPECT_NEAR(chi2(v, v), 0.5 + 1 / (3 * std::sqrt(pi * v)), 1e-12) << v;
    EXPECT_NEAR(gamcdf(s(v), s(v))(0, 0), 0.5 + 1 / (3 * std::sqrt(2 * pi * v)), 1e-12) << v;
    if (v > 1e12) continue;  // from here on, x itself is rounded by more than the checks allow
    // The skewness that the normal limit leaves out falls as 1/sqrt(v).
    EXPECT_NEAR(chi2(v + std::sqrt(2 * v), v), phi1, 1 / std::sqrt(v)) << v;
    EXPECT_NEAR(f(1 + 2 / std::sqrt(v), v, v), phi1, 1 / std::sqrt(v)) << v;
  }
  // Every result lies in [0, 1], however large or lopsided the parameters.
  for (double v1 : {1.0, 3.5, 1e5, 1e9, 1e15, 1e30})
    for (double v2 : {1.0, 2.5, 1e6, 1e10, 1e20, 1e300})
      for (double x : {1e-30, 1e-8, 0.3, 1.0, 3.0, 1e8, 1e30}) {
        const double p = f(x, v1, v2), c = chi2(x * v1, v1);
        EXPECT_TRUE(p >= 0 && p <= 1) << x << " " << v1 << " " << v2 << ": " << p;
        EXPECT_TRUE(c >= 0 && c <= 1) << x * v1 << " " << v1 << ": " << c;
      }
}

TEST(Fcdf, EdgeCases) {
  struct Case {
    double x, v1, v2, expected;
  };
  const Case cases[] = {
      {0, 5, 10, 0},        {-3, 5, 10, 0},       // x <= 0 with valid degrees of freedom
      {2, 0, 10, kNaN},     {2, -1, 10, kNaN},    // a degree of freedom <= 0
      {2, 5, 0, kNaN},      {kNaN, 5, 10, kNaN},  // NaN value
      {2, kNaN, 10, 0},     {2, 5, kNaN, 0},      // a NaN degree of freedom matches no mask
      {0.5, kInf, kInf, 0}, {1, kInf, kInf, 1},   // both infinite: a step at 1
      {3, kInf, kInf, 1},   {-1, kInf, kInf, 0},  //
      {2, -kInf, 10, kNaN},                       // -Inf is <= 0
  };
  for (const Case& c : cases) {
    const double p = f(c.x, c.v1, c.v2);
    if (std::isnan(c.expected))
      EXPECT_TRUE(std::isnan(p)) << c.x << " " << c.v1 << " " << c.v2;
    else
      EXPECT_EQ(p, c.expected) << c.x << " " << c.v1 << " " << c.v2;
  }
  // One infinite degree of freedom: the chi-square limits.
  for (double x : {0.3, 1.0, 2.5}) {
    EXPECT_NEAR(f(x, 4, kInf), chi2(4 * x, 4), 1e-15);
    EXPECT_NEAR(f(x, kInf, 6), 1 - chi2(6 / x, 6), 1e-15);
  }
  // Large finite degrees of freedom approach the limit.
  EXPECT_NEAR(f(1.5, 4, 1e7), chi2(6, 4), 1e-5);
  // The Goodall p value 1 - fcdf at F = 0 is exactly 1.
  EXPECT_EQ(1 - f(0, 83, 1660), 1);
}

TEST(Fcdf, ExpandsScalarsAndChecksSizes) {
  MatrixXd x(1, 3);
  x << 1, 2, 3;
  const MatrixXd p = fcdf(x, s(5), s(10));
  ASSERT_EQ(p.rows(), 1);
  ASSERT_EQ(p.cols(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(p(0, i), f(x(0, i), 5, 10));
  // Mixed masks in one array: the later masks do not disturb the others.
  MatrixXd xs(2, 2), v1(2, 2);
  xs << 2, 2, -1, kNaN;
  v1 << 5, kInf, 5, 5;
  const MatrixXd q = fcdf(xs, v1, s(10));
  EXPECT_EQ(q(0, 0), f(2, 5, 10));
  EXPECT_EQ(q(0, 1), 1 - chi2(5, 10));
  EXPECT_EQ(q(1, 0), 0);
  EXPECT_TRUE(std::isnan(q(1, 1)));

  MatrixXd v(1, 2);
  v << 5, 6;
  for (auto call : {+[](const MatrixXd&a, const MatrixXd&b) { return fcdf(a, b, s(10)); },
                    +[](const MatrixXd&a, const MatrixXd&b) { return chi2cdf(a, b); },
                    +[](const MatrixXd&a, const MatrixXd&b) { return gamcdf(a, b); }}) {
    try {
      call(x, v);
      ADD_FAILURE() << "no error for arrays of different sizes";
    } catch (const RuntimeError& e) {
      EXPECT_STREQ(e.what(), "Requires non-scalar arguments to match in size.");
    }
  }
}

TEST(Gamcdf, InvalidParametersAndTheNonFiniteRule) {
  EXPECT_TRUE(std::isnan(gamcdf(s(1), s(0), s(1))(0, 0)));
  EXPECT_TRUE(std::isnan(gamcdf(s(1), s(2), s(-1))(0, 0)));
  EXPECT_EQ(gamcdf(s(-2), s(2))(0, 0), 0);
  EXPECT_EQ(gamcdf(s(kInf), s(2))(0, 0), 1);
  EXPECT_EQ(chi2(3.7, 5), gamcdf(s(3.7), s(2.5), s(2))(0, 0));

  // A vector holding a non-finite value: 1 wherever x >= sqrt(realmax), even
  // where the parameters are invalid.
  MatrixXd x(1, 2), b(1, 2);
  x << 1e200, 1;
  b << -1, 1;
  const MatrixXd p = gamcdf(x, s(2), b);
  EXPECT_EQ(p(0, 0), 1);
  EXPECT_NEAR(p(0, 1), 1 - 2 * std::exp(-1), 1e-15);

  // A matrix: only when every column holds a non-finite value.
  MatrixXd xm(2, 2), bm(2, 2);
  xm << 1e200, 1, 1, 1;
  bm << -1, 1, 1, 1;
  EXPECT_TRUE(std::isnan(gamcdf(xm, s(2), bm)(0, 0)));
  bm << -1, -1, 1, 1;
  const MatrixXd pm = gamcdf(xm, s(2), bm);
  EXPECT_EQ(pm(0, 0), 1);
  EXPECT_TRUE(std::isnan(pm(0, 1)));
}

TEST(Distchck, ExpandsScalarsUpToTheFirstMismatch) {
  MatrixXd a(2, 1), b(1, 2), c(2, 1);
  a << 1, 2;
  b << 3, 4;
  c << 5, 6;
  CheckedArguments r = distchck(3, {s(7), a, c}, 3);
  EXPECT_EQ(r.errorcode, 0);
  EXPECT_EQ(r.arguments[0], MatrixXd::Constant(2, 1, 7));
  EXPECT_EQ(r.arguments[2], c);

  r = distchck(3, {s(7), a, b}, 3);
  EXPECT_EQ(r.errorcode, 1);
  EXPECT_EQ(r.arguments[0], MatrixXd::Constant(2, 1, 7));  // expanded before the mismatch
  EXPECT_EQ(r.arguments[2], b);                            // left as given

  r = distchck(3, {s(1), s(2), s(3)}, 3);  // all scalars: unchanged
  EXPECT_EQ(r.arguments[1], s(2));

  r = distchck(1, {a, b}, 2);  // nparms 1 passes the first through
  EXPECT_EQ(r.arguments[0], a);
  EXPECT_EQ(r.arguments[1].size(), 0);
}

TEST(StatsFunctionTable, DeclaredCountsAndMessages) {
  FunctionTable table;
  register_stats_functions(table);
  struct Case {
    const char* name;
    int inputs, outputs;
    const char* message;
  };
  const Case cases[] = {
      {"fcdf", 4, 1, "The function \"fcdf\" was called with more than the declared number of inputs (3)."},
      {"fcdf", 3, 2, "The function \"fcdf\" was called with more than the declared number of outputs (1)."},
      {"chi2cdf", 3, 1, "The function \"chi2cdf\" was called with more than the declared number of inputs (2)."},
      {"gamcdf", 4, 1, "The function \"gamcdf\" was called with more than the declared number of inputs (3)."},
      {"fcdf", 2, 1, "Requires three input arguments."},
      {"chi2cdf", 1, 1, "Requires two input arguments."},
      {"gamcdf", 1, 1, "Requires at least two input arguments."},
  };
  for (const Case& c : cases) {
    std::vector<Value> args(c.inputs, Value(s(1)));
    try {
      table.call(c.name, args, c.outputs);
      ADD_FAILURE() << c.name << " " << c.inputs;
    } catch (const RuntimeError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  const auto out = table.call("distchck", {s(2), s(3), Value(MatrixXd::Ones(2, 2))}, 3);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(std::get<MatrixXd>(out[0])(0, 0), 0);
  EXPECT_EQ(std::get<MatrixXd>(out[1]), MatrixXd::Constant(2, 2, 3));
  const auto g = table.call("gamcdf", {s(2), s(1)}, 1);
  EXPECT_NEAR(std::get<MatrixXd>(g[0])(0, 0), 1 - std::exp(-2), 1e-15);
}

}  // namespace
}  // namespace velmora
