// Procrustes ANOVA and pairwise group distances: the sums of squares of small
// designs against sums worked out by hand, type I order, the n x n path against
// the permuted data fitted directly, repeatability by seed, and the formulas
// and designs that are refused.
#include "stats/procrustes_anova.h"

#include <gtest/gtest.h>

#include <map>

#include "support/error_of.h"
#include "support/normal_rows.h"
#include "runtime/random.h"

namespace velmora {
namespace {

using testing::error_of;
using testing::normal_rows;

Variable factor(const std::string& name, std::vector<std::string> levels) {
  return {name, true, std::move(levels), {}};
}
Variable covariate(const std::string& name, Eigen::VectorXd values) { return {name, false, {}, std::move(values)}; }

ProcrustesAnova fit(const Eigen::MatrixXd& y, const std::string& model, const std::vector<Variable>& vars,
                    std::int64_t arrangements = 1, std::uint64_t seed = 1) {
  return procrustes_anova(centred_cross_product(y), model_design(parse_model_formula(model), vars), arrangements, seed);
}

// Sum of squared deviations of the rows from the mean of their cell.
double within(const Eigen::MatrixXd& y, const std::vector<std::string>& cell) {
  std::map<std::string, std::pair<Eigen::RowVectorXd, int>> sums;
  for (Eigen::Index i = 0; i < y.rows(); ++i) {
    auto& [sum, count] = sums.try_emplace(cell[i], Eigen::RowVectorXd::Zero(y.cols()), 0).first->second;
    sum += y.row(i);
    ++count;
  }
  double ss = 0;
  for (Eigen::Index i = 0; i < y.rows(); ++i) {
    const auto& [sum, count] = sums.at(cell[i]);
    ss += (y.row(i) - sum / count).squaredNorm();
  }
  return ss;
}

// Residual sum of squares of a least-squares fit of y on the columns of x.
double rss(const Eigen::MatrixXd& x, const Eigen::MatrixXd& y) {
  return (y - x * x.colPivHouseholderQr().solve(y)).squaredNorm();
}

TEST(ProcrustesAnova, OneWayUnbalancedMatchesSumsByHand) {
  const std::vector<std::string> g = {"a", "b", "b", "c", "a", "b", "c", "c", "c"};
  const Eigen::MatrixXd y = normal_rows(9, 4, 3);
  const ProcrustesAnova a = fit(y, "g", {factor("g", g)});
  const double total = (y.rowwise() - y.colwise().mean()).squaredNorm();
  const double resid = within(y, g);
  ASSERT_EQ(a.terms, std::vector<std::string>{"g"});
  EXPECT_EQ(a.df[0], 2);
  EXPECT_EQ(a.residual_df, 6);
  EXPECT_EQ(a.total_df, 8);
  EXPECT_NEAR(a.total_ss, total, 1e-12);
  EXPECT_NEAR(a.ss[0], total - resid, 1e-12);
  EXPECT_NEAR(a.residual_ss, resid, 1e-12);
  EXPECT_NEAR(a.rsq[0], (total - resid) / total, 1e-12);
  EXPECT_NEAR(a.f[0], ((total - resid) / 2) / (resid / 6), 1e-10);
  EXPECT_EQ(a.p[0], 1.0);  // the observed arrangement alone
}

TEST(ProcrustesAnova, TwoWayWithInteractionUnbalanced) {
  const std::vector<std::string> a = {"x", "x", "x", "y", "y", "x", "y", "y", "y", "x", "x", "y", "y"};
  const std::vector<std::string> b = {"p", "q", "p", "p", "q", "q", "q", "p", "q", "p", "q", "q", "p"};
  const Eigen::Index n = 13;
  const Eigen::MatrixXd y = normal_rows(n, 5, 4);
  // Treatment-coded columns written out: intercept, a = y, b = q.
  Eigen::MatrixXd x1(n, 1), x2(n, 2), x3(n, 3);
  for (Eigen::Index i = 0; i < n; ++i) {
    x3.row(i) << 1, a[i] == "y", b[i] == "q";
  }
  x1 = x3.leftCols(1);
  x2 = x3.leftCols(2);
  std::vector<std::string> cells;
  for (Eigen::Index i = 0; i < n; ++i) cells.push_back(a[i] + b[i]);
  const double r0 = rss(x1, y), r1 = rss(x2, y), r2 = rss(x3, y), r3 = within(y, cells);

  const ProcrustesAnova t = fit(y, "a * b", {factor("a", a), factor("b", b)});
  ASSERT_EQ(t.terms, (std::vector<std::string>{"a", "b", "a:b"}));
  EXPECT_NEAR(t.ss[0], r0 - r1, 1e-12);
  EXPECT_NEAR(t.ss[1], r1 - r2, 1e-12);
  EXPECT_NEAR(t.ss[2], r2 - r3, 1e-12);
  EXPECT_NEAR(t.residual_ss, r3, 1e-12);
  EXPECT_EQ(t.df, (std::vector<double>{1, 1, 1}));
  EXPECT_EQ(t.residual_df, n - 4);
  EXPECT_NEAR(t.f[2], (r2 - r3) / (r3 / (n - 4)), 1e-10);
  EXPECT_NEAR(t.rsq[1], (r1 - r2) / r0, 1e-12);
}

TEST(ProcrustesAnova, SequentialOrderMattersForCorrelatedTerms) {
  const std::vector<std::string> g = {"a", "a", "a", "a", "b", "b", "b", "b", "b", "a"};
  Eigen::VectorXd x(10);
  x << 1, 2, 1.5, 2.5, 5, 6, 5.5, 4, 6.5, 3;  // larger in group b
  const Eigen::MatrixXd y = normal_rows(10, 3, 5);
  const std::vector<Variable> vars = {factor("g", g), covariate("x", x)};
  const ProcrustesAnova first = fit(y, "g + x", vars), second = fit(y, "x + g", vars);
  EXPECT_GT(std::abs(first.ss[0] - second.ss[1]), 1e-3);  // g before x explains another amount than after it
  EXPECT_NEAR(first.ss[0] + first.ss[1], second.ss[0] + second.ss[1], 1e-12);
  EXPECT_NEAR(first.residual_ss, second.residual_ss, 1e-12);
}

// F of one arrangement worked out on the permuted data themselves.
double direct_f(const Eigen::MatrixXd& y, const Eigen::MatrixXd& reduced, const Eigen::MatrixXd& full,
                const Eigen::MatrixXd& model, const std::vector<int>& perm, double df) {
  const Eigen::MatrixXd fitted = reduced * reduced.colPivHouseholderQr().solve(y);
  const Eigen::MatrixXd resid = y - fitted;
  Eigen::MatrixXd moved(y.rows(), y.cols());
  for (Eigen::Index i = 0; i < y.rows(); ++i) moved.row(i) = fitted.row(i) + resid.row(perm[i]);
  const double ss = rss(reduced, moved) - rss(full, moved);
  const double rdf = static_cast<double>(y.rows() - model.cols());
  return (ss / df) / (rss(model, moved) / rdf);
}

TEST(ProcrustesAnova, CrossProductPathEqualsPermutedDataFittedDirectly) {
  const Eigen::Index n = 24;
  std::vector<std::string> g;
  Eigen::VectorXd x(n);
  for (Eigen::Index i = 0; i < n; ++i) {
    g.push_back(std::string(1, static_cast<char>('a' + i % 3)));
    x(i) = std::sin(1.7 * static_cast<double>(i));
  }
  const Eigen::MatrixXd y = normal_rows(n, 30, 6);
  const std::uint64_t seed = 77;
  const ProcrustesAnova a = fit(y, "x + g", {factor("g", g), covariate("x", x)}, 50, seed);
  Eigen::MatrixXd m0 = Eigen::MatrixXd::Ones(n, 1), m1(n, 2), m2(n, 4);
  for (Eigen::Index i = 0; i < n; ++i) {
    m1.row(i) << 1, x(i);
    m2.row(i) << 1, x(i), g[i] == "b", g[i] == "c";
  }
  for (std::uint64_t s : {0, 1, 17, 49}) {
    std::vector<int> perm(n);
    for (int i = 0; i < n; ++i) perm[i] = i;
    if (s > 0) RandomStream(seed, s).permutation(static_cast<int>(n), perm);
    EXPECT_NEAR(a.f_sets[0][s], direct_f(y, m0, m1, m2, perm, 1), 1e-9 * a.f_sets[0][s]) << "arrangement " << s;
    EXPECT_NEAR(a.f_sets[1][s], direct_f(y, m1, m2, m2, perm, 2), 1e-9 * a.f_sets[1][s]) << "arrangement " << s;
  }
  // p and Z from the arrangements, as defined.
  int above = 0;
  double mean = 0, var = 0;
  for (double f : a.f_sets[1]) above += f >= a.f[1] * (1 - 1e-9), mean += std::log(f) / 50;
  for (double f : a.f_sets[1]) var += (std::log(f) - mean) * (std::log(f) - mean) / 50;
  EXPECT_DOUBLE_EQ(a.p[1], above / 50.0);
  EXPECT_NEAR(a.z[1], (std::log(a.f[1]) - mean) / std::sqrt(var), 1e-9);
}

TEST(ProcrustesAnova, SameSeedSameResultOtherSeedOtherArrangements) {
  std::vector<std::string> g;
  for (int i = 0; i < 30; ++i) g.push_back(i % 2 ? "m" : "f");
  const Eigen::MatrixXd y = normal_rows(30, 8, 7);
  const ProcrustesAnova a = fit(y, "g", {factor("g", g)}, 200, 5), b = fit(y, "g", {factor("g", g)}, 200, 5),
                        c = fit(y, "g", {factor("g", g)}, 200, 6);
  EXPECT_EQ(a.f_sets, b.f_sets);
  EXPECT_EQ(a.p, b.p);
  EXPECT_EQ(a.z, b.z);
  EXPECT_NE(a.f_sets[0][1], c.f_sets[0][1]);
  EXPECT_EQ(a.f_sets[0][0], c.f_sets[0][0]);
}

TEST(ProcrustesAnova, TiesWithTheObservedCountWithinRelativeTolerance) {
  EXPECT_DOUBLE_EQ(share_at_least({2.0, 2.0 * (1 - 1e-12), 1.0, 3.0}, 2.0), 0.75);
  EXPECT_DOUBLE_EQ(share_at_least({2.0, 2.0 * (1 - 1e-6), 1.0, 3.0}, 2.0), 0.5);
}

TEST(PairwiseGroups, DistancesOfGroupMeansAndPermutedOnes) {
  const std::vector<std::string> g = {"b", "a", "c", "a", "b", "c", "a", "b", "a", "c", "b"};
  const Eigen::Index n = 11;
  const Eigen::MatrixXd y = normal_rows(n, 6, 8);
  const PairwiseDistances d = pairwise_group_distances(centred_cross_product(y), factor("g", g), 40, 3);
  ASSERT_EQ(d.levels, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(d.counts, (std::vector<int>{4, 4, 3}));
  auto means = [&](const Eigen::MatrixXd& data) {
    std::map<std::string, Eigen::RowVectorXd> m;
    for (const auto& level : d.levels) {
      Eigen::RowVectorXd sum = Eigen::RowVectorXd::Zero(data.cols());
      int count = 0;
      for (Eigen::Index i = 0; i < n; ++i)
        if (g[i] == level) sum += data.row(i), ++count;
      m[level] = sum / count;
    }
    return m;
  };
  const auto observed = means(y);
  // Arrangement 12: the grand mean plus permuted residuals.
  const Eigen::MatrixXd resid = y.rowwise() - y.colwise().mean();
  std::vector<int> perm(n);
  RandomStream(3, 12).permutation(static_cast<int>(n), perm);
  Eigen::MatrixXd moved(n, y.cols());
  for (Eigen::Index i = 0; i < n; ++i) moved.row(i) = y.colwise().mean() + resid.row(perm[i]);
  const auto permuted = means(moved);
  ASSERT_EQ(d.a.size(), 3u);
  EXPECT_NEAR(d.distance[1], (observed.at("a") - observed.at("c")).norm(), 1e-12);
  EXPECT_NEAR(d.distance[2], (observed.at("b") - observed.at("c")).norm(), 1e-12);
  EXPECT_NEAR(d.distance_sets[0][12], (permuted.at("a") - permuted.at("b")).norm(), 1e-12);
  EXPECT_NEAR(d.distance_sets[1][12], (permuted.at("a") - permuted.at("c")).norm(), 1e-12);
  int above = 0;
  for (double v : d.distance_sets[2]) above += v >= d.distance[2] * (1 - 1e-9);
  EXPECT_DOUBLE_EQ(d.p[2], above / 40.0);
  const PairwiseDistances again = pairwise_group_distances(centred_cross_product(y), factor("g", g), 40, 3);
  EXPECT_EQ(again.p, d.p);
}

TEST(ModelFormula, TermsInROrder) {
  const struct {
    const char* formula;
    std::vector<std::string> terms;
  } cases[] = {
      {"a * b", {"a", "b", "a:b"}},
      {"~ a:b + c", {"c", "a:b"}},
      {"a*b*c", {"a", "b", "c", "a:b", "a:c", "b:c", "a:b:c"}},
      {"a + b + a + b:a", {"a", "b", "a:b"}},
      {"`body size` + x.1", {"body size", "x.1"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> labels;
    for (const auto& t : parse_model_formula(c.formula)) labels.push_back(t.label());
    EXPECT_EQ(labels, c.terms) << c.formula;
  }
}

TEST(ModelFormula, RefusedFormulasAndDesigns) {
  const std::vector<std::string> g = {"a", "a", "b", "b", "c"};
  const Eigen::VectorXd x = Eigen::VectorXd::LinSpaced(5, 0, 1);
  const std::vector<Variable> vars = {factor("g", g), covariate("x", x), factor("one", {"k", "k", "k", "k", "k"}),
                                      covariate("flat", Eigen::VectorXd::Constant(5, 2.0)), covariate("x2", 2 * x)};
  const struct {
    const char* formula;
    const char* message;
  } cases[] = {
      {"", "is empty"},
      {"a +", "ends where a name was expected"},
      {"a - b", "has \"-\" where + * or : was expected"},
      {"a + $", "has \"$\" where a name was expected"},
      {"weight", "The model names \"weight\", which is not a variable"},
      {"one", "The factor \"one\" has one level (\"k\")"},
      {"flat", "The covariate \"flat\" is 2.000000 for every specimen"},
      {"x + x2", "The term \"x2\" adds nothing to the terms before it"},
      {"g * x", "no residual degree of freedom at the term \"g:x\""},
  };
  for (const auto& c : cases)
    EXPECT_NE(error_of([&] { model_design(parse_model_formula(c.formula), vars); }).find(c.message), std::string::npos)
        << c.formula << ": " << error_of([&] { model_design(parse_model_formula(c.formula), vars); });
  EXPECT_EQ(model_design(parse_model_formula("g"), vars).notes,
            std::vector<std::string>{"The level \"c\" of \"g\" has one specimen."});
}

}  // namespace
}  // namespace velmora
