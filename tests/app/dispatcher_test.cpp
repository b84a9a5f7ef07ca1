// The dispatcher: order of the names, unknown names, Clear, ToggleDots, failures.
#include "app/dispatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "runtime/headless/headless_port.h"

namespace velmora {
namespace {

class DispatcherTest : public ::testing::Test {
 protected:
  void SetUp() override { port.keep_events(); }
  HeadlessPort port;
  Dispatcher dispatcher{port};
};

TEST(DispatcherNamesTest, ThirtyFiveActionsInTheirOrderThenTheAddedOnes) {
  const auto& names = Dispatcher::action_names();
  ASSERT_EQ(names.size(), 51u);
  EXPECT_EQ(names.front(), "LoadProto");
  EXPECT_EQ(names[11], "LoadFile2");
  EXPECT_EQ(names[21], "GoodallF");
  EXPECT_EQ(names[24], "CopyEPS");
  EXPECT_EQ(names[34], "Clear");
  std::set<std::string> unique(names.begin(), names.end());
  EXPECT_EQ(unique.size(), 51u);
  // The whole order: the first equal name runs, so every position matters.
  const std::vector<std::string> expected = {"LoadProto",
                                             "LoadFile1",
                                             "LoadFile2D",
                                             "ShowMean1",
                                             "Listd",
                                             "ShowData1",
                                             "AddLabels",
                                             "SaveFile1",
                                             "SaveFile2D",
                                             "SaveAlignedFile1",
                                             "SaveAlignedFile2D",
                                             "LoadFile2",
                                             "ShowMean2",
                                             "ShowData2",
                                             "SaveFile2",
                                             "OpenFigure",
                                             "ClearFigure",
                                             "CopyImage",
                                             "LoadWireFrame",
                                             "AxisOn",
                                             "AxisOff",
                                             "GoodallF",
                                             "BootF",
                                             "PermuteF",
                                             "CopyEPS",
                                             "GetDisparity",
                                             "PermuteVariance",
                                             "ThickerLines",
                                             "ThinnerLines",
                                             "FilledSymbols",
                                             "EmptySymbols",
                                             "BiggerSymbols",
                                             "SmallerSymbols",
                                             "ToggleDots",
                                             "Clear",
                                             "ShapePCA",
                                             "ShowDifference",
                                             "SlideSamples",
                                             "LoadSurfaces",
                                             "ShowSurface",
                                             "ShowSurfaceDifference",
                                             "ShowPCSurfaces",
                                             "SaveSurface",
                                             "LoadSpecimenTable",
                                             "ProcrustesANOVA",
                                             "PairwiseGroups",
                                             "Allometry",
                                             "CVA",
                                             "TwoBlockPLS",
                                             "Undo",
                                             "RestoreUnslid"};
  EXPECT_EQ(names, expected);
}

TEST(DispatcherFallThroughTest, UnknownNamesPrintTheLineAndChangeNothing) {
  for (const std::string name : {"loadproto", "", "LoadProto ", "CLEAR"}) {
    std::ostringstream out;
    HeadlessPort port(&out);
    port.keep_events();
    Dispatcher d(port);
    d.mutable_state().proto = Eigen::MatrixXd::Constant(1, 1, 5);
    EXPECT_EQ(d.vm3sw(name), Outcome::unknown);
    EXPECT_EQ(out.str(), "Fell through Switch!  Dang! \n Call was " + name) << "name: [" << name << "]";
    EXPECT_EQ(d.state().proto(0, 0), 5);
    EXPECT_TRUE(port.events().empty());
  }
}

TEST_F(DispatcherTest, ClearKeepsProtocolAndCurveStarts) {
  WorkingState& s = dispatcher.mutable_state();
  s.proto = Eigen::MatrixXd::Constant(6, 1, 1);
  s.rbreak = Eigen::RowVector2d(9, 39);
  s.data1 = Sample(4, 2);
  s.data1cs = Eigen::RowVector2d(1, 2);
  s.mean1 = Eigen::MatrixXd::Ones(4, 3);
  s.data2 = Sample(4, 3);
  s.mean2 = Eigen::MatrixXd::Ones(4, 3);
  s.wirelist = Eigen::MatrixXd::Ones(2, 3);
  s.wireactive = 1;
  s.fname1 = std::string("out.txt");
  const Handle plot = port.graphics().new_figure();
  s.fighand1 = plot;

  EXPECT_EQ(dispatcher.vm3sw("Clear"), Outcome::done);
  const WorkingState& after = dispatcher.state();
  EXPECT_EQ(after.proto.rows(), 6);
  EXPECT_EQ(after.rbreak.size(), 2);
  EXPECT_TRUE(after.data1.empty());
  EXPECT_EQ(after.data1cs.size(), 0);
  EXPECT_EQ(after.mean1.size(), 0);
  EXPECT_TRUE(after.data2.empty());
  EXPECT_EQ(after.mean2.size(), 0);
  EXPECT_EQ(after.wirelist.size(), 0);
  EXPECT_FALSE(after.wireactive.has_value());
  EXPECT_FALSE(after.fighand1.has_value());
  EXPECT_TRUE(std::holds_alternative<std::monostate>(after.fname1));
  EXPECT_FALSE(port.graphics().is_handle(plot)) << "Clear closes the plot window";
  EXPECT_EQ(port.control_string("BigBox"), "    ");
  // With no plot window open, Clear still blanks BigBox.
  port.set_control_string("BigBox", "report");
  EXPECT_EQ(dispatcher.vm3sw("Clear"), Outcome::done);
  EXPECT_EQ(port.control_string("BigBox"), "    ");
}

TEST_F(DispatcherTest, ToggleDotsTwiceReturnsToTheFirstState) {
  const std::string first = port.control_checked("DotCheck");
  dispatcher.vm3sw("ToggleDots");
  EXPECT_NE(port.control_checked("DotCheck"), first);
  dispatcher.vm3sw("ToggleDots");
  EXPECT_EQ(port.control_checked("DotCheck"), first);
  port.set_control_checked("DotCheck", "On");
  EXPECT_EQ(port.control_checked("DotCheck"), "on");
  dispatcher.vm3sw("ToggleDots");
  EXPECT_EQ(port.control_checked("DotCheck"), "off");
}

TEST_F(DispatcherTest, ListdEchoesTheFirstSample) {
  Sample s(2, 1);
  s.specimen(0) << 1, 2, 3, 4, 5, 6;
  dispatcher.mutable_state().data1 = s;
  dispatcher.vm3sw("Listd");
  ASSERT_FALSE(port.events().empty());
  const Event& e = port.events().back();
  EXPECT_EQ(e.kind, "echo");
  EXPECT_EQ(e.text("name"), "data1");
  EXPECT_EQ(e.action, "");
}

TEST_F(DispatcherTest, AFailingActionChangesNothingAndTheNextOneRuns) {
  dispatcher.mutable_state().proto = Eigen::MatrixXd::Constant(1, 1, 42);
  port.set_answers({"/nonexistent/folder/protocol.txt"}, "/");
  EXPECT_EQ(dispatcher.vm3sw("LoadProto"), Outcome::failed);
  EXPECT_EQ(dispatcher.state().proto.size(), 1);
  EXPECT_EQ(dispatcher.state().proto(0, 0), 42);
  bool reported = false;
  for (const auto& e : port.events()) reported = reported || e.kind == "error";
  EXPECT_TRUE(reported) << "the failure must reach the UI port";
  EXPECT_EQ(dispatcher.vm3sw("Clear"), Outcome::done);
}

}  // namespace
}  // namespace velmora
