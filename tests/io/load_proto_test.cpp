#include "io/load_proto.h"

#include <gtest/gtest.h>

#include "support/io_test_util.h"
#include "runtime/error.h"

namespace velmora {
namespace {

Eigen::MatrixXd values(std::initializer_list<double> v) {
  Eigen::MatrixXd m(v.size(), 1);
  int i = 0;
  for (double x : v) m(i++, 0) = x;
  return m;
}

const char* const kWorkedExample =
    "Load Protocol File prot.txt\n"
    "This file indicates ruler of length 10.000000 endpoints 3, 4\n"
    "There are 2 curves and the curve ending code is -999.000000\n"
    "Curve 1 is closed and will have 24 points\n"
    "Curve 2 is open and will have 11 points, last omitted";

struct ReportCase {
  std::string name;
  Eigen::MatrixXd proto;
  std::string report;
};

TEST(ProtocolReport, Texts) {
  const std::vector<ReportCase> cases = {
      {"worked example", values({1, 3, 4, 10, 2, -999, 1, 24, 2, 12}), kWorkedExample},
      {"no ruler", values({0, 3, 4, 10, 1, -1, 1, 8}),
       "Load Protocol File prot.txt\nNo ruler is in use\nThere are 1 curves and the curve ending code is "
       "-1.000000\nCurve 1 is closed and will have 8 points"},
      {"ruler flag other than 1", values({2, 3, 4, 10, 0, 9999}),
       "Load Protocol File prot.txt\nNo ruler is in use\nThere are 0 curves and the curve ending code is 9999.000000"},
      {"open-ended types", values({0, 0, 0, 0, 3, 5.5, 3, 10, 0, 11, -1, 12}),
       "Load Protocol File prot.txt\nNo ruler is in use\nThere are 3 curves and the curve ending code is "
       "5.500000\nCurve 1 is open-ended and will have 10 points\nCurve 2 is open-ended and will have 11 points\n"
       "Curve 3 is open-ended and will have 12 points"},
      {"values after the last curve are not used", values({1, 1, 2, 50, 1, -999, 2, 5, 77, 78}),
       "Load Protocol File prot.txt\nThis file indicates ruler of length 50.000000 endpoints 1, 2\nThere are 1 "
       "curves and the curve ending code is -999.000000\nCurve 1 is open and will have 4 points, last omitted"},
  };
  for (const auto& c : cases) {
    CaptureConsole console;
    EXPECT_EQ(protocol_report(c.proto, "prot.txt", console), c.report) << c.name;
    // stemp after the header and after every curve line.
    const long curves = static_cast<long>(c.proto(4, 0));
    ASSERT_EQ(console.echoes().size(), static_cast<std::size_t>(1 + curves)) << c.name;
    EXPECT_EQ(std::get<std::string>(console.echoes().front().second), "Load Protocol File prot.txt");
    if (curves > 0) {
      EXPECT_EQ(std::get<std::string>(console.echoes().back().second), c.report) << c.name;
    }
  }
}

// A console nobody hears (a quiet run with no event file) is spared the echoes,
// which would cost time and memory in the square of the number of curves.
TEST(ProtocolReport, NoEchoIsBuiltForAConsoleNobodyHears) {
  class Unheard : public CaptureConsole {
    bool listening() const override { return false; }
  } console;
  EXPECT_EQ(protocol_report(values({1, 3, 4, 10, 2, -999, 1, 24, 2, 12}), "prot.txt", console), kWorkedExample);
  EXPECT_TRUE(console.echoes().empty());
}

TEST(ProtocolReport, OneLineProtocolGivesTheSameReport) {
  Eigen::MatrixXd row(1, 10);
  row << 1, 3, 4, 10, 2, -999, 1, 24, 2, 12;
  CaptureConsole console;
  EXPECT_EQ(protocol_report(row, "prot.txt", console), kWorkedExample);
}

TEST(ProtocolReport, MissingValueNamesItsMeaning) {
  CaptureConsole console;
  try {
    protocol_report(values({1, 3, 4, 10, 2, -999, 1, 24, 2}), "p.txt", console);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_STREQ(e.what(), "The protocol p.txt holds 9 values; value 10 (the number of points of curve 2) is missing.");
  }
  EXPECT_THROW(protocol_report(values({1, 3, 4, 10, 2}), "p.txt", console), RuntimeError);
  EXPECT_THROW(protocol_report(Eigen::MatrixXd(0, 0), "p.txt", console), RuntimeError);
}

}  // namespace
}  // namespace velmora
