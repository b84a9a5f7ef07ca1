// What every reader does with inputs that are not the text files it expects: a
// named pipe, an endless stream with no line end, old Mac line ends.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <map>
#include <sstream>

#include "io/dload.h"
#include "io/dload2c.h"
#include "io/get_irregular_tpsfile2D.h"
#include "io/get_irregular_tpsfile3D.h"
#include "io/gettpsfile3D.h"
#include "io/mfload.h"
#include "io/mfloadtxt.h"
#include "support/io_test_util.h"
#include "runtime/error.h"

namespace velmora {
namespace {

using testing::DialogPort;
using testing::TempFolder;

// Each stream reader, its result written out as text so that two reads compare.
struct Reader {
  std::string name;
  std::function<std::string(std::istream&)> read;
};

std::string table_text(const Eigen::MatrixXd& m) {
  std::ostringstream s;
  s << m.rows() << "x" << m.cols() << ":" << m.transpose().reshaped().transpose();
  return s.str();
}

std::string rows_text(const IrregularTps& f) {
  std::ostringstream s;
  for (const auto& row : f.y) s << row << "|";
  for (const auto& name : f.namelist) s << name << "|";
  return s.str() + f.notice;
}

std::vector<Reader> readers() {
  auto port = std::make_shared<DialogPort>();
  auto console = std::make_shared<CaptureConsole>();
  return {
      {"dload", [](std::istream& in) { return table_text(dload(in, "f.txt")); }},
      {"dload2c", [port](std::istream& in) { return table_text(dload2c(in, "f.txt", *port).table); }},
      {"gettpsfile3D",
       [](std::istream& in) {
         const TpsFile f = gettpsfile3D(in, "f.txt");
         std::string names;
         for (const auto& n : f.namelist) names += n + "|";
         return table_text(f.y) + names + f.notice;
       }},
      {"get_irregular_tpsfile3D",
       [console](std::istream& in) { return rows_text(get_irregular_tpsfile3D(in, "f.txt", *console)); }},
      {"get_irregular_tpsfile2D",
       [console](std::istream& in) { return rows_text(get_irregular_tpsfile2D(in, "f.txt", *console)); }},
  };
}

// An endless stream of zero bytes, as /dev/zero gives.
class Zeros : public std::streambuf {
  char block_[1 << 16] = {};
  int_type underflow() override {
    setg(block_, block_, block_ + sizeof block_);
    return 0;
  }
};

TEST(Readers, AnEndlessInputWithNoLineEndStopsWithTheFileAndLine) {
  for (const Reader& r : readers()) {
    Zeros zeros;
    std::istream in(&zeros);
    try {
      r.read(in);
      ADD_FAILURE() << r.name << ": no error";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("f.txt, line 1: the line is longer than 64 MB", 0), 0u)
          << r.name << ": " << e.what();
    }
  }
}

TEST(Readers, OldMacLineEndsReadAsLineEnds) {
  const std::string table = "1 2 3\n4 5 6\n7 8 9\n\n10 11 12\n";
  const std::map<std::string, std::string> tps = {
      {"gettpsfile3D", "LM=2\n1 2 3 4 5 6\nID=a\nLM=2 name\n1 2 3\n4 5 6\n"},
      {"get_irregular_tpsfile3D", "LM=2\n1 2 3 4 5 6\nID=a\nLM=3 name\n1 2 3\n4 5 6\n7 8 9\n"},
      {"get_irregular_tpsfile2D", "LM=3\n1 2 3 4 5 6\nID=a\nLM=2 name\n1 2\n3 4\n"},
  };
  for (const Reader& r : readers()) {
    const std::string lf = tps.count(r.name) ? tps.at(r.name) : table;
    std::string cr = lf;
    for (char& c : cr)
      if (c == '\n') c = '\r';
    std::istringstream a(lf), b(cr);
    EXPECT_EQ(r.read(b), r.read(a)) << r.name;
  }
}

TEST(Readers, ANamedPipeIsRefusedBeforeItIsOpened) {
  TempFolder folder;
  const std::filesystem::path pipe = folder.path() / "pipe.txt";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::vector<std::pair<std::string, std::function<void(DialogPort&)>>> opens = {
      {"mfload", [](DialogPort& p) { mfload(p); }},
      {"mfloadtxt", [](DialogPort& p) { mfloadtxt(p); }},
      {"gettpsfile3D", [](DialogPort& p) { gettpsfile3D(p); }},
      {"get_irregular_tpsfile3D", [](DialogPort& p) { get_irregular_tpsfile3D(p); }},
      {"get_irregular_tpsfile2D", [](DialogPort& p) { get_irregular_tpsfile2D(p); }},
      {"dload", [&](DialogPort& p) { dload(pipe, p.console()); }},
      {"dload2c", [&](DialogPort& p) { dload2c(pipe, p); }},
  };
  for (const auto& [name, open] : opens) {
    DialogPort port;
    port.answer({pipe.string()});
    try {
      open(port);
      ADD_FAILURE() << name << ": no error";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(std::string(e.what()),
                "Cannot open the file " + pipe.string() + " (it is a named pipe (FIFO), not a file).")
          << name;
    }
    EXPECT_EQ(port.console_text(), "Error on file open\n") << name;
  }
}

}  // namespace
}  // namespace velmora
