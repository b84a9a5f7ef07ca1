// Principal components of the pooled shape space: against a plain SVD, a known
// direction of variation, rotation invariance, the sign convention, flat
// studies, and the eigen solver behind them.
#include "stats/shape_space_components.h"

#include <gtest/gtest.h>

#include <random>

#include "geometry/getpproc3.h"
#include "runtime/error.h"
#include "stats/leading_eigenpairs.h"
#include "support/sample_factory.h"

namespace velmora {
namespace {

using testing::make_flat_study;
using testing::make_study;
using testing::Study;

// The centred, flattened pooled superimposition, as the PCA is defined on it.
Eigen::MatrixXd pooled_rows(const Study& s, bool flat) {
  const Eigen::Index p = s.data1.points(), n1 = s.data1.count(), n = n1 + s.data2.count();
  Sample pooled(p, n);
  pooled.values() << s.data1.values(), s.data2.values();
  const Sample aligned = getpproc3(pooled).aligned;
  const int c = flat ? 2 : 3;
  Eigen::MatrixXd x(n, c * p);
  for (Eigen::Index i = 0; i < n; ++i)
    for (Eigen::Index k = 0; k < p; ++k)
      for (int j = 0; j < c; ++j) x(i, c * k + j) = aligned.specimen(i)(k, j);
  return x.rowwise() - x.colwise().mean();
}

double distance_up_to_sign(const Eigen::VectorXd& a, const Eigen::VectorXd& b) {
  return std::min((a - b).norm(), (a + b).norm());
}

struct SvdCase {
  int points, n1, n2;
  bool flat;
};

class ShapePcaSvd : public ::testing::TestWithParam<SvdCase> {};

// Wide (n <= dims) and tall (n > dims) data: the same numbers as the SVD of
// the centred data matrix, proportions summing to 1, the layout of the result.
TEST_P(ShapePcaSvd, MatchesTheSvdOfTheCentredData) {
  const SvdCase& c = GetParam();
  const Study s =
      c.flat ? make_flat_study(c.points, c.n1, c.n2, 0.05, 0.1, 7) : make_study(c.points, c.n1, c.n2, 0.05, 0.1, 7);
  const ShapePca pca = shape_space_components(s.data1, s.data2, c.flat);
  const Eigen::MatrixXd x = pooled_rows(s, c.flat);
  const Eigen::Index n = x.rows(), components = std::min(n - 1, x.cols());
  const Eigen::BDCSVD<Eigen::MatrixXd> svd(x, Eigen::ComputeThinU | Eigen::ComputeThinV);
  const Eigen::VectorXd squared = svd.singularValues().head(components).array().square();

  ASSERT_EQ(pca.proportions.size(), components);
  EXPECT_NEAR(pca.proportions.sum(), 1, 1e-12);
  EXPECT_LT((pca.proportions - squared / squared.sum()).cwiseAbs().maxCoeff(), 1e-10);
  EXPECT_LT((pca.variances - squared / double(n - 1)).cwiseAbs().maxCoeff(), 1e-10 * squared(0));
  const Eigen::Index kept = std::min<Eigen::Index>(10, components);
  ASSERT_EQ(pca.scores.rows(), n);
  ASSERT_EQ(pca.scores.cols(), kept);
  ASSERT_EQ(pca.loadings.rows(), x.cols());
  ASSERT_EQ(pca.loadings.cols(), std::min<Eigen::Index>(3, components));
  for (Eigen::Index j = 0; j < std::min<Eigen::Index>(3, kept); ++j) {
    const Eigen::VectorXd reference = svd.matrixU().col(j) * svd.singularValues()(j);
    EXPECT_LT(distance_up_to_sign(pca.scores.col(j), reference), 1e-8 * svd.singularValues()(0)) << "PC" << j + 1;
    EXPECT_LT(distance_up_to_sign(pca.loadings.col(j), svd.matrixV().col(j)), 1e-8) << "PC" << j + 1;
    // Sign convention: the largest absolute loading is positive.
    Eigen::Index largest = 0;
    pca.loadings.col(j).cwiseAbs().maxCoeff(&largest);
    EXPECT_GT(pca.loadings(largest, j), 0) << "PC" << j + 1;
  }
  EXPECT_EQ(pca.sample.head(c.n1), Eigen::VectorXi::Constant(c.n1, 1));
  EXPECT_EQ(pca.sample.tail(c.n2), Eigen::VectorXi::Constant(c.n2, 2));
}

INSTANTIATE_TEST_SUITE_P(WideAndTall, ShapePcaSvd,
                         ::testing::Values(SvdCase{12, 8, 9, false}, SvdCase{12, 8, 9, true}, SvdCase{4, 15, 16, false},
                                           SvdCase{3, 20, 10, true}, SvdCase{30, 1, 2, false}));

// Specimens that differ from one shape along one direction only (each turned,
// scaled and moved at random): PC1 carries the variance and its loadings are
// that direction.
TEST(ShapePca, OneDirectionOfChangeIsPc1) {
  std::mt19937_64 rng(3);
  std::normal_distribution<double> normal;
  const int p = 9;
  Eigen::MatrixXd base(p, 3), direction(p, 3);
  for (Eigen::Index k = 0; k < base.size(); ++k) base(k) = normal(rng);
  for (Eigen::Index k = 0; k < direction.size(); ++k) direction(k) = normal(rng);
  base = getpproc3(Sample(base)).mean;  // centred, unit size
  // Keep only the part of the direction that no translation, scaling or
  // rotation of the base can produce.
  std::vector<Eigen::MatrixXd> similar;
  for (int c = 0; c < 3; ++c) similar.push_back(Eigen::MatrixXd::Zero(p, 3)), similar.back().col(c).setOnes();
  similar.push_back(base);
  for (int a = 0; a < 3; ++a) {
    Eigen::Matrix3d turn = Eigen::Matrix3d::Zero();
    turn((a + 1) % 3, (a + 2) % 3) = 1;
    turn((a + 2) % 3, (a + 1) % 3) = -1;
    similar.push_back(base * turn);
  }
  Eigen::MatrixXd basis(3 * p, similar.size());
  for (std::size_t j = 0; j < similar.size(); ++j) basis.col(j) = similar[j].transpose().reshaped();
  const Eigen::MatrixXd q =
      Eigen::HouseholderQR<Eigen::MatrixXd>(basis).householderQ() * Eigen::MatrixXd::Identity(3 * p, similar.size());
  Eigen::VectorXd flat_direction = direction.transpose().reshaped();
  flat_direction -= q * (q.transpose() * flat_direction);
  flat_direction.normalize();
  const Eigen::MatrixXd change = flat_direction.reshaped(3, p).transpose();

  auto sample = [&](int n) {
    Sample out(p, n);
    for (int i = 0; i < n; ++i)
      out.specimen(i) =
          ((1.5 * (base + 0.03 * normal(rng) * change)) * testing::random_orthogonal(rng, false)).rowwise() +
          Eigen::RowVector3d(normal(rng), normal(rng), normal(rng));
    return out;
  };
  const ShapePca pca = shape_space_components(sample(10), sample(12), false);
  EXPECT_GT(pca.proportions(0), 0.999);
  // The loadings are in the frame of the pooled mean: turn the direction into it.
  const Eigen::JacobiSVD<Eigen::Matrix3d> fit(base.transpose() * pca.mean, Eigen::ComputeFullU | Eigen::ComputeFullV);
  const Eigen::MatrixXd expected = change * (fit.matrixU() * fit.matrixV().transpose());
  EXPECT_GT(std::abs(pca.loadings.col(0).dot(expected.transpose().reshaped())), 0.999);
}

// Turning every specimen its own way changes no score (up to each component's
// sign, which follows the loadings' frame).
TEST(ShapePca, ScoresDoNotDependOnEachSpecimensOrientation) {
  const Study s = make_study(10, 7, 8, 0.05, 0.1, 11);
  std::mt19937_64 rng(12);
  Study turned = s;
  for (Sample* data : {&turned.data1, &turned.data2})
    for (Eigen::Index i = 0; i < data->count(); ++i)
      data->specimen(i) = 2.0 * data->specimen(i) * testing::random_orthogonal(rng, i % 3 == 1);
  const ShapePca a = shape_space_components(s.data1, s.data2, false),
                 b = shape_space_components(turned.data1, turned.data2, false);
  EXPECT_LT((a.proportions - b.proportions).cwiseAbs().maxCoeff(), 1e-8);
  for (Eigen::Index j = 0; j < a.scores.cols(); ++j)
    EXPECT_LT(distance_up_to_sign(a.scores.col(j), b.scores.col(j)), 1e-6 * a.scores.col(0).norm()) << j;
}

// A flat study uses its x and y columns: the loadings have 2p rows and the
// spectrum is that of the x y coordinates.
TEST(ShapePca, FlatStudiesUseTwoColumns) {
  const Study s = make_flat_study(11, 9, 9, 0.05, 0.1, 13);
  const ShapePca flat = shape_space_components(s.data1, s.data2, true),
                 full = shape_space_components(s.data1, s.data2, false);
  EXPECT_EQ(flat.loadings.rows(), 22);
  EXPECT_EQ(full.loadings.rows(), 33);
  EXPECT_LT((flat.proportions.head(10) - full.proportions.head(10)).cwiseAbs().maxCoeff(), 1e-10);
}

TEST(ShapePca, RefusesTooFewSpecimensAndNoVariation) {
  const Study s = make_study(6, 1, 1, 0.05, 0.1, 14);
  EXPECT_THROW(shape_space_components(s.data1, s.data2, false), RuntimeError);
  Sample same(6, 2);
  same.specimen(0) = s.data1.specimen(0);
  same.specimen(1) = s.data1.specimen(0);
  try {
    shape_space_components(same, s.data1, false);
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("no variation"), std::string::npos) << e.what();
  }
}

// The solver behind the components, against a full eigendecomposition: a
// random matrix, and one with a triple eigenvalue at the top; a few vectors
// (inverse iteration) and nearly all (divide and conquer).
TEST(LeadingEigenpairs, AgreeWithAFullDecomposition) {
  std::mt19937_64 rng(5);
  std::normal_distribution<double> normal;
  const int n = 40;
  Eigen::MatrixXd a(n, n + 2);
  for (Eigen::Index i = 0; i < a.size(); ++i) a(i) = normal(rng);
  Eigen::VectorXd spectrum = Eigen::VectorXd::LinSpaced(n, 1, n);
  spectrum.tail(3).setConstant(90);
  const Eigen::MatrixXd q = Eigen::HouseholderQR<Eigen::MatrixXd>(a.leftCols(n)).householderQ();
  for (const Eigen::MatrixXd& s :
       {Eigen::MatrixXd(a * a.transpose()), Eigen::MatrixXd(q * spectrum.asDiagonal() * q.transpose())})
    for (const int k : {6, n - 1}) {
      const LeadingEigenpairs e = leading_eigenpairs(s, k);
      const Eigen::VectorXd reference = Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd>(s).eigenvalues().reverse();
      EXPECT_LT((e.values - reference).cwiseAbs().maxCoeff(), 1e-12 * reference(0));
      ASSERT_EQ(e.vectors.cols(), k);
      EXPECT_LT((e.vectors.transpose() * e.vectors - Eigen::MatrixXd::Identity(k, k)).cwiseAbs().maxCoeff(), 1e-12);
      for (int j = 0; j < k; ++j)
        EXPECT_LT((s * e.vectors.col(j) - e.values(j) * e.vectors.col(j)).norm(), 1e-12 * reference(0)) << j;
    }
}

}  // namespace
}  // namespace velmora
