#include "io/text_scanner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <sstream>

#include "runtime/error.h"

namespace velmora {
namespace {

struct NumberCase {
  std::string text;
  std::size_t used;
  double value;
};

TEST(ParseNumber, ReadsWhatScanfWouldRead) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<NumberCase> cases = {
      {"12", 2, 12},    {"-3.5", 4, -3.5}, {"+7", 2, 7},       {".5", 2, 0.5},    {"5.", 2, 5},
      {"1e3", 3, 1000}, {"1.5e", 3, 1.5},  {"2E-2x", 4, 0.02}, {"1e400", 5, inf}, {"-1e400", 6, -inf},
      {"1e-400", 6, 0}, {"Inf", 3, inf},   {"-inf", 4, -inf},  {"12abc", 2, 12},  {"-999", 4, -999},
  };
  for (const auto& c : cases) {
    double v = -1;
    EXPECT_EQ(parse_number(c.text, v), c.used) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
  }
  double v = 0;
  EXPECT_EQ(parse_number("NaN", v), 3u);
  EXPECT_TRUE(std::isnan(v));
  for (const std::string bad : {"", "-", ".", "+-1", "abc", "e5", "LM=3", "%1"}) {
    v = 42;
    EXPECT_EQ(parse_number(bad, v), 0u) << bad;
    EXPECT_EQ(v, 42) << bad;
  }
}

TEST(LineNumbers, AllPiecesMustBeNumbers) {
  EXPECT_EQ(line_numbers("1 2\t3\n"), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(line_numbers("1,2;3\r\n"), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(line_numbers("   \n"), std::vector<double>{});
  EXPECT_EQ(line_numbers("1 2 abc\n"), std::vector<double>{});
  EXPECT_EQ(line_numbers("1 2x\n"), std::vector<double>{});
}

TEST(TextScanner, NumbersAcrossChunkBordersAndLineCount) {
  // A tiny chunk makes every number straddle a refill.
  std::string text;
  for (int i = 0; i < 500; ++i) text += std::to_string(i * 1.25) + (i % 7 == 0 ? "\n" : " ");
  std::istringstream in(text);
  TextScanner s(in, "test.txt", 64);
  std::vector<double> out;
  EXPECT_EQ(s.numbers(1e12, out), 500u);
  for (int i = 0; i < 500; ++i) ASSERT_DOUBLE_EQ(out[i], i * 1.25);
  EXPECT_EQ(s.line(), 1 + 72);
}

TEST(TextScanner, LimitStopsReadingAndTextStopsNumbers) {
  std::istringstream in("1 2 3 4\n5 x 6");
  TextScanner s(in, "test.txt", 64);
  std::vector<double> out;
  EXPECT_EQ(s.numbers(3, out), 3u);
  EXPECT_EQ(s.numbers(10, out), 2u);  // 4 and 5, then the text x
  char c = 0;
  ASSERT_TRUE(s.get(c));
  EXPECT_EQ(c, 'x');
}

TEST(TextScanner, EveryLineEndReadsAsLfAlsoAcrossChunks) {
  // The carriage return is the last character of the first chunk; "b\rc\r" has
  // old Mac line ends.
  const std::string text = std::string(63, 'a') + "\r\nb\rc\r";
  {
    std::istringstream in(text);
    TextScanner s(in, "test.txt", 64);
    std::string got;
    for (char c = 0; s.get(c);) got += c;
    EXPECT_EQ(got, std::string(63, 'a') + "\nb\nc\n");
    EXPECT_EQ(s.line(), 4);
  }
  std::istringstream in(text + "\r\n\rlast");
  TextScanner s(in, "test.txt", 64);
  std::vector<std::string> lines;
  while (auto line = s.rest_of_line()) lines.push_back(*line);
  EXPECT_EQ(lines, (std::vector<std::string>{std::string(63, 'a') + "\n", "b\n", "c\n", "\n", "\n", "last"}));
  // Numbers count lone carriage returns as line ends too.
  std::istringstream numbers("1\r2\r\n3\n\r4");
  TextScanner n(numbers, "test.txt", 64);
  std::vector<double> out;
  EXPECT_EQ(n.numbers(10, out), 4u);
  EXPECT_EQ(n.line(), 5);
}

// Reading past the longest line allowed stops with the file and line, whichever
// way the line is read; a line of exactly that length is read.
TEST(TextScanner, ALineLongerThanAllowedStopsTheReading) {
  using Read = std::function<void(TextScanner&)>;
  const std::vector<std::pair<std::string, Read>> reads = {
      {"get",
       [](TextScanner& s) {
         for (char c = 0; s.get(c);) {
         }
       }},
      {"number",
       [](TextScanner& s) {
         double v = 0;
         while (s.number(v)) {
         }
       }},
      {"rest_of_line",
       [](TextScanner& s) {
         while (s.rest_of_line()) {
         }
       }},
  };
  for (const auto& [name, read] : reads) {
    for (const char fill : {' ', '7', 'x'}) {
      const std::string ok = "1\n" + std::string(100, fill);
      std::istringstream fits(ok + "\n2");
      TextScanner a(fits, "t.txt", 64, 100);
      EXPECT_NO_THROW(read(a)) << name << " '" << fill << "'";
      std::istringstream longer(ok + fill + "\n2");
      TextScanner b(longer, "t.txt", 64, 100);
      try {
        read(b);
        ADD_FAILURE() << name << " '" << fill << "': no error";
      } catch (const RuntimeError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("t.txt, line 2: the line is longer than 100 characters", 0), 0u)
            << name << " '" << fill << "': " << e.what();
      }
    }
  }
}

}  // namespace
}  // namespace velmora
