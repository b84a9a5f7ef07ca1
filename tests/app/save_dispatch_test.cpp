// The saving actions reached through the dispatcher: what they keep in the
// working state.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/dispatcher.h"
#include "geometry/getpproc3.h"
#include "runtime/headless/headless_port.h"
#include "support/shapes.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

class SaveDispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("velmora_dispatch_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    port_.keep_events();
    WorkingState& s = dispatcher_.mutable_state();
    s.data1 = Sample(5, 2);
    s.data1.specimen(0) = testing::unit_centred(testing::random_shape(5, 1));
    s.data1.specimen(1) = testing::unit_centred(testing::random_shape(5, 2));
    s.data1cs = Eigen::RowVector2d(2, 3);
    s.mean1 = testing::unit_centred(s.data1.specimen(0) + s.data1.specimen(1));
    s.proto = Eigen::MatrixXd::Zero(6, 1);  // no ruler, no curves
    s.rbreak = Eigen::RowVectorXd::Constant(1, 15);
    s.data2 = s.data1;
    s.data2cs = s.data1cs;
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path folder_;
  HeadlessPort port_;
  Dispatcher dispatcher_{port_};
};

TEST_F(SaveDispatch, EveryActionKeepsTheChosenNameOrZeroAfterACancel) {
  for (const char* action : {"SaveFile1", "SaveFile2D", "SaveAlignedFile1", "SaveAlignedFile2D", "SaveFile2"}) {
    port_.set_answers({std::string(action) + ".txt"}, folder_);
    ASSERT_EQ(dispatcher_.vm3sw(action), Outcome::done) << action;
    ASSERT_TRUE(std::holds_alternative<std::string>(dispatcher_.state().fname1)) << action;
    EXPECT_EQ(std::get<std::string>(dispatcher_.state().fname1), std::string(action) + ".txt");
    EXPECT_TRUE(fs::exists(folder_ / (std::string(action) + ".txt"))) << action;

    port_.set_answers({"cancel"}, folder_);
    ASSERT_EQ(dispatcher_.vm3sw(action), Outcome::done) << action;
    ASSERT_TRUE(std::holds_alternative<double>(dispatcher_.state().fname1)) << action;
    EXPECT_EQ(std::get<double>(dispatcher_.state().fname1), 0.0);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 5);
}

TEST_F(SaveDispatch, SavingWithoutASampleFailsClearlyAndKeepsTheState) {
  dispatcher_.mutable_state().data2 = Sample();
  dispatcher_.mutable_state().data2cs.resize(0);
  dispatcher_.mutable_state().fname1 = std::string("before.txt");
  EXPECT_EQ(dispatcher_.vm3sw("SaveFile2"), Outcome::failed);
  EXPECT_EQ(std::get<std::string>(dispatcher_.state().fname1), "before.txt");
  ASSERT_FALSE(port_.events().empty());
  EXPECT_EQ(port_.events().back().kind, "error");
  EXPECT_EQ(port_.events().back().text("message"), "There is no second sample to save: load one with LoadFile2 first.");
}

TEST_F(SaveDispatch, AFileThatCannotBeWrittenIsNamedAndTheStateIsKept) {
  for (const char* action : {"SaveFile1", "SaveFile2D", "SaveAlignedFile1", "SaveAlignedFile2D", "SaveFile2"}) {
    dispatcher_.mutable_state().fname1 = std::string("before.txt");
    port_.set_answers({"no-such-folder/out.txt"}, folder_);
    EXPECT_EQ(dispatcher_.vm3sw(action), Outcome::failed) << action;
    ASSERT_TRUE(std::holds_alternative<std::string>(dispatcher_.state().fname1)) << action;
    EXPECT_EQ(std::get<std::string>(dispatcher_.state().fname1), "before.txt") << action;
    ASSERT_EQ(port_.events().back().kind, "error") << action;
    EXPECT_NE(port_.events().back().text("message").find("no-such-folder/out.txt"), std::string::npos)
        << port_.events().back().text("message");
  }
  EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(SaveDispatch, SaveFile1ReloadsAsASecondSampleToTheDigitsWritten) {
  // A superimposed first sample, as a load leaves it.
  Sample raw(8, 4);
  for (Eigen::Index i = 0; i < 4; ++i)
    raw.specimen(i) = testing::random_shape(8, 3) + 0.1 * testing::random_shape(8, 10 + static_cast<unsigned>(i));
  const Superimposition first = getpproc3(raw);
  WorkingState& s = dispatcher_.mutable_state();
  s.data1 = first.aligned;
  s.mean1 = first.mean;
  s.data1cs = Eigen::RowVector4d(5, 6, 7, 8);

  port_.set_answers({"first.txt"}, folder_);
  ASSERT_EQ(dispatcher_.vm3sw("SaveFile1"), Outcome::done);
  port_.set_control_value("ZEPButton", 1);
  port_.set_answers({"first.txt"}, folder_);
  ASSERT_EQ(dispatcher_.vm3sw("LoadFile2"), Outcome::done);
  const Sample& back = dispatcher_.state().data2;
  ASSERT_EQ(back.count(), 4);
  ASSERT_EQ(back.points(), 8);
  EXPECT_LT((back.values() - first.aligned.values()).cwiseAbs().maxCoeff(), 2e-6);
}

}  // namespace
}  // namespace velmora
