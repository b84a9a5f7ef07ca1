#include "io/text_scanner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

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
  TextScanner s(in, 64);
  std::vector<double> out;
  EXPECT_EQ(s.numbers(1e12, out), 500u);
  for (int i = 0; i < 500; ++i) ASSERT_DOUBLE_EQ(out[i], i * 1.25);
  EXPECT_EQ(s.line(), 1 + 72);
}

TEST(TextScanner, LimitStopsReadingAndTextStopsNumbers) {
  std::istringstream in("1 2 3 4\n5 x 6");
  TextScanner s(in, 64);
  std::vector<double> out;
  EXPECT_EQ(s.numbers(3, out), 3u);
  EXPECT_EQ(s.numbers(10, out), 2u);  // 4 and 5, then the text x
  char c = 0;
  ASSERT_TRUE(s.get(c));
  EXPECT_EQ(c, 'x');
}

TEST(TextScanner, GetReadsCrLfAsLfAlsoAcrossChunksAndKeepsALoneCr) {
  // The carriage return is the last character of the first chunk.
  std::istringstream in(std::string(63, 'a') + "\r\nb\rc\r");
  TextScanner s(in, 64);
  std::string got;
  for (char c = 0; s.get(c);) got += c;
  EXPECT_EQ(got, std::string(63, 'a') + "\nb\rc\r");
  EXPECT_EQ(s.line(), 2);
}

TEST(TextScanner, RestOfLineReadsCrLfAsLf) {
  std::istringstream in("ab\r\n\r\nlast");
  TextScanner s(in, 64);
  EXPECT_EQ(s.rest_of_line().value(), "ab\n");
  EXPECT_EQ(s.rest_of_line().value(), "\n");
  EXPECT_EQ(s.rest_of_line().value(), "last");
  EXPECT_FALSE(s.rest_of_line().has_value());
}

}  // namespace
}  // namespace velmora
