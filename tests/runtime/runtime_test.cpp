// Console echoes, the call-by-name table, random streams and safe file writing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "runtime/console.h"
#include "runtime/error.h"
#include "runtime/file_write.h"
#include "runtime/function_table.h"
#include "runtime/random.h"

namespace velmora {
namespace {

TEST(EchoTest, FormsOfEveryKindOfValue) {
  EXPECT_EQ(format_echo("nh", 3.0), "nh = 3\n");
  EXPECT_EQ(format_echo("x", 0.25), "x = 0.25\n");
  EXPECT_EQ(format_echo("stemp", std::string("Error in rotation")), "stemp = Error in rotation\n");
  EXPECT_EQ(format_echo("stemp", std::string("a\nb")), "stemp =\na\nb\n");
  EXPECT_EQ(format_echo("e", Eigen::MatrixXd(0, 0)), "e = []\n");
  Eigen::MatrixXd row(1, 3);
  row << 9, 39, 69;
  EXPECT_EQ(format_echo("rbreak", row), "rbreak =\n           9          39          69\n");
  Sample s(1, 2);
  s.specimen(0) << 1, 2, 3;
  s.specimen(1) << 4, 5, 6.5;
  EXPECT_EQ(format_echo("data1", s),
            "data1(:,:,1) =\n           1           2           3\n"
            "data1(:,:,2) =\n           4           5         6.5\n");
}

TEST(CaptureConsoleTest, KeepsTextAndEchoes) {
  CaptureConsole c;
  c.write("hello ");
  c.echo("m", 40.0);
  EXPECT_EQ(c.text(), "hello m = 40\n");
  ASSERT_EQ(c.echoes().size(), 1u);
  EXPECT_EQ(c.echoes()[0].first, "m");
}

TEST(FunctionTableTest, DeclaredCountMessages) {
  EXPECT_EQ(declared_count_message("centsize3D", "outputs", 2),
            "Run-time Error: File: centsize3D Line: 1 Column: 1 The function \"centsize3D\" was called with more "
            "than the declared number of outputs (2).");
  FunctionTable table;
  int calls = 0;
  table.add({"x1y1z1", 2, 1, [&](const std::vector<Value>&, int) {
               ++calls;
               return std::vector<Value>{Eigen::MatrixXd::Zero(1, 1)};
             }});
  table.add({"velmora3d", -1, -1, [&](const std::vector<Value>&, int) { return std::vector<Value>{}; }});
  const std::vector<Value> three(3, Eigen::MatrixXd::Zero(1, 1));
  try {
    table.call("x1y1z1", three, 1);
    FAIL() << "three inputs were accepted";
  } catch (const RuntimeError& e) {
    EXPECT_STREQ(e.what(),
                 "Run-time Error: File: x1y1z1 Line: 1 Column: 1 The function \"x1y1z1\" was called with more than "
                 "the declared number of inputs (2).");
  }
  EXPECT_THROW(table.call("x1y1z1", {}, 2), RuntimeError);
  EXPECT_EQ(calls, 0) << "a refused call must not run";
  table.call("x1y1z1", {}, 1);
  EXPECT_EQ(calls, 1);
  // Negative counts are variable: no upper bound.
  EXPECT_NO_THROW(table.call("velmora3d", std::vector<Value>(12, std::string("a")), 5));
  EXPECT_THROW(table.call("nosuchfunction", {}, 0), RuntimeError);
}

TEST(RandomStreamTest, StreamsAreReproducibleAndIndependent) {
  RandomStream a(7, 3), b(7, 3), c(7, 4), d(8, 3);
  for (int i = 0; i < 100; ++i) {
    const double u = a.uniform();
    EXPECT_EQ(u, b.uniform());
    EXPECT_GT(u, 0.0);
    EXPECT_LT(u, 1.0);
  }
  EXPECT_NE(RandomStream(7, 3).next(), c.next());
  EXPECT_NE(RandomStream(7, 3).next(), d.next());
}

TEST(RandomStreamTest, PermutationsAreOrderingsAndVary) {
  RandomStream r(1, 0);
  std::set<std::vector<int>> seen;
  for (int k = 0; k < 50; ++k) {
    std::vector<int> p = r.permutation(6);
    std::vector<int> sorted = p;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    seen.insert(p);
  }
  EXPECT_GT(seen.size(), 40u);
  // Every position is reached by every value over many draws.
  std::vector<std::vector<int>> counts(4, std::vector<int>(4, 0));
  for (int k = 0; k < 4000; ++k) {
    auto p = r.permutation(4);
    for (int i = 0; i < 4; ++i) counts[i][p[i]]++;
  }
  for (const auto& row : counts)
    for (int n : row) EXPECT_NEAR(n, 1000, 150);
}

TEST(FileWriteTest, ReplacesWholeOrLeavesTheOldFile) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "velmora_file_write_test";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path target = dir / "out.txt";
  EXPECT_EQ(write_file_atomically(target, "first"), 5u);
  EXPECT_EQ(write_file_atomically(target, "second!"), 7u);
  std::ifstream in(target);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text, "second!");
  // A folder that does not exist: a clear error naming the path.
  try {
    write_file_atomically(dir / "missing" / "x.txt", "data");
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("missing/x.txt"), std::string::npos);
  }
  size_t files = 0;
  for ([[maybe_unused]] auto& entry : fs::directory_iterator(dir)) ++files;
  EXPECT_EQ(files, 1u) << "no temporary file may stay behind";
  fs::remove_all(dir);
}

}  // namespace
}  // namespace velmora
