// One sliding step: the bending energy matrix against its definition, which
// points slide, and what the step does to specimens whose answer is known.
#include "geometry/slide_semilandmarks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "geometry/consensus_bending_energy.h"
#include "geometry/d_slm_align.h"
#include "geometry/semilandmark_layout.h"
#include "runtime/error.h"

namespace velmora {
namespace {

// A consensus of 4 fixed landmarks and three curves, as a first sample is laid
// out: an open curve of 7 points whose first and last three points run
// straight (1), a closed square of 8 points from the middle of a side and its
// closing repeat (2), an
// open straight line of 6 points (3). Flat: every z zero.
constexpr Eigen::Index kLandmarks = 4, kFirst = 7, kSquare = 9, kLine = 6;
constexpr Eigen::Index kPoints = kLandmarks + kFirst + kSquare + kLine;

Eigen::MatrixXd consensus(bool flat) {
  Eigen::MatrixXd m(kPoints, 3);
  m << 0, 0, 1.5, 2, -1, 0.5, -1.5, 1, -1, 3, 2, 2,                                          // landmarks
      -2, -2, 0, -1.5, -2, 0, -1, -2, 0, -0.4, -1.7, 0.3, 0, -1, 0.5, 0.3, -0.5, 0.5,        // curve 1
      0.6, 0, 0.5,                                                                           //
      1.5, 1, -1, 2, 1, -1, 2, 1.5, -1, 2, 2, -1, 1.5, 2, -1, 1, 2, -1, 1, 1.5, -1,          // square
      1, 1, -1, 1.5, 1, -1,                                                                  //
      -2, 1, 1, -1.667, 1.333, 1.667, -1.333, 1.667, 2.333, -1, 2, 3, -0.667, 2.333, 3.667,  // line
      -0.333, 2.667, 4.333;
  // The line's points exactly on it: (-2, 1, 1) + t (1, 1, 2) / 3.
  for (Eigen::Index t = 0; t < kLine; ++t)
    m.row(kLandmarks + kFirst + kSquare + t) =
        Eigen::RowVector3d(-2, 1, 1) + static_cast<double>(t) * Eigen::RowVector3d(1, 1, 2) / 3.0;
  if (flat) m.col(2).setZero();
  return m;
}

Eigen::MatrixXd protocol() {
  Eigen::MatrixXd p(12, 1);
  p << 0, 0, 0, 0, 3, -999, 3, 7, 1, 8, 2, 6;
  return p;
}

Eigen::RowVectorXd curve_starts() {
  Eigen::RowVectorXd r(4);
  r << 3 * kLandmarks, 3 * (kLandmarks + kFirst), 3 * (kLandmarks + kFirst + kSquare), 3 * kPoints;
  return r;
}

SemilandmarkLayout layout() { return semilandmark_layout(protocol(), curve_starts(), kPoints); }

/// Lp by its definition: the upper-left block of the inverse of [K P; P' 0],
/// K(i, j) = U(|x_i - x_j|) with U(r) = r in space, r^2 log r^2 in the plane.
Eigen::MatrixXd energy_by_definition(const Eigen::MatrixXd& x) {
  const Eigen::Index q = x.rows(), m = x.cols();
  Eigen::MatrixXd l = Eigen::MatrixXd::Zero(q + m + 1, q + m + 1);
  for (Eigen::Index i = 0; i < q; ++i)
    for (Eigen::Index j = 0; j < q; ++j) {
      const double r = (x.row(i) - x.row(j)).norm();
      l(i, j) = m == 3 ? r : (r > 0 ? r * r * std::log(r * r) : 0);
    }
  l.block(0, q, q, 1).setOnes();
  l.block(0, q + 1, q, m) = x;
  l.block(q, 0, m + 1, q) = l.block(0, q, q, m + 1).transpose();
  return l.inverse().topLeftCorner(q, q);
}

/// The same on the consensus without the square's closing repeat, placed back
/// into p by p with a zero row and column for the repeat.
Eigen::MatrixXd energy_of(const Eigen::MatrixXd& m, bool flat) {
  const Eigen::Index repeat = kLandmarks + kFirst + kSquare - 1;
  Eigen::MatrixXd distinct(kPoints - 1, flat ? 2 : 3);
  for (Eigen::Index i = 0, k = 0; i < kPoints; ++i)
    if (i != repeat) distinct.row(k++) = m.row(i).head(distinct.cols());
  const Eigen::MatrixXd lp = energy_by_definition(distinct);
  Eigen::MatrixXd full = Eigen::MatrixXd::Zero(kPoints, kPoints);
  std::vector<Eigen::Index> rows;
  for (Eigen::Index i = 0; i < kPoints; ++i)
    if (i != repeat) rows.push_back(i);
  for (std::size_t a = 0; a < rows.size(); ++a)
    for (std::size_t b = 0; b < rows.size(); ++b) full(rows[a], rows[b]) = lp(a, b);
  return full;
}

double bending(const Eigen::MatrixXd& y, const Eigen::MatrixXd& m, const Eigen::MatrixXd& lp) {
  const Eigen::MatrixXd d = y - m;
  return std::abs((d.transpose() * lp * d).trace());
}

/// Normal noise on a p by 3 configuration (z zero when flat).
Eigen::MatrixXd noise_of(Eigen::Index p, unsigned seed, bool flat) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> n;
  Eigen::MatrixXd x(p, 3);
  for (Eigen::Index k = 0; k < x.size(); ++k) x(k) = n(gen);
  if (flat) x.col(2).setZero();
  return x;
}

Eigen::MatrixXd noise(double amount, unsigned seed, bool flat) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> n;
  Eigen::MatrixXd x(kPoints, 3);
  for (Eigen::Index k = 0; k < x.size(); ++k) x(k) = amount * n(gen);
  if (flat) x.col(2).setZero();
  const Eigen::Index first = kLandmarks + kFirst;
  x.row(first + kSquare - 1) = x.row(first);  // the closing repeat stays on the first point
  return x;
}

const SlideCriterion kBoth[] = {SlideCriterion::bending, SlideCriterion::procrustes};

class SlideStep : public ::testing::TestWithParam<bool> {};  // flat or not

TEST_P(SlideStep, EnergyMatrixIsTheDefinitionsAndAnnihilatesAffineConfigurations) {
  const bool flat = GetParam();
  const Eigen::MatrixXd m = consensus(flat);
  const Eigen::MatrixXd lp = consensus_bending_energy(m, layout());
  const Eigen::MatrixXd expected = energy_of(m, flat);
  EXPECT_LT((lp - expected).cwiseAbs().maxCoeff(), 1e-9 * expected.cwiseAbs().maxCoeff());

  Eigen::Matrix3d a;
  a << 1.2, 0.3, -0.4, 0.1, 0.9, 0.2, -0.3, 0.5, 1.1;
  if (flat) a.row(2).setZero(), a.col(2).setZero();
  const Eigen::MatrixXd affine = (m * a).rowwise() + Eigen::RowVector3d(0.5, -2, flat ? 0 : 3);
  EXPECT_LT((lp * affine).cwiseAbs().maxCoeff(), 1e-9);
  EXPECT_LT((lp * Eigen::VectorXd::Ones(kPoints)).cwiseAbs().maxCoeff(), 1e-9);
}

TEST_P(SlideStep, ConsensusItselfDoesNotMove) {
  const Eigen::MatrixXd m = consensus(GetParam());
  const Eigen::MatrixXd lp = consensus_bending_energy(m, layout());
  for (SlideCriterion c : kBoth) {
    const SlidSpecimen s = slide_semilandmarks(m, m, c, lp, layout());
    EXPECT_EQ(s.y, m);
    EXPECT_TRUE(s.unslid.empty());
  }
}

TEST_P(SlideStep, ShiftsAlongStraightStretchesComeBackToTheConsensus) {
  const bool flat = GetParam();
  const Eigen::MatrixXd m = consensus(flat);
  const Eigen::MatrixXd lp = consensus_bending_energy(m, layout());
  Eigen::MatrixXd y = m;
  const auto shift = [&](Eigen::Index row, const Eigen::RowVector3d& along, double by) {
    y.row(row) += by * along.normalized();
  };
  const Eigen::Index c1 = kLandmarks, sq = kLandmarks + kFirst, line = sq + kSquare;
  shift(c1 + 1, m.row(c1 + 2) - m.row(c1), 0.2);  // on the straight start of curve 1
  shift(c1 + 5, m.row(c1 + 6) - m.row(c1 + 4), -0.1);
  for (Eigen::Index k = 0; k < 8; k += 2)  // the square's side midpoints along their sides
    shift(sq + k, m.row(sq + k + 1) - m.row(sq + (k + 7) % 8), 0.1 * static_cast<double>(k) - 0.35);
  y.row(sq + kSquare - 1) = y.row(sq);  // the closing repeat moves with the first point
  const double along[] = {0.3, -0.2, 0.25, -0.3};
  for (Eigen::Index k = 1; k < kLine - 1; ++k) shift(line + k, m.row(line + 1) - m.row(line), along[k - 1]);
  for (SlideCriterion c : kBoth) {
    const SlidSpecimen s = slide_semilandmarks(y, m, c, lp, layout());
    EXPECT_LT((s.y - m).cwiseAbs().maxCoeff(), 1e-12) << (c == SlideCriterion::bending ? "bending" : "procrustes");
  }
}

TEST_P(SlideStep, FixedLandmarksAndOpenEndsStayAndTheClosingRepeatFollows) {
  const bool flat = GetParam();
  const Eigen::MatrixXd m = consensus(flat);
  const Eigen::MatrixXd lp = consensus_bending_energy(m, layout());
  const Eigen::Index c1 = kLandmarks, sq = kLandmarks + kFirst, line = sq + kSquare;
  const Eigen::Index fixed[] = {0, 1, 2, 3, c1, c1 + kFirst - 1, line, line + kLine - 1};
  for (unsigned seed = 1; seed <= 4; ++seed) {
    const Eigen::MatrixXd y = m + noise(0.05, seed, flat);
    for (SlideCriterion c : kBoth) {
      const SlidSpecimen s = slide_semilandmarks(y, m, c, lp, layout());
      for (Eigen::Index row : fixed) EXPECT_EQ(s.y.row(row), y.row(row)) << "row " << row + 1;
      EXPECT_EQ(s.y.row(sq + kSquare - 1), s.y.row(sq));
      EXPECT_GT((s.y - y).cwiseAbs().maxCoeff(), 1e-4);  // the others did slide
      if (flat) {
        EXPECT_EQ(s.y.col(2).cwiseAbs().maxCoeff(), 0);
      }
    }
  }
}

TEST_P(SlideStep, BendingEnergyNeverRises) {
  const bool flat = GetParam();
  const Eigen::MatrixXd m = consensus(flat);
  const Eigen::MatrixXd lp = consensus_bending_energy(m, layout());
  const Eigen::MatrixXd definition = energy_of(m, flat);
  for (unsigned seed = 10; seed < 20; ++seed) {
    const Eigen::MatrixXd y = m + noise(0.08, seed, flat);
    const SlidSpecimen s = slide_semilandmarks(y, m, SlideCriterion::bending, lp, layout());
    const double before = bending(y, m, definition), after = bending(s.y, m, definition);
    EXPECT_LE(after, before * (1 + 1e-12)) << "specimen " << seed;
    EXPECT_LT(after, 0.999 * before) << "specimen " << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(PlaneAndSpace, SlideStep, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "flat" : "space"; });

TEST(SlideStepProcrustes, FromTheConsensusItSlidesAsSaveAlignedFile1Does) {
  // Each open curve of the specimen is the consensus's moved bodily, so both
  // slidings see the same tangents (curve 1 runs straight where the aligned
  // save takes one-sided differences); the move has parts along and across.
  const Eigen::MatrixXd m = consensus(false);
  Eigen::MatrixXd y = m + noise(0.05, 7, false);
  const Eigen::Index c1 = kLandmarks, line = kLandmarks + kFirst + kSquare;
  const struct {
    Eigen::Index first, count;
    Eigen::RowVector3d by;
  } open[] = {{c1, kFirst, {0.07, -0.05, 0.03}}, {line, kLine, {0.04, 0.09, -0.02}}};
  for (const auto& c : open) y.middleRows(c.first, c.count) = m.middleRows(c.first, c.count).rowwise() + c.by;
  const SlidSpecimen s = slide_semilandmarks(y, m, SlideCriterion::procrustes, Eigen::MatrixXd(), layout());
  for (const auto& c : open) {
    const auto flat_row = [&](const Eigen::MatrixXd& x) -> Eigen::RowVectorXd {
      const Eigen::MatrixXd rows = x.middleRows(c.first, c.count).transpose();
      return rows.reshaped().transpose();
    };
    Eigen::MatrixXd data(1, 3 * c.count);
    data.row(0) = flat_row(y);
    const SlidCurve aligned = d_slm_align(flat_row(m), data, 3);
    EXPECT_LT((aligned.y.row(0) - flat_row(s.y)).cwiseAbs().maxCoeff(), 1e-15);
    EXPECT_GT((aligned.y.row(0) - data.row(0)).cwiseAbs().maxCoeff(), 1e-3);
  }
}

TEST(SlideStepTangent, NoDirectionLeavesThePointAndNamesIt) {
  const Eigen::MatrixXd m = consensus(false);
  const Eigen::MatrixXd lp = consensus_bending_energy(m, layout());
  Eigen::MatrixXd y = m + noise(0.05, 3, false);
  const Eigen::Index line = kLandmarks + kFirst + kSquare;
  y.row(line) = y.row(line + 2);  // the second point of the line has equal neighbours
  const SemilandmarkLayout l = layout();
  for (SlideCriterion c : kBoth) {
    const SlidSpecimen s = slide_semilandmarks(y, m, c, lp, l);
    ASSERT_EQ(s.unslid.size(), 1u);
    EXPECT_EQ(l.sliding[s.unslid[0]].point, line + 1);
    EXPECT_EQ(point_name(l, line + 1), "curve 3, point 2");
    EXPECT_EQ(s.y.row(line + 1), y.row(line + 1));
    EXPECT_TRUE(s.y.allFinite());
  }
}

TEST(SemilandmarkLayout, SlidesInnerPointsOfOpenCurvesAndAllOfClosedOnes) {
  const SemilandmarkLayout l = layout();
  ASSERT_EQ(l.sliding.size(), static_cast<std::size_t>((kFirst - 2) + (kSquare - 1) + (kLine - 2)));
  const Eigen::Index sq = kLandmarks + kFirst;
  int twins = 0;
  for (const SlidingPoint& s : l.sliding) {
    if (s.twin < 0) continue;
    ++twins;
    EXPECT_EQ(s.point, sq);
    EXPECT_EQ(s.twin, sq + kSquare - 1);
    EXPECT_EQ(s.before, sq + kSquare - 2);  // wraps round to the last distinct point
    EXPECT_EQ(s.after, sq + 1);
  }
  EXPECT_EQ(twins, 1);
  EXPECT_EQ(point_name(l, 2), "landmark 3");
}

TEST(SemilandmarkLayout, RefusesWhatCannotSlideByName) {
  Eigen::MatrixXd none(6, 1);
  none << 0, 0, 0, 0, 0, -999;
  Eigen::MatrixXd short_closed = protocol();
  short_closed(9) = 2;
  Eigen::RowVectorXd starts = curve_starts();
  starts(2) = starts(1) + 9;  // the square keeps 3 points
  const struct {
    Eigen::MatrixXd proto;
    Eigen::RowVectorXd rbreak;
    const char* message;
  } cases[] = {
      {Eigen::MatrixXd(), curve_starts(), "No protocol is loaded"},
      {none, curve_starts(), "no curves, so there are no semilandmarks to slide"},
      {protocol(), curve_starts().head(2), "cover 1 curves, the protocol 3"},
      {protocol(), starts, "Curve 2 has 3 points; a closed curve needs at least 4"},
  };
  for (const auto& c : cases) {
    try {
      semilandmark_layout(c.proto, c.rbreak, kPoints);
      ADD_FAILURE() << c.message;
    } catch (const RuntimeError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

// A closed outline of 450 semilandmarks (solved blocked) slides to what the
// formula Y' = Y - U (U'LU)^-1 U'L (Y - M) gives, computed here densely with
// the full tangent matrix U and L = I3 (x) Lp, in the plane and in space.
TEST_P(SlideStep, ManySemilandmarksSlideAsTheFormulaSays) {
  const bool flat = GetParam();
  constexpr Eigen::Index kFixed = 3, kOutline = 450, kAll = kFixed + kOutline + 1;
  Eigen::MatrixXd proto(8, 1);
  proto << 0, 0, 0, 0, 1, -999, 1, kOutline;
  Eigen::RowVectorXd rbreak(2);
  rbreak << 3 * kFixed, 3 * kAll;
  const SemilandmarkLayout many = semilandmark_layout(proto, rbreak, kAll);
  ASSERT_GE(static_cast<Eigen::Index>(many.sliding.size()), kBlockedFrom);
  Eigen::MatrixXd m(kAll, 3);
  m.topRows(kFixed) << 0, 0, 0.5, 3, 0.2, -0.3, -0.4, 2.5, 0.1;
  for (Eigen::Index k = 0; k <= kOutline; ++k) {
    const double t = 2 * M_PI * static_cast<double>(k % kOutline) / kOutline;
    m.row(kFixed + k) << 2 * std::cos(t) + 0.2 * std::cos(3 * t), 1.2 * std::sin(t), 0.3 * std::sin(2 * t);
  }
  if (flat) m.col(2).setZero();
  Eigen::MatrixXd y = m + 0.02 * noise_of(kAll, 7, flat);
  y.row(kAll - 1) = y.row(kFixed);  // the closing repeat
  const Eigen::MatrixXd lp = consensus_bending_energy(m, many);
  const SlidSpecimen s = slide_semilandmarks(y, m, SlideCriterion::bending, lp, many);

  const Eigen::Index q = static_cast<Eigen::Index>(many.sliding.size());
  Eigen::MatrixXd u = Eigen::MatrixXd::Zero(3 * kAll, q);
  for (Eigen::Index a = 0; a < q; ++a) {
    const SlidingPoint& sp = many.sliding[static_cast<std::size_t>(a)];
    const Eigen::RowVector3d t = (y.row(sp.after) - y.row(sp.before)).normalized();
    for (int c = 0; c < 3; ++c) {
      u(c * kAll + sp.point, a) = t(c);
      if (sp.twin >= 0) u(c * kAll + sp.twin, a) = t(c);
    }
  }
  Eigen::MatrixXd l = Eigen::MatrixXd::Zero(3 * kAll, 3 * kAll);
  for (int c = 0; c < 3; ++c) l.block(c * kAll, c * kAll, kAll, kAll) = lp;
  const Eigen::VectorXd d = (y - m).reshaped();
  const Eigen::VectorXd shift = (u.transpose() * l * u).fullPivLu().solve(u.transpose() * l * d);
  const Eigen::MatrixXd expected = y - (u * shift).reshaped(kAll, 3);
  EXPECT_LT((s.y - expected).cwiseAbs().maxCoeff(), 1e-9 * (y - m).cwiseAbs().maxCoeff());
  EXPECT_GT((s.y - y).cwiseAbs().maxCoeff(), 1e-3);
}

TEST(ConsensusBendingEnergy, CoincidentPointsAreNamed) {
  Eigen::MatrixXd m = consensus(false);
  m.row(kLandmarks + kFirst + 2) = m.row(1);  // a square corner on landmark 2
  try {
    consensus_bending_energy(m, layout());
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("Points 2 (landmark 2) and 14 (curve 2, point 3) of the consensus coincide"),
              std::string::npos)
        << e.what();
  }
}

}  // namespace
}  // namespace velmora
