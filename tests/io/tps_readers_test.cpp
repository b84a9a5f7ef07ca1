#include <gtest/gtest.h>

#include <sstream>

#include "support/error_of.h"
#include "io/get_irregular_tpsfile2D.h"
#include "io/get_irregular_tpsfile3D.h"
#include "io/gettpsfile3D.h"
#include "support/io_test_util.h"
#include "runtime/error.h"

namespace velmora {
namespace {

using testing::error_of;

using testing::crlf;
using testing::DialogPort;
using testing::TempFolder;

// A specimen of `points` points whose values count up from `start`.
std::string specimen(const std::string& header, int points, double start, int dims = 3) {
  std::string s = header + "\n";
  for (int p = 0; p < points; ++p) {
    for (int d = 0; d < dims; ++d) s += std::to_string(start + dims * p + d) + (d + 1 < dims ? " " : "\n");
  }
  return s;
}

Eigen::RowVectorXd counting(int values, double start) {
  Eigen::RowVectorXd r(values);
  for (int i = 0; i < values; ++i) r(i) = start + i;
  return r;
}

TpsFile tps(const std::string& text) {
  std::istringstream in(text);
  return gettpsfile3D(in, "s.tps");
}

IrregularTps irregular3(const std::string& text, Console& console) {
  std::istringstream in(text);
  return get_irregular_tpsfile3D(in, "s.tps", console);
}

IrregularTps irregular2(const std::string& text, Console& console) {
  std::istringstream in(text);
  return get_irregular_tpsfile2D(in, "s.tps", console);
}

TEST(Gettpsfile3D, HeaderVariantsAreFoundAndLM3IsNot) {
  for (const std::string header : {"LM=2", "lm=2", "Lm=2", "lM=2"}) {
    const TpsFile f = tps(specimen(header, 2, 1) + "ID=7\n" + specimen(header, 2, 11));
    ASSERT_EQ(f.y.rows(), 2) << header;
    EXPECT_EQ(f.y.row(0), counting(6, 1)) << header;
    EXPECT_EQ(f.y.row(1), counting(6, 11)) << header;
  }
  // "LM3=" is no header: its numbers are skipped up to the next real header.
  const TpsFile f = tps(specimen("LM3=2", 2, 100) + specimen("LM=2", 2, 1));
  ASSERT_EQ(f.y.rows(), 1);
  EXPECT_EQ(f.y.row(0), counting(6, 1));
}

struct SearchCase {
  std::string name, text;
  std::vector<Eigen::RowVectorXd> want;
};

TEST(HeaderSearch, WhatStartsAndEndsASearch) {
  const Eigen::RowVectorXd a = counting(6, 1), b = counting(6, 7);
  const std::vector<SearchCase> cases = {
      // The first search ends at the "=" after an L even without an M.
      {"first: L= is a header", "L=2\n1 2 3 4 5 6\n", {a}},
      // The character after an L is taken whatever it is, so the second L of
      // "LL" cannot open a header and "LLM=" is passed over.
      {"first: LLM= is passed over", "XLLM=2\n100 100 100 100 100 100\nLM=2\n1 2 3 4 5 6\n", {a}},
      {"first: LM = is passed over", "LM =2\n100 100 100 100 100 100\nLM=2\n1 2 3 4 5 6\n", {a}},
      // A later search needs L, M and "=" in a row.
      {"later: L= is passed over", "LM=2\n1 2 3 4 5 6\nL=99\nLM=2\n7 8 9 10 11 12\n", {a, b}},
      {"later: LLM= is passed over", "LM=2\n1 2 3 4 5 6\nXLLM=2\n100 100 100 100 100 100\n", {a}},
      {"later: LM3= is passed over", "LM=2\n1 2 3 4 5 6\nLM3=2\n100 100\nlm=2\n7 8 9 10 11 12\n", {a, b}},
  };
  for (const auto& c : cases) {
    const TpsFile t = tps(c.text);
    ASSERT_EQ(t.y.rows(), static_cast<Eigen::Index>(c.want.size())) << c.name;
    for (std::size_t i = 0; i < c.want.size(); ++i) EXPECT_EQ(t.y.row(i), c.want[i]) << c.name;
    CaptureConsole console;
    const IrregularTps f = irregular3(c.text, console);
    ASSERT_EQ(f.y.size(), c.want.size()) << c.name;
    for (std::size_t i = 0; i < c.want.size(); ++i) EXPECT_EQ(f.y[i], c.want[i]) << c.name;
  }
}

TEST(IrregularTps3D, EveryAttemptOfALaterSearchEchoesItsFirstCharacter) {
  CaptureConsole console;
  irregular3("LM=2\n1 2 3 4 5 6\nL=9\nLM=2\n7 8 9 10 11 12\n", console);
  // Attempt 1 opens with the line end and fails at "L="; attempt 2 opens with the
  // "9" and finds "LM="; after specimen 2 one attempt runs into the end.
  std::vector<std::pair<std::string, std::string>> seen;
  for (const auto& [name, value] : console.echoes())
    seen.emplace_back(name, std::holds_alternative<std::string>(value)
                                ? std::get<std::string>(value)
                                : (std::holds_alternative<double>(value) ? format_echo_number(std::get<double>(value))
                                                                         : std::string("[matrix]")));
  const std::vector<std::pair<std::string, std::string>> want = {
      {"tempa", "[matrix]"}, {"temp", "6"}, {"thischar", "\n"}, {"temp", "1"},
      {"thischar", "9"},     {"temp", "1"}, {"thischar", "\n"}, {"temp", "1"},
  };
  EXPECT_EQ(seen, want);
}

TEST(Gettpsfile3D, IdentifierLinesSpreadCoordinatesAndNamelist) {
  const std::string text =
      "LM=2 first\n1 2\n3\n4 5 6\nIMAGE=a.bmp\nID=1\nSCALE=0.5\n"
      "lm=2 second\n7 8 9 10 11 12\nID=2\n";
  const TpsFile f = tps(text);
  ASSERT_EQ(f.y.rows(), 2);
  EXPECT_EQ(f.y.row(0), counting(6, 1));
  EXPECT_EQ(f.y.row(1), counting(6, 7));
  EXPECT_EQ(f.namelist, (std::vector<std::string>{" first\n", " second\n", "-1"}));
  EXPECT_TRUE(f.notice.empty());
}

TEST(Gettpsfile3D, OneSpecimen) {
  const TpsFile one = tps(specimen("LM=3", 3, 1));
  EXPECT_EQ(one.y.rows(), 1);
  EXPECT_EQ(one.y.cols(), 9);
}

// Points beyond a header's count were skipped by the next header search without
// a word; every reader now refuses them, naming the file, line and both counts.
TEST(TpsReaders, MorePointsThanTheHeaderGivesAreRefused) {
  struct Case {
    std::string name;
    std::function<void(const std::string&)> read;
    std::string text, message;
  };
  CaptureConsole console;
  const auto second = [](int points) { return specimen("LM=45", 45, 1) + "ID=b\n" + specimen("LM=45", points, 1000); };
  const std::vector<Case> cases = {
      {"gettpsfile3D", [](const std::string& t) { tps(t); }, second(47),
       "s.tps, line 48: specimen 2 has 47 points where its header gives 45; the last 2 would be lost."},
      {"gettpsfile3D, first", [](const std::string& t) { tps(t); }, specimen("LM=2", 3, 1),
       "s.tps, line 1: specimen 1 has 3 points where its header gives 2; the last 1 would be lost."},
      {"irregular 3D", [&](const std::string& t) { irregular3(t, console); }, second(47),
       "s.tps, line 48: specimen 2 has 47 points where its header gives 45; the last 2 would be lost."},
      {"irregular 2D", [&](const std::string& t) { irregular2(t, console); },
       specimen("LM=4", 4, 1, 2) + specimen("LM=2", 3, 1, 2),
       "s.tps, line 6: specimen 2 has 3 points where its header gives 2; the last 1 would be lost."},
      // A 3D file given to the 2D reader, and a count of numbers that is no count of points.
      {"3D file, 2D reader", [&](const std::string& t) { irregular2(t, console); }, specimen("LM=2", 2, 1),
       "s.tps, line 1: specimen 1 has 3 points where its header gives 2; the last 1 would be lost."},
      {"odd count", [&](const std::string& t) { irregular2(t, console); }, "LM=2\n1 2\n3 4\n5\n",
       "s.tps, line 1: specimen 1 has 5 numbers where the 2 points its header gives take 4 (2 a point); the rest "
       "would be lost."},
  };
  for (const Case& c : cases) EXPECT_EQ(error_of([&] { c.read(c.text); }), c.message) << c.name;
  // A specimen with just its count still reads, followed by text or the end.
  EXPECT_EQ(tps(second(45)).y.rows(), 2);
  EXPECT_EQ(irregular3(second(45) + "IMAGE=x.png\n", console).y.size(), 2u);
}

TEST(Gettpsfile3D, BadInputGivesClearErrors) {
  EXPECT_NE(error_of([] { tps(""); }).find("s.tps: no landmark header"), std::string::npos);
  EXPECT_NE(error_of([] { tps("1 2 3\n4 5 6\n"); }).find("no landmark header"), std::string::npos);
  EXPECT_NE(error_of([] { tps("\x7f\x45\x4c\x46\x02\x01\x01\x00\xff\xfe"); }).find("no landmark header"),
            std::string::npos);
  EXPECT_NE(error_of([] { tps("ID=1\nLM=-5\n1 2 3\n"); }).find("s.tps, line 2: the header of specimen 1 gives -5"),
            std::string::npos);
  EXPECT_NE(error_of([] { tps("LM=nan\n1 2 3\n"); }).find("gives NaN points"), std::string::npos);
  EXPECT_NE(error_of([] { tps("LM=\n"); }).find("gives no number of points"), std::string::npos);
  EXPECT_NE(error_of([] { tps("LM=2\nID=1\n"); }).find("specimen 1 has no coordinates"), std::string::npos);
  EXPECT_NE(error_of([] {
              tps(specimen("LM=2", 2, 1) + "LM=2\n1 2 3\n");
            }).find("s.tps, line 4: specimen 2: its header announces 2 points, 6 numbers, and 3 follow"),
            std::string::npos);
}

TEST(Gettpsfile3D, HugeCountIsRefusedWithBothCountsWithoutReserving) {
  EXPECT_EQ(error_of([] { tps("LM=1e12\n1 2 3 4 5 6\n"); }),
            "s.tps, line 1: specimen 1: its header announces 1000000000000 points, 3000000000000 numbers, and 6 "
            "follow.");
}

TEST(IrregularTps3D, SpecimensKeepTheirOwnCounts) {
  CaptureConsole console;
  const IrregularTps f = irregular3(
      specimen("LM=40", 40, 0) + "ID=a\n" + specimen("LM=37", 37, 1000) + specimen("LM=52", 52, 5000), console);
  ASSERT_EQ(f.y.size(), 3u);
  EXPECT_EQ(f.y[0].size(), 120);
  EXPECT_EQ(f.y[1].size(), 111);
  EXPECT_EQ(f.y[2].size(), 156);
  EXPECT_EQ(f.y[1], counting(111, 1000));
  EXPECT_EQ(f.ny, (Eigen::RowVectorXd(3) << 120, 111, 156).finished());
  EXPECT_EQ(f.namelist.size(), 3u);
  EXPECT_TRUE(f.notice.empty());
}

TEST(IrregularTps3D, CountOfOneAfterTwoSpecimensEndsReadingAndSaysSo) {
  CaptureConsole console;
  const IrregularTps f =
      irregular3(specimen("LM=3", 3, 1) + specimen("LM=4", 4, 50) + "LM=1\n1 2 3\n" + specimen("LM=3", 3, 90), console);
  ASSERT_EQ(f.y.size(), 2u);
  EXPECT_EQ(f.ny, (Eigen::RowVectorXd(2) << 9, 12).finished());
  EXPECT_NE(f.notice.find("s.tps: reading stopped at specimen 3 (line 10)"), std::string::npos) << f.notice;
  EXPECT_NE(f.notice.find("2 specimen(s) were read"), std::string::npos) << f.notice;
}

TEST(IrregularTps3D, EchoesFirstSpecimenAndSearchCharacters) {
  CaptureConsole console;
  irregular3("LM=2\n1 2 3 4 5 6\nLM=2\n7 8 9 10 11 12", console);
  std::vector<std::string> names;
  for (const auto& [name, value] : console.echoes()) names.push_back(name);
  // tempa, temp; then one attempt per header search: opened by the line end
  // after the coordinates (a header follows), then by the end of the file.
  EXPECT_EQ(names, (std::vector<std::string>{"tempa", "temp", "thischar", "temp", "thischar", "temp"}));
  const auto& e = console.echoes();
  EXPECT_EQ(std::get<Eigen::MatrixXd>(e[0].second), counting(6, 1));
  EXPECT_EQ(std::get<double>(e[1].second), 6);
  EXPECT_EQ(std::get<std::string>(e[2].second), "\n");
  EXPECT_EQ(std::get<double>(e[3].second), 1);
  EXPECT_EQ(std::get<std::string>(e[4].second), "");
  EXPECT_EQ(std::get<double>(e[5].second), 0);
}

TEST(IrregularTps3D, EndsWithoutLineEndAndCrLfReadTheSame) {
  CaptureConsole c1, c2, c3;
  const std::string text = specimen("LM=2", 2, 1) + "ID=x\n" + specimen("LM=3", 3, 7);
  const IrregularTps a = irregular3(text, c1);
  const IrregularTps b = irregular3(text.substr(0, text.size() - 1), c2);
  const IrregularTps c = irregular3(crlf(text), c3);
  for (const IrregularTps* f : {&b, &c}) {
    ASSERT_EQ(f->y.size(), a.y.size());
    for (std::size_t i = 0; i < a.y.size(); ++i) EXPECT_EQ(f->y[i], a.y[i]);
    EXPECT_EQ(f->ny, a.ny);
  }
  EXPECT_EQ(c.namelist, a.namelist);
  // The echoed search characters are the same too: a CR LF line end is one "\n".
  ASSERT_EQ(c3.echoes().size(), c1.echoes().size());
  for (std::size_t k = 0; k < c1.echoes().size(); ++k) {
    EXPECT_EQ(c3.echoes()[k].first, c1.echoes()[k].first) << k;
    EXPECT_EQ(format_echo(c3.echoes()[k].first, c3.echoes()[k].second),
              format_echo(c1.echoes()[k].first, c1.echoes()[k].second))
        << k;
  }
}

TEST(IrregularTps3D, AShortSpecimenIsRefusedNotKeptWithTheNumbersRead) {
  CaptureConsole console;
  EXPECT_EQ(error_of([&] { irregular3("LM=3\n1 2 3 4 5\nID=x\nLM=2\n1 2 3 4 5 6\n", console); }),
            "s.tps, line 1: specimen 1: its header announces 3 points, 9 numbers, and 5 follow (not a whole number "
            "of points of 3 numbers).");
  // Truncated in the middle of a number: the digits there are read.
  const IrregularTps t = irregular3("LM=2\n1 2 3 4 5 6.2", console);
  EXPECT_DOUBLE_EQ(t.y[0](5), 6.2);
  const IrregularTps e = irregular3("LM=2\n1 2 3 4 5 6e", console);
  EXPECT_EQ(e.ny(0), 6);
}

TEST(IrregularTps3D, BadCounts) {
  CaptureConsole console;
  EXPECT_NE(error_of([&] { irregular3("LM=0\n", console); }).find("gives 0 points"), std::string::npos);
  EXPECT_NE(error_of([&] { irregular3("LM=2.5\n1 2 3\n", console); }).find("gives 2.5 points"), std::string::npos);
  EXPECT_NE(error_of([&] {
              irregular3(specimen("LM=2", 2, 1) + "LM=2.5\n1 2 3\n", console);
            }).find("s.tps, line 4: the header of specimen 2 gives 2.5 points"),
            std::string::npos);
  const IrregularTps neg = irregular3(specimen("LM=2", 2, 1) + "LM=-5\n1 2 3\n", console);
  EXPECT_EQ(neg.y.size(), 1u);
  EXPECT_NE(neg.notice.find("specimen 2"), std::string::npos);
  // A count the numbers do not fill is refused with both counts.
  EXPECT_NE(error_of([&] { irregular3("LM=1e12\n1 2 3 4 5 6\n", console); }).find("and 6 follow"), std::string::npos);
  EXPECT_NE(error_of([&] { irregular3("LM=inf\n1 2 3 nan 1e400 6\n", console); }).find("announces Inf points"),
            std::string::npos);
  const IrregularTps odd = irregular3("LM=2\n1 2 3 nan 1e400 6\n", console);
  EXPECT_TRUE(std::isnan(odd.y[0](3)));
  EXPECT_TRUE(std::isinf(odd.y[0](4)));
}

TEST(IrregularTps2D, WidensToZeroZ) {
  CaptureConsole console;
  const IrregularTps f = irregular2("LM=3\n1 2\n3 4\n5 6\nLM=2\n7 8\n9 10\n", console);
  ASSERT_EQ(f.y.size(), 2u);
  EXPECT_EQ(f.y[0], (Eigen::RowVectorXd(9) << 1, 2, 0, 3, 4, 0, 5, 6, 0).finished());
  EXPECT_EQ(f.y[1], (Eigen::RowVectorXd(6) << 7, 8, 0, 9, 10, 0).finished());
  EXPECT_EQ(f.ny, (Eigen::RowVectorXd(2) << 6, 4).finished());
  // An odd count of numbers: the last x has no y, and the specimen is refused.
  CaptureConsole odd_console;
  EXPECT_EQ(error_of([&] { irregular2("LM=3\n1 2\n3 4\n5\nID=x\n", odd_console); }),
            "s.tps, line 1: specimen 1: its header announces 3 points, 6 numbers, and 5 follow (not a whole number "
            "of points of 2 numbers).");
  // The first echo shows the numbers as read.
  EXPECT_EQ(std::get<Eigen::MatrixXd>(console.echoes()[0].second), counting(6, 1));
  EXPECT_EQ(std::get<double>(console.echoes()[1].second), 6);
}

TEST(IrregularTps, TwoDFileInThreeDReaderAndTheReverse) {
  CaptureConsole console;
  // Read as the counts say: the 3D reader takes 3 numbers a point across the lines.
  const IrregularTps as3 = irregular3("LM=2\n1 2\n3 4\n5 6\n", console);
  EXPECT_EQ(as3.y[0], counting(6, 1));
  // The 2D reader given 3D points finds numbers left over and refuses them.
  EXPECT_NE(error_of([&] { irregular2("LM=2\n1 2 3\n4 5 6\n", console); }).find("would be lost"), std::string::npos);
}

TEST(TpsDialogs, FiltersTitlesFolderAndOpenFailure) {
  TempFolder dir;
  const auto file = dir.write("a.txt", "LM=2\n1 2 3 4 5 6\nLM=1\n");
  const auto flat = dir.write("b.txt", "LM=3\n1 2 3 4 5 6\nLM=1\n");
  DialogPort port;
  port.answer({file.string(), file.string(), flat.string()});
  const auto t = gettpsfile3D(port);
  const auto i3 = get_irregular_tpsfile3D(port);
  const auto i2 = get_irregular_tpsfile2D(port);
  ASSERT_TRUE(t && i3 && i2);
  EXPECT_EQ(t->fname, "a.txt");
  EXPECT_EQ(i3->fname, "a.txt");
  ASSERT_EQ(port.dialogs.size(), 3u);
  EXPECT_EQ(port.dialogs[0].title, "Specify 3D input file to load");
  EXPECT_EQ(port.dialogs[1].title, "Specify 3D input file to load");
  EXPECT_EQ(port.dialogs[2].title, "Specify 2D input file to load");
  for (const auto& d : port.dialogs) EXPECT_EQ(d.filter, "*.txt");
  EXPECT_EQ(port.working_folder(), dir.path());
  // Each reader stops at the last header (count 1, nothing after it) and says so.
  EXPECT_EQ(port.of_kind("msgbox").size(), 3u);

  port.answer({(dir.path() / "gone.txt").string()});
  EXPECT_NE(error_of([&] { get_irregular_tpsfile3D(port); }).find("gone.txt"), std::string::npos);
  EXPECT_NE(port.console_text().find("Error on file open"), std::string::npos);
  port.answer({"cancel"});
  EXPECT_FALSE(get_irregular_tpsfile2D(port).has_value());
}

// Damaged files our readers once let through: a typo in a coordinate, a header
// count larger than the points that follow, and a second-sample file whose
// first specimen is the one that differs.
TEST(TpsReaders, DamagedFilesNameTheFileLineAndSpecimen) {
  CaptureConsole console;
  const std::string good = "LM=3\n1 2 3\n4 5 6\n7 8 9\nID=a\n";
  struct Case {
    std::string name;
    std::function<void(const std::string&)> read;
    std::string text, message;
  };
  const auto three = [&](const std::string& t) { irregular3(t, console); };
  const std::vector<Case> cases = {
      {"a letter O for a zero", three, good + "LM=3\n1 2 3\nO.5 0 1\n7 8 9\n",
       "s.tps, line 8: specimen 2: \"O.5\" is not a number (its header, line 6, announces 3 points of 3 numbers "
       "each)."},
      {"LM=5 over 4 points", three, good + "LM=5\n1 2 3\n4 5 6\n7 8 9\n1 1 1\nID=b\n",
       "s.tps, line 6: specimen 2: its header announces 5 points, 15 numbers, and 12 follow."},
      {"LM=1000000000000 over 4 points", three, good + "LM=1000000000000\n1 2 3\n4 5 6\n7 8 9\n1 1 1\n",
       "s.tps, line 6: specimen 2: its header announces 1000000000000 points, 3000000000000 numbers, and 12 "
       "follow."},
      {"the 2D reader, a typo", [&](const std::string& t) { irregular2(t, console); }, "LM=2\n1 2\n3 x\n",
       "s.tps, line 3: specimen 1: \"x\" is not a number (its header, line 1, announces 2 points of 2 numbers "
       "each)."},
      {"second sample, the first specimen short", [](const std::string& t) { tps(t); },
       specimen("LM=2", 2, 1) + specimen("LM=3", 3, 1) + specimen("LM=3", 3, 1) + specimen("LM=3", 3, 1),
       "s.tps, line 1: specimen 1 has 2 points where the other 3 specimens have 3; every specimen of the sample "
       "needs the same points."},
      {"second sample, two that differ", [](const std::string& t) { tps(t); },
       specimen("LM=2", 2, 1) + specimen("LM=3", 3, 1),
       "s.tps, line 1: specimen 1 has 2 points and specimen 2 has 3; every specimen of the sample needs the same "
       "points."},
  };
  for (const Case& c : cases) EXPECT_EQ(error_of([&] { c.read(c.text); }), c.message) << c.name;
}

}  // namespace
}  // namespace velmora
