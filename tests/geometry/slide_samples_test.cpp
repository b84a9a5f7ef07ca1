// Sliding whole samples: slid points stay on the digitised curves, which follow
// their specimens through every superimposition; the result is the same on any
// number of threads; settling, cancelling and refusals.
#include "geometry/slide_samples.h"

#include <gtest/gtest.h>
#include <oneapi/tbb/global_control.h>

#include <cmath>
#include <random>

#include "geometry/nearest_on_polyline.h"
#include "geometry/pick3points.h"
#include "runtime/error.h"
#include "support/shapes.h"

namespace velmora {
namespace {

// 4 fixed landmarks, a closed loop resampled to 10 points (11 kept) and an
// open-ended arc of 8 points, digitised with uneven clicks.
constexpr Eigen::Index kLandmarks = 4, kLoop = 11, kArc = 8, kPoints = kLandmarks + kLoop + kArc;

SemilandmarkLayout layout() {
  Eigen::MatrixXd proto(10, 1);
  proto << 0, 0, 0, 0, 2, -999, 1, 10, 3, 8;
  Eigen::RowVectorXd rbreak(3);
  rbreak << 3 * kLandmarks, 3 * (kLandmarks + kLoop), 3 * kPoints;
  return semilandmark_layout(proto, rbreak, kPoints);
}

struct Digitised {
  Sample data;
  CurvePolylines curves;
};

/// n specimens bent each its own way, in their own poses, clicked unevenly.
Digitised digitise(Eigen::Index n, unsigned seed, bool same_shape = false) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-1, 1);
  Digitised out{Sample(kPoints, n), {}};
  for (Eigen::Index i = 0; i < n; ++i) {
    const double a = same_shape ? 0 : 0.15 * u(gen), b = same_shape ? 0 : 0.15 * u(gen);
    const auto bent = [&](Eigen::RowVector3d x) {
      x(0) += a * std::sin(2 * x(1));
      x(2) += b * x(0) * x(1);
      return x;
    };
    const auto loop = [&](double t) {
      return bent({1.5 * std::cos(2 * M_PI * t), std::sin(2 * M_PI * t), 0.3 * std::sin(4 * M_PI * t)});
    };
    const auto arc = [&](double t) { return bent({-2 + 3 * t, 2 + std::sin(M_PI * t), 1 - t}); };
    const auto clicks = [&](auto course, int count, bool closed) {
      Eigen::MatrixXd c(count + (closed ? 1 : 0), 3);
      for (int k = 0; k < count; ++k) {
        double t = static_cast<double>(k) / (closed ? count : count - 1);
        if (k > 0 && (closed || k < count - 1) && !same_shape) t += 0.3 * u(gen) / count;
        c.row(k) = course(t);
      }
      if (closed) c.row(count) = c.row(0);
      return c;
    };
    Eigen::MatrixXd x(kPoints, 3);
    x.topRows(kLandmarks) << bent({0, 0, 2}), bent({2.5, 1, -1}), bent({-2, -1.5, 0.5}), bent({0.5, 3, 0});
    std::vector<Eigen::MatrixXd> curves = {clicks(loop, 23, true), clicks(arc, 14, false)};
    const Eigen::Index first[] = {kLandmarks, kLandmarks + kLoop};
    for (int j = 0; j < 2; ++j) {
      // pick3points closes a closed curve itself: it gets the clicks without the repeat.
      const Eigen::MatrixXd clicked = curves[j].topRows(curves[j].rows() - (j == 0 ? 1 : 0));
      const Eigen::RowVectorXd row = clicked.transpose().reshaped().transpose();
      const Eigen::RowVectorXd resampled = pick3points(row, j == 0 ? 1 : 3, j == 0 ? 10 : 8);
      x.middleRows(first[j], resampled.size() / 3) = resampled.reshaped(3, resampled.size() / 3).transpose();
    }
    // Its own pose: turned, scaled and moved, curves with it.
    const Eigen::Matrix3d turn = testing::random_rotation(seed + static_cast<unsigned>(i));
    const double scale = 1 + 0.5 * (u(gen) + 1);
    const Eigen::RowVector3d shift(u(gen), u(gen), u(gen));
    const auto pose = [&](const Eigen::MatrixXd& p) -> Eigen::MatrixXd {
      return ((scale * p) * turn).rowwise() + shift;
    };
    out.data.specimen(i) = pose(x);
    for (auto& c : curves) c = pose(c);
    out.curves.push_back(curves);
  }
  return out;
}

/// The largest distance of a semilandmark from its curve, over a sample.
double off_curve(const Sample& data, const CurvePolylines& curves, const SemilandmarkLayout& l) {
  double worst = 0;
  for (Eigen::Index i = 0; i < data.count(); ++i) {
    for (const SlidingPoint& s : l.sliding) {
      const Eigen::RowVector3d x = data.specimen(i).row(s.point);
      worst = std::max(worst, (x - nearest_on_polyline(x, curves[i][s.curve])).norm());
    }
  }
  return worst;
}

TEST(NearestOnPolyline, FeetOfPerpendicularsHeldWithinTheSegments) {
  Eigen::MatrixXd polyline(4, 3);
  polyline << 0, 0, 0, 2, 0, 0, 2, 2, 0, 2, 2, 2;
  const struct {
    Eigen::RowVector3d point, nearest;
  } cases[] = {
      {{1, 0.5, 0}, {1, 0, 0}},    // above the first segment
      {{-1, -1, 0}, {0, 0, 0}},    // before its start
      {{3, 1, 0}, {2, 1, 0}},      // beside the second
      {{2.5, 2.5, 5}, {2, 2, 2}},  // past its end
      {{1.9, 1, 0.1}, {2, 1, 0}},  // nearer the second segment than the third
      {{1.9, 1.9, 1}, {2, 2, 1}},  // nearer the third than the second
  };
  for (const auto& c : cases) EXPECT_LT((nearest_on_polyline(c.point, polyline) - c.nearest).norm(), 1e-15) << c.point;
  const Eigen::MatrixXd one = Eigen::RowVector3d(1, 2, 3);
  EXPECT_EQ(nearest_on_polyline(Eigen::RowVector3d(0, 0, 0), one), Eigen::RowVector3d(1, 2, 3));
}

class SlideSamplesTest : public ::testing::TestWithParam<SlideCriterion> {};

TEST_P(SlideSamplesTest, ProjectedPointsLieOnTheCurvesTheirSpecimensCarry) {
  const Digitised first = digitise(12, 1), second = digitise(9, 2);
  const SemilandmarkLayout l = layout();
  SlideOptions options;
  options.criterion = GetParam();
  const SlidSamples r = slide_samples(first.data, first.curves, second.data, {}, l, options);
  ASSERT_EQ(r.first.aligned.count(), 12);
  ASSERT_EQ(r.second.aligned.count(), 9);
  EXPECT_GE(r.iterations, 2);
  EXPECT_LT(off_curve(r.first.aligned, r.curves1, l), 1e-12);
  // The second sample, without clicks, on the polylines through its own points.
  EXPECT_LT(off_curve(r.second.aligned, r.curves2, l), 1e-12);
  // The curves were carried with their specimens: an open curve's ends, which
  // never slide, are still its first and last clicks.
  const Eigen::Index arc_first = kLandmarks + kLoop, arc_last = kPoints - 1;
  for (Eigen::Index i = 0; i < 12; ++i) {
    const Eigen::MatrixXd& arc = r.curves1[i][1];
    EXPECT_LT((r.first.aligned.specimen(i).row(arc_first) - arc.row(0)).norm(), 1e-12) << i;
    EXPECT_LT((r.first.aligned.specimen(i).row(arc_last) - arc.bottomRows(1)).norm(), 1e-12) << i;
  }
  // Without projection the slid points leave their curves.
  options.project = false;
  const SlidSamples loose = slide_samples(first.data, first.curves, second.data, {}, l, options);
  EXPECT_GT(off_curve(loose.first.aligned, loose.curves1, l), 1e-4);
}

TEST_P(SlideSamplesTest, SameResultOnOneAndTwoThreads) {
  const Digitised first = digitise(15, 3), second = digitise(6, 4);
  SlideOptions options;
  options.criterion = GetParam();
  const auto run = [&](int threads) {
    tbb::global_control limit(tbb::global_control::max_allowed_parallelism, threads);
    return slide_samples(first.data, first.curves, second.data, {}, layout(), options);
  };
  const SlidSamples one = run(1), two = run(2);
  EXPECT_TRUE(one.first.aligned == two.first.aligned);
  EXPECT_TRUE(one.second.aligned == two.second.aligned);
  EXPECT_EQ(one.first.mean, two.first.mean);
  EXPECT_EQ(one.second.mean, two.second.mean);
  EXPECT_EQ(one.procrustes_ss, two.procrustes_ss);
  for (std::size_t i = 0; i < one.curves1.size(); ++i) EXPECT_EQ(one.curves1[i][0], two.curves1[i][0]);
}

INSTANTIATE_TEST_SUITE_P(Criteria, SlideSamplesTest,
                         ::testing::Values(SlideCriterion::bending, SlideCriterion::procrustes),
                         [](const ::testing::TestParamInfo<SlideCriterion>& info) {
                           return info.param == SlideCriterion::bending ? "bending" : "procrustes";
                         });

TEST(SlideSamples, SettlesAtOnceWhenNothingVariesAndSaysWhenItDoesNotSettle) {
  const Digitised same = digitise(5, 5, true);
  const SlidSamples still = slide_samples(same.data, same.curves, Sample(), {}, layout(), SlideOptions());
  EXPECT_TRUE(still.settled);
  EXPECT_EQ(still.iterations, 1);
  EXPECT_LT(still.procrustes_ss.back(), 1e-20);

  const Digitised varied = digitise(8, 6);
  SlideOptions options;
  options.most_iterations = 2;
  options.tolerance = 0;
  int calls = 0;
  const SlidSamples unsettled =
      slide_samples(varied.data, varied.curves, Sample(), {}, layout(), options, [&](int done, int most) {
        EXPECT_EQ(done, ++calls);
        EXPECT_EQ(most, 2);
        return true;
      });
  EXPECT_FALSE(unsettled.settled);
  EXPECT_EQ(unsettled.iterations, 2);
  EXPECT_EQ(unsettled.procrustes_ss.size(), 3u);
  EXPECT_EQ(unsettled.first.aligned.count(), 8);

  const SlidSamples cancelled =
      slide_samples(varied.data, varied.curves, Sample(), {}, layout(), options, [](int, int) { return false; });
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_EQ(cancelled.iterations, 1);
}

TEST(SlideSamples, NamesAPointWithoutDirectionOnce) {
  Digitised d = digitise(6, 9);
  const Eigen::Index arc = kLandmarks + kLoop;
  d.data.specimen(2).row(arc + 2) = d.data.specimen(2).row(arc);  // point 2 of the arc has equal neighbours
  const SlidSamples r = slide_samples(d.data, d.curves, digitise(4, 10).data, {}, layout(), SlideOptions());
  ASSERT_EQ(r.unslid.size(), 1u);
  EXPECT_EQ(r.unslid[0].sample, 1);
  EXPECT_EQ(r.unslid[0].specimen, 3);
  EXPECT_EQ(r.unslid[0].row, arc + 1);
}

TEST(SlideSamples, RefusesWhatItCannotSlide) {
  Digitised twins = digitise(6, 7);
  for (Eigen::Index i = 0; i < 6; ++i) twins.data.specimen(i).row(1) = twins.data.specimen(i).row(0);
  Digitised ragged = digitise(6, 8);
  ragged.curves.pop_back();
  const struct {
    const Digitised& d;
    SlideCriterion criterion;
    const char* message;
  } cases[] = {
      {twins, SlideCriterion::bending, "Points 1 (landmark 1) and 2 (landmark 2) of the consensus coincide"},
      {ragged, SlideCriterion::procrustes, "The digitised curves kept with the first sample do not match it"},
  };
  for (const auto& c : cases) {
    SlideOptions options;
    options.criterion = c.criterion;
    try {
      slide_samples(c.d.data, c.d.curves, Sample(), {}, layout(), options);
      ADD_FAILURE() << c.message;
    } catch (const RuntimeError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  // Coincident landmarks do not stop the Procrustes criterion.
  SlideOptions procrustes;
  procrustes.criterion = SlideCriterion::procrustes;
  EXPECT_NO_THROW(slide_samples(twins.data, twins.curves, Sample(), {}, layout(), procrustes));
}

// A flat study digitised as curves are: an open arch from landmark 1 to
// landmark 2, its ends clicked on them, and a third landmark below; two groups
// of 20 whose arches lean differently. Each specimen's landmarks jitter, its
// arch bends its own way and is clicked unevenly, and it has its own pose.
struct FlatStudy {
  Sample first, second;
  CurvePolylines curves1, curves2;
  SemilandmarkLayout layout;
};

FlatStudy arch_study(unsigned seed) {
  constexpr Eigen::Index kFixed = 3, kArch = 12;
  Eigen::MatrixXd proto(8, 1);
  proto << 0, 0, 0, 0, 1, -999, 3, kArch;
  Eigen::RowVectorXd rbreak(2);
  rbreak << 3 * kFixed, 3 * (kFixed + kArch);
  FlatStudy out{Sample(kFixed + kArch, 20),
                Sample(kFixed + kArch, 20),
                {},
                {},
                semilandmark_layout(proto, rbreak, kFixed + kArch)};
  std::mt19937 gen(seed);
  std::normal_distribution<double> normal;
  for (int group = 0; group < 2; ++group) {
    for (Eigen::Index i = 0; i < 20; ++i) {
      Eigen::MatrixXd x = Eigen::MatrixXd::Zero(kFixed + kArch, 3);
      x.topRows(kFixed).leftCols(2) << 0, 0, 4, 0, 2, -1.5;
      x.topRows(kFixed).leftCols(2) += 0.05 * Eigen::MatrixXd::NullaryExpr(kFixed, 2, [&] { return normal(gen); });
      const double height = 1.5 + 0.1 * normal(gen), lean = (group == 0 ? 0.0 : 0.25) + 0.1 * normal(gen);
      const Eigen::RowVector3d from = x.row(0), to = x.row(1);
      Eigen::MatrixXd clicks(25, 3);
      for (int k = 0; k < 25; ++k) {
        double t = k / 24.0;
        if (k > 0 && k < 24) t += 0.01 * normal(gen);
        clicks.row(k) = from + t * (to - from);
        clicks(k, 1) += height * std::sin(M_PI * t) + lean * std::sin(2 * M_PI * t);
      }
      const Eigen::RowVectorXd row = clicks.transpose().reshaped().transpose();
      x.bottomRows(kArch) = pick3points(row, 3, kArch).reshaped(3, kArch).transpose();
      const double angle = normal(gen), scale = 1 + 0.2 * std::abs(normal(gen));
      Eigen::Matrix3d turn = Eigen::Matrix3d::Identity();
      turn.topLeftCorner(2, 2) << std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle);
      const Eigen::RowVector3d shift(normal(gen), normal(gen), 0);
      const auto pose = [&](const Eigen::MatrixXd& p) -> Eigen::MatrixXd {
        return ((scale * p) * turn).rowwise() + shift;
      };
      (group == 0 ? out.first : out.second).specimen(i) = pose(x);
      (group == 0 ? out.curves1 : out.curves2).push_back({pose(clicks)});
    }
  }
  return out;
}

// Goodall's F of the slid samples, straight from its definition: the squared
// distance between the means over the pooled spread about them.
double group_f(const SlidSamples& r) {
  double spread = 0;
  for (const Superimposition* s : {&r.first, &r.second})
    for (Eigen::Index i = 0; i < s->aligned.count(); ++i) spread += (s->aligned.specimen(i) - s->mean).squaredNorm();
  const double n1 = static_cast<double>(r.first.aligned.count()), n2 = static_cast<double>(r.second.aligned.count());
  return (n1 + n2 - 2) * (r.first.mean - r.second.mean).squaredNorm() / ((1 / n1 + 1 / n2) * spread);
}

TEST(SlideSamples, CurveEndsOnLandmarksSlideByBendingAndKeepTheGroupDifference) {
  const FlatStudy s = arch_study(21);
  SlideOptions bending, procrustes;
  procrustes.criterion = SlideCriterion::procrustes;
  const SlidSamples b = slide_samples(s.first, s.curves1, s.second, s.curves2, s.layout, bending);
  const SlidSamples p = slide_samples(s.first, s.curves1, s.second, s.curves2, s.layout, procrustes);

  // Both arch ends merged with their landmarks, and only by bending energy.
  ASSERT_EQ(b.merged.size(), 2u);
  EXPECT_EQ(b.merged[0].point, 3);
  EXPECT_EQ(b.merged[0].landmark, 0);
  EXPECT_EQ(b.merged[1].point, 14);
  EXPECT_EQ(b.merged[1].landmark, 1);
  EXPECT_LT(b.merged[0].distance, 1e-12);
  EXPECT_TRUE(p.merged.empty());
  EXPECT_TRUE(p.bending_energy.empty());

  // Sliding lowered what it minimises, and the planted difference stands out
  // as clearly as after Procrustes sliding.
  ASSERT_EQ(b.bending_energy.size(), 2u);
  EXPECT_LT(b.bending_energy[1], b.bending_energy[0]);
  const double fb = group_f(b), fp = group_f(p);
  EXPECT_GT(fb, 5) << "Procrustes sliding: " << fp;
  EXPECT_GT(fb, 0.5 * fp);
  EXPECT_LT(b.procrustes_ss.back(), 1.5 * b.procrustes_ss.front());
}

// In space the spline's kernel is r, whose energy form is negative: the
// energy reported is its size, and sliding lowers it there too.
TEST(SlideSamples, BendingEnergyInSpaceIsReportedAsASizeThatFalls) {
  const Digitised first = digitise(6, 31), second = digitise(5, 32);
  const SlidSamples r = slide_samples(first.data, first.curves, second.data, second.curves, layout(), SlideOptions());
  ASSERT_EQ(r.bending_energy.size(), 2u);
  EXPECT_GT(r.bending_energy[1], 0);
  EXPECT_LT(r.bending_energy[1], r.bending_energy[0]);
}

// A curve's end a hair beside its landmark is merged as well, one a third of
// half the spacing away is not.
TEST(ConsensusBendingEnergy, PointsNearALandmarkAreMergedWithinAShareOfTheSpacing) {
  const FlatStudy s = arch_study(22);
  Eigen::MatrixXd m = s.first.specimen(0);
  double spacing = 0;
  for (Eigen::Index i = 4; i < 15; ++i) spacing += (m.row(i) - m.row(i - 1)).norm() / 11;
  for (const double apart : {0.0, 1e-4, 0.2}) {
    Eigen::MatrixXd c = m;
    c(3, 0) = c(0, 0) + apart * spacing;
    c(3, 1) = c(0, 1);
    const std::vector<MergedPoint> merged = points_on_landmarks(c, s.layout);
    const bool first = !merged.empty() && merged.front().point == 3;
    EXPECT_TRUE(first) << apart;
    if (first) {
      EXPECT_NEAR(merged.front().share, apart, 0.03 * apart + 1e-9);
    }
    const Eigen::MatrixXd lp = consensus_bending_energy(c, s.layout, merged);
    EXPECT_EQ(lp.row(3).norm(), 0);
    EXPECT_TRUE(lp.allFinite());
  }
  Eigen::MatrixXd c = m;
  c.row(3) = c.row(0) + (c.row(4) - c.row(0)) / 2;
  for (const MergedPoint& merged : points_on_landmarks(c, s.layout)) EXPECT_NE(merged.point, 3);
}

// A curve of 200,000 points cannot be slid in any reasonable time, nor its
// spline held: refused up front, with the estimate, before any work.
TEST(SlideSamples, RefusesUpFrontWhatCannotFinish) {
  constexpr Eigen::Index kCurve = 200000, kAll = 3 + kCurve;
  Eigen::MatrixXd proto(8, 1);
  proto << 0, 0, 0, 0, 1, -999, 3, kCurve;
  Eigen::RowVectorXd rbreak(2);
  rbreak << 9, 3 * kAll;
  const SemilandmarkLayout long_curve = semilandmark_layout(proto, rbreak, kAll);
  Sample data(kAll, 10);
  for (Eigen::Index i = 0; i < 10; ++i) {
    Eigen::MatrixXd x = Eigen::MatrixXd::Zero(kAll, 3);
    for (Eigen::Index k = 0; k < kAll; ++k) x.row(k) << std::cos(1e-5 * k), std::sin(1e-5 * k) * (1 + 0.1 * i), 0;
    data.specimen(i) = x;
  }
  for (const auto& [criterion, message] :
       {std::pair{SlideCriterion::bending, "Sliding "}, std::pair{SlideCriterion::procrustes, "would take about"}}) {
    SlideOptions options;
    options.criterion = criterion;
    try {
      slide_samples(data, {}, Sample(), {}, long_curve, options);
      ADD_FAILURE() << message;
    } catch (const RuntimeError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace velmora
