// The readers in the call-by-name table: declared counts and results.
#include "io/io_functions.h"

#include <gtest/gtest.h>

#include "support/io_test_util.h"
#include "runtime/error.h"

namespace velmora {
namespace {

using testing::DialogPort;
using testing::TempFolder;

TEST(IoFunctions, DeclaredCounts) {
  DialogPort port;
  FunctionTable table;
  register_io_functions(table, port);
  const std::vector<std::tuple<std::string, int, int>> declared = {
      {"mfload", 1, 2},
      {"mfloadtxt", 1, 2},
      {"dload2c", 1, 2},
      {"dload", 1, 1},
      {"gettpsfile3D", 1, 3},
      {"get_irregular_tpsfile3D", 1, 4},
      {"get_irregular_tpsfile2D", 1, 4},
  };
  for (const auto& [name, inputs, outputs] : declared) {
    const FunctionEntry* e = table.find(name);
    ASSERT_NE(e, nullptr) << name;
    EXPECT_EQ(e->inputs, inputs) << name;
    EXPECT_EQ(e->outputs, outputs) << name;
    try {
      table.call(name, {}, outputs + 1);
      ADD_FAILURE() << name;
    } catch (const RuntimeError& err) {
      EXPECT_EQ(std::string(err.what()), "Run-time Error: File: " + name + " Line: 1 Column: 1 The function \"" + name +
                                             "\" was called with more than the declared number of outputs (" +
                                             std::to_string(outputs) + ").");
    }
  }
  EXPECT_TRUE(port.dialogs.empty());
}

TEST(IoFunctions, ReadersByNameGiveTheirResults) {
  TempFolder dir;
  const auto tps = dir.write("a.txt", "LM=2 x\n1 2 3 4 5 6\nLM=3\n1 2 3 4 5 6 7 8 9\n");
  dir.write("t.txt", "1 2 % c\n3 4\n");
  DialogPort port;
  port.set_working_folder(dir.path());
  FunctionTable table;
  register_io_functions(table, port);

  port.answer({tps.string()});
  const std::vector<Value> r = table.call("get_irregular_tpsfile3D", {}, 4);
  ASSERT_EQ(r.size(), 4u);
  const auto& y = std::get<std::vector<Eigen::MatrixXd>>(r[0]);
  ASSERT_EQ(y.size(), 2u);
  EXPECT_EQ(y[1].cols(), 9);
  EXPECT_EQ(std::get<Eigen::MatrixXd>(r[1]), (Eigen::MatrixXd(1, 2) << 6, 9).finished());
  EXPECT_EQ(std::get<std::string>(r[2]), "a.txt");

  // dload2c takes a file name, relative to the working folder.
  const std::vector<Value> t = table.call("dload2c", {std::string("t.txt")}, 2);
  EXPECT_EQ(std::get<Eigen::MatrixXd>(t[0]), (Eigen::MatrixXd(2, 2) << 1, 2, 3, 4).finished());
  EXPECT_EQ(std::get<std::vector<std::string>>(t[1]), (std::vector<std::string>{"% c\n", ""}));

  port.answer({"cancel"});
  EXPECT_THROW(table.call("mfload", {}, 2), RuntimeError);
}

}  // namespace
}  // namespace velmora
