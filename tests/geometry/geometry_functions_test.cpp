#include "geometry/geometry_functions.h"

#include <gtest/gtest.h>

#include "runtime/error.h"

namespace velmora {
namespace {

TEST(GeometryFunctions, DeclaredCountsAreRegistered) {
  FunctionTable table;
  register_geometry_functions(table);
  const std::vector<std::tuple<std::string, int, int>> declared = {
      {"centsize3D", 1, 2}, {"centsize3Da", 1, 1},         {"d_slm_align", 3, 1}, {"getpdistance3", 2, 1},
      {"getpproc3", 1, 2},  {"getpprocon3", 2, 1},         {"pick3points", 4, 1}, {"vertxy3D", 1, 1},
      {"x1y1z1", 2, 1},     {"partialprocrustes3a", 2, 1}, {"svdrot2", 2, 1}};
  for (const auto& [name, inputs, outputs] : declared) {
    const FunctionEntry* e = table.find(name);
    ASSERT_NE(e, nullptr) << name;
    EXPECT_EQ(e->inputs, inputs) << name;
    EXPECT_EQ(e->outputs, outputs) << name;
  }
}

TEST(GeometryFunctions, CallsByNameGiveTheResultsAndTheCountMessages) {
  FunctionTable table;
  register_geometry_functions(table);
  Eigen::MatrixXd x(4, 3);
  x << 0, 0, 5, 2, 0, 5, 2, 2, 5, 0, 2, 5;
  const auto r = table.call("centsize3D", {x}, 2);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_DOUBLE_EQ(std::get<Eigen::MatrixXd>(r[1])(0, 0), std::sqrt(8.0));
  try {
    table.call("centsize3D", {x}, 3);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_STREQ(e.what(),
                 "Run-time Error: File: centsize3D Line: 1 Column: 1 The function \"centsize3D\" was called with "
                 "more than the declared number of outputs (2).");
  }
  Eigen::MatrixXd line(1, 12);
  line << 0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0;
  const auto three =
      table.call("pick3points", {line, Eigen::MatrixXd::Constant(1, 1, 0.0), Eigen::MatrixXd::Constant(1, 1, 7.0)}, 1);
  EXPECT_EQ(std::get<Eigen::MatrixXd>(three[0]).size(), 21);
  EXPECT_THROW(table.call("pick3points", {line, line, line, line, line}, 1), RuntimeError);
  EXPECT_THROW(table.call("x1y1z1", {x}, 1), RuntimeError);  // too few inputs: a message, not a crash
}

}  // namespace
}  // namespace velmora
