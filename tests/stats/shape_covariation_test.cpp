// Allometry, canonical variates and two-block PLS against small sums worked
// out here: regression scores, distances of group means, the leave-one-out
// table by refitting without each specimen, PLS of independent and dependent
// blocks, and the inputs that are refused.
#include "stats/shape_covariation.h"

#include <gtest/gtest.h>


#include "support/error_of.h"
#include "support/normal_rows.h"
#include "runtime/random.h"

namespace velmora {
namespace {

using testing::error_of;
using testing::normal_rows;

Variable factor(std::vector<std::string> levels) { return {"species", true, std::move(levels), {}}; }
Variable covariate(Eigen::VectorXd values) { return {"logsize", false, {}, std::move(values)}; }

std::vector<std::string> alternating(Eigen::Index n, int groups) {
  std::vector<std::string> out;
  for (Eigen::Index i = 0; i < n; ++i) out.push_back(std::string(1, char('a' + i % groups)));
  return out;
}

TEST(Allometry, RegressionScoresPredictedLineAndCommonComponentByHand) {
  const Eigen::Index n = 12, dims = 5;
  const Eigen::MatrixXd y = normal_rows(n, dims, 3);
  Eigen::VectorXd size(n);
  for (Eigen::Index i = 0; i < n; ++i) size(i) = 0.3 * double(i) + 0.1 * double(i % 3);
  const Variable groups = factor(alternating(n, 2));

  // Slope of each coordinate on size, one coordinate at a time.
  double mx = 0;
  for (Eigen::Index i = 0; i < n; ++i) mx += size(i) / n;
  Eigen::VectorXd slope(dims);
  for (Eigen::Index j = 0; j < dims; ++j) {
    double sxy = 0, sxx = 0, my = y.col(j).mean();
    for (Eigen::Index i = 0; i < n; ++i) {
      sxy += (size(i) - mx) * (y(i, j) - my);
      sxx += (size(i) - mx) * (size(i) - mx);
    }
    slope(j) = sxy / sxx;
  }
  for (const Variable* f : {static_cast<const Variable*>(nullptr), &groups}) {
    const AllometryFit fit = allometry(y, covariate(size), f, 1, 1);
    for (Eigen::Index i = 0; i < n; ++i) {
      double score = 0;
      for (Eigen::Index j = 0; j < dims; ++j) score += (y(i, j) - y.col(j).mean()) * slope(j) / slope.norm();
      EXPECT_NEAR(fit.regression_scores(i), score, 1e-10);
      // Alone, the fitted values lie on one line: its scores are size times the slope's length.
      if (!f) {
        EXPECT_NEAR(fit.predicted_line(i), (size(i) - mx) * slope.norm(), 1e-10);
      }
    }
    EXPECT_EQ(fit.anova.terms.size(), f ? 3u : 1u);
    EXPECT_EQ(fit.common_component.size(), f ? dims : 0);
  }
  // Within-group slopes pooled: sums of products about each group's means.
  Eigen::VectorXd sxy = Eigen::VectorXd::Zero(dims);
  for (const std::string level : {"a", "b"}) {
    std::vector<Eigen::Index> rows;
    for (Eigen::Index i = 0; i < n; ++i)
      if (groups.levels[i] == level) rows.push_back(i);
    double gx = 0;
    Eigen::VectorXd gy = Eigen::VectorXd::Zero(dims);
    for (auto i : rows) gx += size(i) / double(rows.size()), gy += y.row(i).transpose() / double(rows.size());
    for (auto i : rows) sxy += (size(i) - gx) * (y.row(i).transpose() - gy);
  }
  const AllometryFit fit = allometry(y, covariate(size), &groups, 1, 1);
  EXPECT_NEAR(std::abs(fit.common_component.dot(sxy.normalized())), 1.0, 1e-10);
  EXPECT_GT(fit.common_component.dot(sxy), 0);
  // The residuals keep the grand mean and nothing along size.
  EXPECT_LT((fit.residuals.colwise().mean() - y.colwise().mean()).norm(), 1e-10);
  EXPECT_LT(
      ((fit.residuals.rowwise() - fit.residuals.colwise().mean()).transpose() * (size.array() - mx).matrix()).norm(),
      1e-9);
}

// Pooled within-group covariance of the rows (divisor n - g), directly.
Eigen::MatrixXd pooled_within(const Eigen::MatrixXd& y, const std::vector<std::string>& groups) {
  std::map<std::string, std::vector<Eigen::Index>> rows;
  for (Eigen::Index i = 0; i < y.rows(); ++i) rows[groups[i]].push_back(i);
  Eigen::MatrixXd w = Eigen::MatrixXd::Zero(y.cols(), y.cols());
  for (const auto& [level, members] : rows) {
    Eigen::RowVectorXd mean = Eigen::RowVectorXd::Zero(y.cols());
    for (auto i : members) mean += y.row(i) / double(members.size());
    for (auto i : members) w += (y.row(i) - mean).transpose() * (y.row(i) - mean);
  }
  return w / double(y.rows() - static_cast<Eigen::Index>(rows.size()));
}

Eigen::RowVectorXd group_mean(const Eigen::MatrixXd& y, const std::vector<std::string>& groups, const std::string& g,
                              Eigen::Index skip = -1) {
  Eigen::RowVectorXd sum = Eigen::RowVectorXd::Zero(y.cols());
  int count = 0;
  for (Eigen::Index i = 0; i < y.rows(); ++i)
    if (groups[i] == g && i != skip) sum += y.row(i), ++count;
  return sum / count;
}

TEST(CanonicalVariates, DistancesEigenvaluesAndPermutationsByHand) {
  const Eigen::Index n = 15, dims = 3;
  Eigen::MatrixXd y = normal_rows(n, dims, 5);
  const std::vector<std::string> groups = alternating(n, 3);
  for (Eigen::Index i = 0; i < n; ++i) y(i, 0) += groups[i] == "c" ? 4 : 0;
  const CanonicalVariates cv = canonical_variates(y, factor(groups), 200, 9);
  const Eigen::MatrixXd w = pooled_within(y, groups);
  ASSERT_EQ(cv.a.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k) {
    const Eigen::RowVectorXd d = group_mean(y, groups, cv.a[k]) - group_mean(y, groups, cv.b[k]);
    EXPECT_NEAR(cv.procrustes[k], d.norm(), 1e-10);
    EXPECT_NEAR(cv.mahalanobis[k], std::sqrt(d * w.inverse() * d.transpose()), 1e-9);
  }
  // c lies far from a and b: those pairs beat every permutation; a and b do not differ.
  EXPECT_LE(cv.mahalanobis_p[1], 0.02);
  EXPECT_LE(cv.procrustes_p[2], 0.02);
  EXPECT_GT(cv.mahalanobis_p[0], 0.05);
  // The eigenvalues of W^-1 B sum to its trace; each variate has unit within-group variance.
  Eigen::MatrixXd b = Eigen::MatrixXd::Zero(dims, dims);
  for (const std::string g : {"a", "b", "c"}) {
    const Eigen::RowVectorXd d = group_mean(y, groups, g) - y.colwise().mean();
    b += 5 * d.transpose() * d / 2;
  }
  EXPECT_NEAR(cv.eigenvalues.sum(), (w.inverse() * b).trace(), 1e-9);
  EXPECT_NEAR(cv.shares.sum(), 1, 1e-12);
  for (Eigen::Index j = 0; j < cv.scores.cols(); ++j)
    EXPECT_NEAR(cv.coefficients.col(j).dot(w * cv.coefficients.col(j)), 1, 1e-9);
}

TEST(CanonicalVariates, LeaveOneOutRefitsWithoutEachSpecimen) {
  // Few specimens, many dimensions and labels that mean nothing: kept in, each
  // specimen pulls its group's mean and W towards itself.
  const Eigen::Index n = 24, dims = 18;
  const Eigen::MatrixXd y = normal_rows(n, dims, 11);
  const std::vector<std::string> groups = alternating(n, 3);
  const CanonicalVariates cv = canonical_variates(y, factor(groups), 1, 1);
  ASSERT_EQ(cv.classification_components, dims);
  EXPECT_GT(cv.resubstitution_accuracy, 0.9);
  EXPECT_LT(cv.accuracy, cv.resubstitution_accuracy - 0.2);
  EXPECT_NE(cv.table, cv.resubstitution);

  Eigen::MatrixXi table = Eigen::MatrixXi::Zero(3, 3);
  for (Eigen::Index i = 0; i < n; ++i) {
    Eigen::MatrixXd rest(n - 1, dims);
    std::vector<std::string> rest_groups;
    for (Eigen::Index r = 0, k = 0; r < n; ++r)
      if (r != i) rest.row(k++) = y.row(r), rest_groups.push_back(groups[r]);
    const Eigen::MatrixXd inverse = pooled_within(rest, rest_groups).inverse();
    int best = 0;
    double best_d = 1e300;
    for (int h = 0; h < 3; ++h) {
      const Eigen::RowVectorXd d = y.row(i) - group_mean(rest, rest_groups, std::string(1, char('a' + h)));
      const double dist = d * inverse * d.transpose();
      if (dist < best_d) best = h, best_d = dist;
    }
    ++table(groups[i][0] - 'a', best);
  }
  EXPECT_EQ(cv.table, table);
}

TEST(CanonicalVariates, RefusesGroupsOfOneAndCutsSingularWithin) {
  std::vector<std::string> groups = alternating(9, 2);
  groups[8] = "lonely";
  EXPECT_NE(error_of([&] { canonical_variates(normal_rows(9, 4, 1), factor(groups), 1, 1); }).find("\"lonely\""),
            std::string::npos);
  EXPECT_NE(error_of([&] {
              canonical_variates(normal_rows(9, 4, 1), factor(std::vector<std::string>(9, "a")), 1, 1);
            }).find("two groups"),
            std::string::npos);
  const CanonicalVariates cut = canonical_variates(normal_rows(10, 30, 2), factor(alternating(10, 2)), 1, 1);
  EXPECT_EQ(cut.nonzero, 9);
  EXPECT_EQ(cut.components, 8);
  EXPECT_EQ(cut.classification_components, 7);
}

TEST(TwoBlockPls, SingularValuesAndPermutedCorrelationsAgainstDirectSvd) {
  const Eigen::Index n = 20;
  const Eigen::MatrixXd a = normal_rows(n, 6, 21), b = normal_rows(n, 4, 22);
  const TwoBlockPls pls = two_block_pls(a, b, 50, 7);
  const Eigen::MatrixXd ac = a.rowwise() - a.colwise().mean(), bc = b.rowwise() - b.colwise().mean();
  auto direct_r = [&](const Eigen::MatrixXd& second) {
    Eigen::JacobiSVD<Eigen::MatrixXd> svd(ac.transpose() * second, Eigen::ComputeFullU | Eigen::ComputeFullV);
    const Eigen::VectorXd t1 = ac * svd.matrixU().col(0), t2 = second * svd.matrixV().col(0);
    return t1.dot(t2) / (t1.norm() * t2.norm());
  };
  Eigen::JacobiSVD<Eigen::MatrixXd> svd(ac.transpose() * bc / double(n - 1));
  ASSERT_GE(pls.singular_values.size(), 4);
  for (Eigen::Index j = 0; j < 4; ++j) EXPECT_NEAR(pls.singular_values(j), svd.singularValues()(j), 1e-10);
  EXPECT_NEAR(pls.r_pls, direct_r(bc), 1e-10);
  for (std::int64_t s : {1, 17, 49}) {
    const std::vector<int> perm = RandomStream(7, static_cast<std::uint64_t>(s)).permutation(int(n));
    Eigen::MatrixXd moved(n, 4);
    for (Eigen::Index i = 0; i < n; ++i) moved.row(i) = bc.row(perm[i]);
    EXPECT_NEAR(pls.r_sets[s], direct_r(moved), 1e-10) << s;
  }
}

TEST(TwoBlockPls, IndependentBlocksHaveLargePDependentSmall) {
  const Eigen::Index n = 40;
  const Eigen::MatrixXd a = normal_rows(n, 8, 31);
  const TwoBlockPls independent = two_block_pls(a, normal_rows(n, 6, 32), 200, 3);
  EXPECT_GT(independent.p, 0.05);
  const Eigen::MatrixXd b = a.leftCols(6) * normal_rows(6, 6, 33) + 0.3 * normal_rows(n, 6, 34);
  const TwoBlockPls dependent = two_block_pls(a, b, 200, 3);
  EXPECT_NEAR(dependent.p, 1.0 / 200, 1e-12);
  EXPECT_GT(dependent.z, 3);
  EXPECT_GT(dependent.r_pls, independent.r_pls);
}

TEST(PointBlocks, ReadsRangesAndRefusesOverlapEmptyAndOutOfRange) {
  const PointBlocks blocks = parse_point_blocks(" 1-3, 7 | 4-6 8 ", 8);
  EXPECT_EQ(blocks.first, (std::vector<Eigen::Index>{0, 1, 2, 6}));
  EXPECT_EQ(blocks.second, (std::vector<Eigen::Index>{3, 4, 5, 7}));
  EXPECT_EQ(blocks.first_text, "1-3, 7");
  const struct {
    const char* text;
    const char* said;
  } bad[] = {{"1-5 | 5-8", "point 5 is in both"},
             {"1-5 | ", "second block names no points"},
             {"1-9 | 10", "points 1-9"},
             {"1-4", "one bar"},
             {"1-4 | x", "\"x\""}};
  for (const auto& c : bad)
    EXPECT_NE(error_of([&] { parse_point_blocks(c.text, 8); }).find(c.said), std::string::npos) << c.text;
}

}  // namespace
}  // namespace velmora
