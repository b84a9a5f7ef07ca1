#include "runtime/format.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora {
namespace {

struct FormatCase {
  const char* format;
  std::vector<FormatArg> args;
  const char* expected;
};

class FormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, MatchesTheExpectedText) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(format(c.format, c.args), c.expected) << "format: " << c.format;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatTest,
    ::testing::Values(
        // The two characters backslash-n become a line break.
        FormatCase{"a\\nb", {}, "a\nb"},
        FormatCase{"Fell through Switch!  Dang! \\n Call was %s", {std::string("loadproto")},
                   "Fell through Switch!  Dang! \n Call was loadproto"},
        // The format is used again while arguments remain, and stops at the
        // first conversion with no argument left.
        FormatCase{"%g ", {1.0, 2.0, 3.0}, "1 2 3 "},
        FormatCase{"%d, %d\\n", {1.0, 2.0, 3.0}, "1, 2\n3, "},
        FormatCase{"%d and %d", {1.0}, "1 and "},
        // With no argument at all the literal text stays and conversions print nothing.
        FormatCase{"value %d here", {}, "value  here"},
        // %i and %d: whole values as integers, other values in %e form.
        FormatCase{"%i", {40.0}, "40"},
        FormatCase{"%i", {2.5}, "2.500000e+00"},
        FormatCase{"%4.0i", {100.0}, " 100"},
        FormatCase{"%4.0i", {1600.0}, "1600"},
        FormatCase{"%i-1 points", {12.0}, "12-1 points"},
        // C semantics for %f, %g, %e with widths and precisions.
        FormatCase{"%f", {3.0}, "3.000000"},
        FormatCase{"%0.5f", {0.123456789}, "0.12346"},
        FormatCase{"%2.4f", {12.5}, "12.5000"},
        FormatCase{"%4.2f", {83.0}, "83.00"},
        FormatCase{"%3.8g", {1.0}, "  1"},
        FormatCase{"%3.8g", {0.000012345678912}, "1.2345679e-05"},
        FormatCase{"%1.8f", {0.5}, "0.50000000"},
        // The output rows' "%g " examples.
        FormatCase{"%g ", {2.0, 0.5, -0.25, 0.123456789, 0.0000123456789}, "2 0.5 -0.25 0.123457 1.23457e-05 "},
        // NaN and infinities.
        FormatCase{"%2.4f", {std::nan("")}, "NaN"},
        FormatCase{"%6.2f|", {HUGE_VAL}, "   Inf|"},
        FormatCase{"%i", {-HUGE_VAL}, "-Inf"},
        // Texts, percent signs, and a text given to a number conversion.
        FormatCase{"%s \\nhas %i specimens", {std::string("b.txt"), 25.0}, "b.txt \nhas 25 specimens"},
        FormatCase{"100%%", {}, "100%"},
        FormatCase{"[%5s]", {std::string("ab")}, "[   ab]"}));

TEST(StrcatTest, DropsTrailingWhiteSpaceOfEachPiece) {
  EXPECT_EQ(strcat_m({"Load Protocol File p.txt", "\nNo ruler is in use", "\nThere are 0 curves\n"}),
            "Load Protocol File p.txt\nNo ruler is in use\nThere are 0 curves");
  EXPECT_EQ(strcat_m({"a \t\r\n", " b "}), "a b");
  EXPECT_EQ(strcat_m({}), "");
}

TEST(FormatArgsTest, MatricesAreReadColumnByColumn) {
  Eigen::MatrixXd m(2, 2);
  m << 1, 2, 3, 4;
  FormatArgs a;
  a << m;
  EXPECT_EQ(format("%g,", a), "1,3,2,4,");
  EXPECT_EQ(sprintf_m("%s=%i", "n", 3), "n=3");
}

}  // namespace
}  // namespace velmora
