#include "runtime/msgboxd_layout.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(MsgboxdLayout, ShortLineGivesTheSmallestBox) {
  // A few words: 12 points high, far narrower than the starting text width.
  const MsgboxdLayout l = msgboxd_layout(80, 12, false, 1000, 800);
  EXPECT_EQ(l.figure.width, 210);
  EXPECT_EQ(l.figure.height, 34 + 12 + 7);
  EXPECT_EQ(l.ok_button, (PointRect{85, 7, 40, 20}));
  EXPECT_EQ(l.text, (PointRect{7, 34, 196, 12}));
  EXPECT_EQ(l.figure.left, (1000 - 210) / 2.0);
  EXPECT_EQ(l.figure.bottom, (800 - 53) / 2.0);
  EXPECT_FALSE(l.has_icon);
}

TEST(MsgboxdLayout, TextLowerThanTheStartingHeightKeepsIt) {
  const MsgboxdLayout l = msgboxd_layout(0, 0, false, 1000, 800);
  EXPECT_EQ(l.text.height, 9);
  EXPECT_EQ(l.figure.height, 50);
}

TEST(MsgboxdLayout, LongTextGrowsTheBoxAndRecentresTheButton) {
  const MsgboxdLayout l = msgboxd_layout(400, 60, false, 1000, 800);
  EXPECT_EQ(l.figure.width, 414);
  EXPECT_EQ(l.figure.height, 34 + 60 + 7);
  EXPECT_EQ(l.ok_button.left, (414 - 40) / 2.0);
  EXPECT_EQ(l.ok_button.bottom, 7);
}

TEST(MsgboxdLayout, IconTallerThanTheTextCentresTheText) {
  const MsgboxdLayout l = msgboxd_layout(100, 12, true, 1000, 800);
  EXPECT_EQ(l.text.left, 46);      // 7 + 32 + 7
  EXPECT_EQ(l.text.width, 144);    // 190 - 14 - 32
  EXPECT_EQ(l.figure.width, 197);  // 46 + 144 + 7
  EXPECT_EQ(l.icon, (PointRect{7, 34, 32, 32}));
  EXPECT_EQ(l.text.bottom, 34 + (32 - 12) / 2.0);
  EXPECT_EQ(l.figure.height, 34 + 32 + 7);
  EXPECT_EQ(l.ok_button.left, (197 - 40) / 2.0);
}

TEST(MsgboxdLayout, TextTallerThanTheIconCentresTheIcon) {
  const MsgboxdLayout l = msgboxd_layout(300, 80, true, 1000, 800);
  EXPECT_EQ(l.text.bottom, 34);
  EXPECT_EQ(l.icon.bottom, 34 + (80 - 32) / 2.0);
  EXPECT_EQ(l.figure.height, 34 + 80 + 7);
  EXPECT_EQ(l.figure.width, 46 + 300 + 7);
}

TEST(MsgboxdWrap, WrapsAtSeventyFiveColumnsOnSpaces) {
  std::string words;
  for (int i = 0; i < 30; ++i) words += (i ? " word" : "word") + std::to_string(i % 10);  // 6 characters a word
  const auto lines = msgboxd_wrap({words});
  ASSERT_GE(lines.size(), 2u);
  for (const auto& l : lines) {
    EXPECT_LE(l.size(), 75u) << l;
    EXPECT_NE(l.front(), ' ');
    EXPECT_NE(l.back(), ' ');
  }
  std::string joined;
  for (const auto& l : lines) joined += (joined.empty() ? "" : " ") + l;
  EXPECT_EQ(joined, words);         // nothing lost, nothing reordered
  EXPECT_EQ(lines[0].size(), 71u);  // 12 words fit with their spaces (12 * 6 - 1)
}

TEST(MsgboxdWrap, KeepsLineBreaksEmptyLinesAndLongWords) {
  const std::string long_word(90, 'x');
  const auto lines = msgboxd_wrap({"F = 2.5\n\ndf = 3", "a " + long_word + " b"});
  const std::vector<std::string> expected = {"F = 2.5", "", "df = 3", "a", long_word, "b"};
  EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace velmora
