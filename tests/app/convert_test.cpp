// velmora3d convert: the round trip through every writer back to TPS, a folder
// of markups given as a pattern, and the exit statuses.
#include "app/convert.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "io/formats/landmark_file.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

struct Folder {
  fs::path path = fs::temp_directory_path() / ("velmora_convert_" + std::to_string(::getpid()));
  Folder() { fs::create_directories(path); }
  ~Folder() { fs::remove_all(path); }
  fs::path write(const std::string& name, const std::string& text) const {
    fs::create_directories((path / name).parent_path());
    std::ofstream(path / name, std::ios::binary) << text;
    return path / name;
  }
};

int convert(std::vector<std::string> args, std::string* err = nullptr) {
  std::ostringstream out, errors;
  const int status = run_convert(args, out, errors);
  if (err) *err = errors.str();
  return status;
}

TEST(Convert, TpsThroughMorphologikaNtsAndCsvBackToTheSameTps) {
  Folder f;
  const std::string tps = "LM3=3\n1 2 3\n4.5 -5 6\n7 8 9.25\nID=RT01\nLM3=3\n1 2.5 3\n4 5 6\n7 -8 1e-300\nID=RT02\n";
  const fs::path start = f.write("start.tps", tps);
  const std::vector<std::pair<std::string, std::string>> steps = {
      {"start.tps", "b.txt"}, {"b.txt", "c.nts"}, {"c.nts", "d.csv"}, {"d.csv", "end.tps"}};
  const std::vector<std::string> formats = {"morphologika", "nts", "csv", "tps"};
  for (std::size_t i = 0; i < steps.size(); ++i) {
    std::vector<std::string> args = {(f.path / steps[i].first).string(), (f.path / steps[i].second).string()};
    if (i == 0) args.insert(args.end(), {"--to", "morphologika"});
    ASSERT_EQ(convert(args), 0) << steps[i].first;
    EXPECT_EQ(read_landmark_file(f.path / steps[i].second, std::nullopt).format, format_from_name(formats[i]));
  }
  std::ifstream in(f.path / "end.tps");
  std::ostringstream end;
  end << in.rdbuf();
  EXPECT_EQ(end.str(), tps);
}

TEST(Convert, AFolderOfMarkupsByPatternBecomesOneTpsFileInNameOrder) {
  Folder f;
  const std::string point = R"({"markups": [{"coordinateSystem": "RAS", "controlPoints": [{"position": [1, 2, 3]}]}]})";
  f.write("markups/b.mrk.json", point);
  f.write("markups/a.mrk.json", point);
  f.write("markups/notes.txt", "not a markups file");
  std::string err;
  ASSERT_EQ(convert({(f.path / "markups" / "*.mrk.json").string(), (f.path / "all.tps").string()}, &err), 0) << err;
  const LandmarkFile all = read_landmark_file(f.path / "all.tps", std::nullopt);
  ASSERT_EQ(all.specimens.specimens.size(), 2u);
  EXPECT_EQ(all.specimens.specimens[0].name, "a");
  EXPECT_EQ(all.specimens.specimens[1].points, Eigen::RowVector3d(-1, -2, 3));
  EXPECT_NE(err.find("a.mrk.json: markups[0]: coordinate system RAS; the points were turned into LPS"),
            std::string::npos)
      << err;
}

// A markups point holding an object nested ten million deep.
std::string deep_markups() {
  std::string text = R"({"markups": [{"controlPoints": [{"position": [1, 2, 3], "note": )";
  for (int i = 0; i < 10'000'000; ++i) text += R"({"a":)";
  text += "1" + std::string(10'000'000, '}') + "}]}]}";
  return text;
}

TEST(Convert, ExitStatusesAndMessages) {
  Folder f;
  const fs::path tps = f.write("s.tps", "LM3=1\n1 2 3\n");
  const fs::path deep = f.write("deep.mrk.json", deep_markups());
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string part;
  };
  const std::vector<Case> cases = {
      {{tps.string()}, 2, "an input and an output file are needed"},
      {{tps.string(), (f.path / "o.txt").string()}, 2, "name the format of"},
      {{tps.string(), (f.path / "o.txt").string(), "--to", "pts"}, 2, "no writer for an IDAV point file"},
      {{tps.string(), (f.path / "o.tps").string(), "--bogus"}, 2, "unknown option --bogus"},
      {{(f.path / "none*.tps").string(), (f.path / "o.tps").string()}, 1, "No file matches"},
      {{(f.path / "missing.tps").string(), (f.path / "o.tps").string()}, 1, "missing.tps does not exist"},
      {{f.path.string(), (f.path / "o.tps").string()}, 1, "is not a regular file"},
      {{tps.string(), (f.path / "o.tps").string(), "--from", "nts"}, 1, "s.tps, line 1: the parameter line"},
      {{deep.string(), (f.path / "o.tps").string()}, 1, "deep.mrk.json, line 1: lists and objects nested more than"},
  };
  for (const Case& c : cases) {
    std::string err;
    EXPECT_EQ(convert(c.args, &err), c.status) << c.part;
    EXPECT_NE(err.find(c.part), std::string::npos) << err;
  }
  EXPECT_FALSE(fs::exists(f.path / "o.tps"));
}

// An output that is one of the inputs, however named, or the last of a
// pattern's matches with the output forgotten, is refused and left as it was.
TEST(Convert, NeverOverwritesItsInputs) {
  Folder f;
  const std::string a = "LM3=1\n1 2 3\nIMAGE=a.png\nID=a\n", b = "LM3=1\n4 5 6\nID=b\n", c = "LM3=1\n7 8 9\nID=c\n";
  const fs::path pa = f.write("data/a.tps", a), pb = f.write("data/b.tps", b), pc = f.write("data/c.tps", c);
  fs::create_symlink(pa, f.path / "link.tps");
  struct Case {
    std::vector<std::string> args;
    std::string part;
  };
  const std::vector<Case> cases = {
      {{pa.string(), pa.string()}, "is also an input"},
      {{pa.string(), (f.path / "data" / "." / "a.tps").string()}, "is also an input"},
      {{pa.string(), pb.string(), (f.path / "link.tps").string()}, "is also an input"},
      {{(f.path / "data" / "*.tps").string(), pb.string()}, "is also an input"},
      {{pa.string(), pb.string(), pc.string()}, "the output forgotten"},
  };
  for (const Case& k : cases) {
    std::string err;
    EXPECT_EQ(convert(k.args, &err), 1) << k.args.back();
    EXPECT_NE(err.find(k.part), std::string::npos) << err;
  }
  for (const auto& [path, text] : {std::pair{pa, a}, std::pair{pb, b}, std::pair{pc, c}}) {
    std::ifstream in(path);
    std::ostringstream now;
    now << in.rdbuf();
    EXPECT_EQ(now.str(), text) << path;
  }
  EXPECT_TRUE(fs::is_symlink(f.path / "link.tps"));
  // A new output beside the inputs is written.
  EXPECT_EQ(convert({pa.string(), pb.string(), (f.path / "data" / "ab.tps").string()}), 0);
}

// A file too large for the memory left is a message and status 1, with
// nothing written. The conversion runs in a fresh copy of this program (so
// that no memory earlier tests freed is at hand) under an address-space limit
// a little above what it holds at the start.
TEST(Convert, RunningOutOfMemoryIsAMessageNotAnAbort) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's allocator stops the program when memory runs out, by design";
#endif
  if (const char* big = std::getenv("VELMORA_CONVERT_OUT_OF_MEMORY")) {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlimit cap{static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (8u << 20),
                     RLIM_INFINITY};
    ::setrlimit(RLIMIT_AS, &cap);
    std::ostringstream out, err;
    const fs::path input(big);
    const int status = run_convert({input.string(), (input.parent_path() / "out.csv").string()}, out, err);
    ::_exit(status == 1 && err.str().find("not enough memory") != std::string::npos ? 0 : 10 + status);
  }
  Folder f;
  const fs::path big = f.path / "big.tps";
  {
    std::ofstream out(big);
    out << "LM3=400000\n";
    for (int k = 0; k < 400000; ++k) out << k << ".5 " << k << ".25 -" << k << ".125\n";
  }
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::setenv("VELMORA_CONVERT_OUT_OF_MEMORY", big.c_str(), 1);
    ::execl("/proc/self/exe", "app_tests", "--gtest_filter=Convert.RunningOutOfMemoryIsAMessageNotAnAbort",
            static_cast<char*>(nullptr));
    ::_exit(20);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the conversion was killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(fs::exists(f.path / "out.csv"));
}

// --apply-scale scales all or none; an infinite coordinate is refused; --dim
// tells the dimension of a table that does not.
TEST(Convert, ScalesAllOrNoneRefusesInfinityAndTakesTheDimension) {
  Folder f;
  const std::string a = "LM=2\n1 2\n3 4\nID=a\n", b = "LM=2\n5 6\n7 8\nID=b\n";
  const fs::path all = f.write("all.tps", a + "SCALE=2\n" + b + "SCALE=0.5\n");
  const fs::path some = f.write("some.tps", a + "SCALE=2\n" + b);
  const fs::path inf = f.write("inf.fcsv", "# columns = id,x,y,z\n0,1,2,3\n1,inf,5,6\n");
  const fs::path wide = f.write("wide.csv", "1,2,3,4,5,6\n7,8,9,10,11,12\n");
  const fs::path out = f.path / "o.tps";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string said, written;  // on standard error; the output file ("" when none)
  };
  const std::vector<Case> cases = {
      {{all.string(), out.string(), "--apply-scale"},
       0,
       "multiplied by their SCALE=",
       "LM=2\n2 4\n6 8\nID=a\nLM=2\n2.5 3\n3.5 4\nID=b\n"},
      {{some.string(), out.string(), "--apply-scale"},
       0,
       "1 of 2 specimens have a SCALE=; without one: specimen 2 (b). No specimen is scaled",
       "LM=2\n1 2\n3 4\nID=a\nSCALE=2\nLM=2\n5 6\n7 8\nID=b\n"},
      {{inf.string(), out.string()}, 1, "inf.fcsv: specimen 1 (inf), point 2: a coordinate is infinite", ""},
      {{wide.string(), out.string()}, 1, "--dim 2 or --dim 3", ""},
      {{wide.string(), out.string(), "--dim", "2"},
       0,
       "",
       "LM=3\n1 2\n3 4\n5 6\nID=specimen 1\nLM=3\n7 8\n9 10\n11 12\nID=specimen 2\n"},
      {{wide.string(), out.string(), "--dim", "4"}, 2, "--dim is 2 or 3", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    fs::remove(out);
    std::string err;
    EXPECT_EQ(convert(c.args, &err), c.status) << err;
    EXPECT_NE(err.find(c.said), std::string::npos) << err;
    if (c.written.empty()) {
      EXPECT_FALSE(fs::exists(out));
      continue;
    }
    std::ifstream in(out, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), c.written);
  }
}

}  // namespace
}  // namespace velmora
