// "SlideSamples" through the dispatcher on the 3D example study: the slid
// samples replace the study as one change, a reload, RestoreUnslid or Undo
// brings the unslid data back, and refusals and a cancel change nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/dispatcher.h"
#include "app/study_history.h"
#include "geometry/nearest_on_polyline.h"
#include "geometry/semilandmark_layout.h"
#include "runtime/headless/headless_port.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
const fs::path kStudy = fs::path(VELMORA_SOURCE_DIR) / "examples" / "skull3d";

class SlideDispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    port_.keep_events();
    ASSERT_EQ(run("LoadProto", "protocol.txt"), Outcome::done);
    ASSERT_EQ(run("LoadFile1", "first.tps"), Outcome::done);
    port_.set_control_value("ZEPButton", 1);
    ASSERT_EQ(run("LoadFile2", "second.txt"), Outcome::done);
    loaded_ = dispatcher_.state();
  }

  Outcome run(const std::string& action, const std::string& answer = "") {
    port_.set_action(action);
    port_.set_answers(answer.empty() ? std::vector<std::string>{} : std::vector<std::string>{answer}, kStudy);
    port_.clear_events();
    return dispatcher_.vm3sw(action);
  }

  const Event* last(const std::string& kind) const {
    const Event* found = nullptr;
    for (const Event& e : port_.events())
      if (e.kind == kind) found = &e;
    return found;
  }

  /// The study's samples and how they were slid are those of `other`.
  void expect_study(const WorkingState& other) const {
    const WorkingState& s = dispatcher_.state();
    EXPECT_TRUE(s.data1 == other.data1);
    EXPECT_TRUE(s.data2 == other.data2);
    EXPECT_EQ(s.mean1, other.mean1);
    EXPECT_EQ(s.mean2, other.mean2);
    EXPECT_EQ(s.slid1, other.slid1);
    EXPECT_EQ(s.slid2, other.slid2);
  }

  std::ostringstream console_;
  HeadlessPort port_{&console_};
  Dispatcher dispatcher_{port_};
  WorkingState loaded_;
};

TEST_F(SlideDispatch, SlidSamplesReplaceTheStudyAndAReloadReturnsToUnslidData) {
  ASSERT_EQ(run("SlideSamples"), Outcome::done) << console_.str();
  const WorkingState& s = dispatcher_.state();
  const Event* result = last("result");
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->text("criterion"), "bending");
  const int iterations = static_cast<int>(result->number("iterations"));
  const std::string notice = "slid: bending energy, " + std::to_string(iterations) + " iterations" +
                             (result->number("settled") == 1 ? "" : " without settling") + ", projected on curves";
  EXPECT_EQ(s.slid1, notice);
  EXPECT_EQ(s.slid2, notice);
  const Event* box = last("msgbox");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text("title"), "Slide semilandmarks");
  EXPECT_EQ(box->text("text").substr(0, notice.size()), notice);
  EXPECT_NE(box->text("text").find("its own resampled curve points"), std::string::npos);

  // Both samples moved, in the frames they have when loaded; the sizes measured at loading stay.
  EXPECT_FALSE(s.data1 == loaded_.data1);
  EXPECT_FALSE(s.data2 == loaded_.data2);
  EXPECT_EQ(s.data1cs, loaded_.data1cs);
  EXPECT_EQ(s.data2cs, loaded_.data2cs);
  EXPECT_NEAR(s.mean1.squaredNorm(), 1, 1e-12);
  EXPECT_NEAR(s.mean2.squaredNorm(), 1, 1e-12);
  // Each slid semilandmark of the first sample lies on the clicks it was digitised with.
  const SemilandmarkLayout layout = semilandmark_layout(s.proto, s.rbreak, s.data1.points());
  double worst = 0;
  for (Eigen::Index i = 0; i < s.data1.count(); ++i)
    for (const SlidingPoint& p : layout.sliding) {
      const Eigen::MatrixXd& clicks = s.curves1[static_cast<std::size_t>(i)][static_cast<std::size_t>(p.curve)];
      const Eigen::RowVector3d x = s.data1.specimen(i).row(p.point);
      const double best = (x - nearest_on_polyline(x, clicks)).norm();
      worst = std::max(worst, best);
    }
  EXPECT_LT(worst, 1e-12);

  // The study slides on from where it is; a reload brings back the unslid samples.
  port_.set_control_value("SlideCriterion", 2);
  ASSERT_EQ(run("SlideSamples"), Outcome::done) << console_.str();
  EXPECT_EQ(dispatcher_.state().slid1.substr(0, 27), "slid: Procrustes distance, ");
  ASSERT_EQ(run("LoadFile1", "first.tps"), Outcome::done);
  ASSERT_EQ(run("LoadFile2", "second.txt"), Outcome::done);
  expect_study(loaded_);
}

// The flat leaves slide with the plane's spline; their midrib is digitised to
// start a hair's breadth from the blade base: that end is taken as the
// landmark, the box names the pair and gives the bending energy it lowered.
TEST_F(SlideDispatch, AFlatStudyWithACurveStartingOnALandmarkMergesThem) {
  const fs::path leaves = kStudy.parent_path() / "leaf2d";
  ASSERT_EQ(run("LoadProto", (leaves / "protocol.txt").string()), Outcome::done);
  ASSERT_EQ(run("LoadFile2D", (leaves / "first.tps").string()), Outcome::done);
  dispatcher_.mutable_state().data2 = Sample();  // the first sample alone
  ASSERT_EQ(run("SlideSamples"), Outcome::done) << console_.str();
  const std::string text = last("msgbox")->text("text");
  EXPECT_NE(text.find("point 30 (curve 2, point 1) on point 2 (landmark 2)"), std::string::npos) << text;
  EXPECT_EQ(text.find("bends sharply"), std::string::npos) << text;
  EXPECT_NE(text.find("The summed bending energy of the specimens"), std::string::npos) << text;
  EXPECT_EQ(text.find("second sample"), std::string::npos) << text;
  const Event* result = last("result");
  ASSERT_NE(result, nullptr);
  const auto list = [&](const char* name) {
    const auto* v = std::get_if<std::vector<double>>(result->field(name));
    return v ? *v : std::vector<double>();
  };
  const std::vector<double> energy = list("bending_energy"), ss = list("procrustes_ss");
  ASSERT_FALSE(ss.empty());
  ASSERT_EQ(energy.size(), 2u);
  EXPECT_LT(energy[1], energy[0]);
  EXPECT_GE(result->number("merged"), 1);
  // The blade margin no longer runs off along its curve (it raised the sum
  // 2.3 times when the midrib start counted as a point of its own).
  EXPECT_LT(ss.back(), 1.5 * ss.front()) << text;
  EXPECT_EQ(dispatcher_.state().data1.values().col(2).cwiseAbs().maxCoeff(), 0);
  EXPECT_TRUE(dispatcher_.state().slid2.empty());
}

TEST_F(SlideDispatch, RefusalsAndACancelChangeNothing) {
  const Eigen::MatrixXd proto = loaded_.proto;
  dispatcher_.mutable_state().proto.reshaped()(4) = 0;  // a protocol of no curves
  ASSERT_EQ(run("SlideSamples"), Outcome::failed);
  ASSERT_NE(last("error"), nullptr);
  EXPECT_NE(last("error")->text("message").find("no curves, so there are no semilandmarks to slide"),
            std::string::npos);
  expect_study(loaded_);

  dispatcher_.mutable_state().proto = proto;
  port_.set_control_value("SlideCriterion", 3);
  ASSERT_EQ(run("SlideSamples"), Outcome::failed);
  EXPECT_NE(last("error")->text("message").find("1 (bending energy) or 2 (Procrustes distance)"), std::string::npos);
  expect_study(loaded_);

  port_.set_control_value("SlideCriterion", 1);
  port_.on_progress([](std::string_view, std::int64_t, std::int64_t) { return false; });
  ASSERT_EQ(run("SlideSamples"), Outcome::done);
  EXPECT_NE(console_.str().find("SlideSamples was cancelled after 1 of at most 10 iterations; nothing was changed."),
            std::string::npos);
  expect_study(loaded_);
  EXPECT_EQ(last("msgbox"), nullptr);
}

TEST_F(SlideDispatch, UndoAndBackToTheUnslidSamplesBringBackTheLoadedNumbersExactly) {
  ASSERT_EQ(run("SlideSamples"), Outcome::done) << console_.str();
  const WorkingState slid = dispatcher_.state();
  port_.set_control_value("SlideCriterion", 2);
  ASSERT_EQ(run("SlideSamples"), Outcome::done) << console_.str();

  ASSERT_EQ(run("RestoreUnslid"), Outcome::done) << console_.str();
  expect_study(loaded_);
  EXPECT_TRUE(dispatcher_.summary()->first.slid.empty());  // what the log reads as "loaded"
  EXPECT_EQ(dispatcher_.summary()->undoes, "RestoreUnslid");
  ASSERT_EQ(run("RestoreUnslid"), Outcome::failed);  // nothing slid now
  EXPECT_NE(last("error")->text("message").find("not slid"), std::string::npos);

  // Undo goes back one change at a time: the second slide, the first, the loaded samples.
  ASSERT_EQ(run("Undo"), Outcome::done);
  EXPECT_EQ(dispatcher_.state().slid1.substr(0, 27), "slid: Procrustes distance, ");
  ASSERT_EQ(run("Undo"), Outcome::done);
  expect_study(slid);
  ASSERT_EQ(run("Undo"), Outcome::done);
  expect_study(loaded_);
  EXPECT_EQ(last("figure")->text("op"), "open");  // the study's plot drawn anew
  EXPECT_EQ(dispatcher_.summary()->undoes, "LoadFile2");
  EXPECT_EQ(port_.control_value("SlideCriterion"), 2);  // the controls are not taken back
}

TEST_F(SlideDispatch, ANewFirstSampleDropsWhatNoLongerFitsAndUndoBringsItBack) {
  ASSERT_EQ(run("LoadWireFrame", "wireframe.txt"), Outcome::done);
  const WorkingState skull = dispatcher_.state();
  const fs::path leaves = kStudy.parent_path() / "leaf2d";
  ASSERT_EQ(run("LoadProto", (leaves / "protocol.txt").string()), Outcome::done);
  ASSERT_EQ(run("LoadFile2D", (leaves / "first.tps").string()), Outcome::done);
  const WorkingState& s = dispatcher_.state();
  ASSERT_NE(s.data1.points(), skull.data2.points());
  EXPECT_TRUE(s.data2.empty() && s.mean2.size() == 0 && s.names2.empty());
  EXPECT_TRUE(s.sources.second.empty());
  EXPECT_NE(console_.str().find("The second sample (file second.txt, " + std::to_string(skull.data2.points()) +
                                " points a specimen) no longer fits the first sample"),
            std::string::npos)
      << console_.str();
  // The skull's wireframe was loaded for the skull's points.
  EXPECT_EQ(s.wirelist.size(), 0);
  EXPECT_TRUE(s.sources.wireframe.empty());
  EXPECT_NE(console_.str().find("The wireframe (file wireframe.txt) was loaded for a first sample of " +
                                std::to_string(skull.data1.points())),
            std::string::npos)
      << console_.str();

  // A cancelled load is no change to take back.
  ASSERT_EQ(run("LoadFile1", "cancel"), Outcome::done);
  EXPECT_EQ(dispatcher_.summary()->undoes, "LoadFile2D");
  ASSERT_EQ(run("Undo"), Outcome::done);
  expect_study(skull);
  EXPECT_EQ(dispatcher_.state().wirelist, skull.wirelist);
  EXPECT_EQ(dispatcher_.state().sources.second, skull.sources.second);
  ASSERT_EQ(run("Undo"), Outcome::done);
  EXPECT_EQ(dispatcher_.state().proto, skull.proto);

  // A study that never changed has nothing to undo.
  Dispatcher fresh(port_);
  EXPECT_EQ(fresh.vm3sw("Undo"), Outcome::failed);
  EXPECT_NE(last("error")->text("message").find("nothing to undo"), std::string::npos);
}

TEST(StudyHistory, KeepsTheNewestChangesOnly) {
  std::shared_ptr<const EarlierStudy> history;
  for (int k = 1; k <= 5; ++k)
    history = remember(history, "step " + std::to_string(k), std::make_shared<const WorkingState>(), 3);
  std::vector<std::string> kept;
  for (const EarlierStudy* e = history.get(); e != nullptr; e = e->before.get()) kept.push_back(e->action);
  EXPECT_EQ(kept, (std::vector<std::string>{"step 5", "step 4", "step 3"}));
  EXPECT_EQ(history->depth, 3u);
}

}  // namespace
}  // namespace velmora
