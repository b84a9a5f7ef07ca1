// The loading actions through the dispatcher and the batch runner.
#include <gtest/gtest.h>

#include <sstream>

#include "app/batch_runner.h"
#include "app/dispatcher.h"
#include "support/io_test_util.h"

namespace velmora {
namespace {

using testing::DialogPort;
using testing::TempFolder;

const char* const kWorkedExample =
    "Load Protocol File prot.txt\n"
    "This file indicates ruler of length 10.000000 endpoints 3, 4\n"
    "There are 2 curves and the curve ending code is -999.000000\n"
    "Curve 1 is closed and will have 24 points\n"
    "Curve 2 is open and will have 11 points, last omitted";

TEST(LoadProtoAction, KeepsTheTableWritesBigBoxAndEchoes) {
  TempFolder dir;
  const auto file = dir.write("prot.txt", "1\n3\n4\n10\n2\n-999\n1\n24\n2\n12\n");
  DialogPort port;
  Dispatcher d(port);
  port.answer({file.string()});
  ASSERT_EQ(d.vm3sw("LoadProto"), Outcome::done);
  EXPECT_EQ(d.state().proto.size(), 10);
  EXPECT_EQ(d.state().proto(5, 0), -999);
  EXPECT_EQ(port.control_string("BigBox"), kWorkedExample);
  // count echoes from the loader, stemp per line, then nh.
  std::vector<std::string> names = port.echo_names();
  ASSERT_GE(names.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(names.end() - 4, names.end()),
            (std::vector<std::string>{"stemp", "stemp", "stemp", "nh"}));
}

TEST(LoadProtoAction, FailuresAndCancelChangeNothing) {
  TempFolder dir;
  const auto good = dir.write("prot.txt", "0 0 0 0 1 -1 1 5\n");
  const auto short_one = dir.write("short.txt", "1\n3\n4\n10\n2\n");
  DialogPort port;
  Dispatcher d(port);
  port.answer({good.string()});
  ASSERT_EQ(d.vm3sw("LoadProto"), Outcome::done);
  const Eigen::MatrixXd before = d.state().proto;
  const std::string box = port.control_string("BigBox");

  for (const std::string& answer : {std::string("cancel"), (dir.path() / "nope.txt").string(), short_one.string()}) {
    port.answer({answer});
    const Outcome o = d.vm3sw("LoadProto");
    EXPECT_EQ(o, answer == "cancel" ? Outcome::done : Outcome::failed) << answer;
    EXPECT_EQ(d.state().proto, before) << answer;
    EXPECT_EQ(port.control_string("BigBox"), box) << answer;
  }
  EXPECT_NE(port.console_text().find("Error on file open"), std::string::npos);
  EXPECT_NE(port.console_text().find("nope.txt"), std::string::npos);
}

TEST(LoadWireFrameAction, KeepsTableAndSwitchesOn) {
  TempFolder dir;
  const auto wire = dir.write("wire.txt", "1 1 2\n2 2 3\n3 3 1\n");
  DialogPort port;
  Dispatcher d(port);
  port.answer({wire.string()});
  ASSERT_EQ(d.vm3sw("LoadWireFrame"), Outcome::done);
  EXPECT_EQ(d.state().wirelist, (Eigen::MatrixXd(3, 3) << 1, 1, 2, 2, 2, 3, 3, 3, 1).finished());
  EXPECT_EQ(d.state().wireactive.value_or(-1), 1);
  EXPECT_EQ(port.dialogs.back().filter, "*.txt");

  d.mutable_state().wireactive = 0;
  port.answer({(dir.path() / "missing.txt").string()});
  EXPECT_EQ(d.vm3sw("LoadWireFrame"), Outcome::failed);
  EXPECT_EQ(d.state().wirelist.rows(), 3);
  EXPECT_EQ(d.state().wireactive.value_or(-1), 0);
  port.answer({"cancel"});
  EXPECT_EQ(d.vm3sw("LoadWireFrame"), Outcome::done);
  EXPECT_EQ(d.state().wireactive.value_or(-1), 0);
}

TEST(BatchRunner, LoadProtoPrintsTheFiveReportLines) {
  TempFolder dir;
  dir.write("prot.txt", "1 % ruler\n3\n4\n10\n2\n-999\n1\n24\n2\n12\n");
  const auto script = dir.write("study.txt", "# protocol only\nLoadProto prot.txt\n");
  BatchOptions options;
  options.script = script;
  options.quiet = true;
  std::ostringstream out, err;
  EXPECT_EQ(run_batch(options, out, err), 0) << err.str();
  EXPECT_EQ(out.str(), std::string("> LoadProto\n[BigBox]\n") + kWorkedExample + "\n");
}

}  // namespace
}  // namespace velmora
