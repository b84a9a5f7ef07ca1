// The specimen table: reading CSV and tab-separated tables, the kinds of
// columns, plain columns of text, matching names to a study in any order, and
// every table or match that is refused.
#include "io/specimen_table.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/error_of.h"

namespace velmora {
namespace {

using testing::error_of;

SpecimenTable read(const std::string& text) {
  std::istringstream in(text);
  return read_specimen_table(in, "t.csv");
}

TEST(SpecimenTable, ReadsCsvAndTsvWithTheNameColumnAnywhere) {
  const SpecimenTable csv = read("species,ID,length\n\"a, b\",s2,3.5\n\nc,s1,NA\r\n");
  EXPECT_EQ(csv.name_column, "ID");
  EXPECT_EQ(csv.names, (std::vector<std::string>{"s2", "s1"}));
  EXPECT_EQ(csv.lines, (std::vector<long>{2, 4}));
  EXPECT_EQ(csv.columns, (std::vector<std::string>{"species", "length"}));
  EXPECT_EQ(csv.cells[0], (std::vector<std::string>{"a, b", "c"}));
  EXPECT_FALSE(numeric_column(csv, 0));
  EXPECT_TRUE(numeric_column(csv, 1));  // NA is missing, not text

  const SpecimenTable tsv = read("specimen\tsex\trat\nx\tf\t1\ny\tm\t2\n");
  EXPECT_EQ(tsv.names, (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(tsv.cells[1], (std::vector<std::string>{"1", "2"}));
  EXPECT_TRUE(numeric_column(tsv, 1));
  // Without a name header the first column holds the names.
  EXPECT_EQ(read("label,g\nq,1\n").names, std::vector<std::string>{"q"});
  EXPECT_EQ(factor_column_list("rat, year,,rat"), (std::vector<std::string>{"rat", "year"}));
}

TEST(SpecimenTable, FromPlainColumnsFollowsTheSameRules) {
  const SpecimenTable t =
      specimen_table_from_columns("sample.csv", {"a", "b"}, {{"sex", {"f", " m"}}, {"w", {"1", "2"}}});
  EXPECT_EQ(t.names, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(t.cells[0][1], "m");
  EXPECT_TRUE(numeric_column(t, 1));
  EXPECT_NE(error_of([] {
              specimen_table_from_columns("s", {"a", "b"}, {{"sex", {"f"}}});
            }).find("the column \"sex\" has 1 cells for 2 specimens"),
            std::string::npos);
  EXPECT_NE(error_of([] {
              specimen_table_from_columns("s", {"a", "a"}, {{"sex", {"f", "m"}}});
            }).find("the specimen \"a\" has two rows (row 1 and row 2)"),
            std::string::npos);
}

TEST(SpecimenTable, RefusesWhatIsNotATable) {
  const struct {
    std::string text;
    const char* message;
  } cases[] = {
      {std::string("id,g\nab\0c,1\n", 12), "t.csv, line 2: the file holds bytes that are not text"},
      {"", "t.csv: the specimen table is empty"},
      {"id,g\n", "t.csv: the specimen table has a header but no rows"},
      {"id\na\n", "t.csv, line 1: the header has one column"},
      {"1,2,3\n4,5,6\n", "t.csv, line 1: the first line is all numbers"},
      {"id,g,\na,1,2\n", "column 3 has no header"},
      {"id,g,g\na,1,2\n", "the header \"g\" is given to two columns"},
      {"id,g\na,1\nb,1,2\n", "t.csv, line 3: the row has 3 cells and the header 2"},
      {"id,g\n,1\n", "t.csv, line 2: the row has no specimen name"},
      {"id,g\na,1\nb,2\na,3\n", "the specimen \"a\" has two rows (line 2 and line 4)"},
  };
  for (const auto& c : cases)
    EXPECT_NE(error_of([&] { read(c.text); }).find(c.message), std::string::npos)
        << c.message << " / " << error_of([&] { read(c.text); });
  EXPECT_NE(error_of([] { read_specimen_table_file("/nonexistent/t.csv"); }).find("/nonexistent/t.csv"),
            std::string::npos);
}

TEST(SpecimenTable, MatchesNamesInAnyOrder) {
  const SpecimenTable t = read("id,g\nc,3\na,1\nb,2\nz,9\n");
  const TableMatch m = match_specimen_table(t, {"a", "b", "c"}, false);
  EXPECT_EQ(m.row, (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(m.kept, 3);
  ASSERT_EQ(m.notes.size(), 1u);
  EXPECT_NE(m.notes[0].find("1 row names no specimen of the study: \"z\""), std::string::npos);

  const TableMatch left = match_specimen_table(t, {"a", "q", "b"}, true);
  EXPECT_EQ(left.row, (std::vector<int>{1, -1, 2}));
  EXPECT_EQ(left.kept, 2);
  EXPECT_NE(left.notes[0].find("Left out, with no row in the specimen table: \"q\""), std::string::npos);
}

TEST(SpecimenTable, RefusedMatches) {
  const SpecimenTable t = read("id,g\na,1\nb,2\n");
  const struct {
    std::vector<std::string> study;
    const char* message;
  } cases[] = {
      {{"a", "q", "r"}, "2 specimens have no row in the specimen table t.csv: \"q\", \"r\""},
      {{"x", "y"}, "None of the 2 names in the specimen table t.csv is a specimen of the study"},
      {{"a", "b", "a"}, "specimens 1 and 3 of the study are both \"a\""},
  };
  for (const auto& c : cases)
    EXPECT_NE(error_of([&] { match_specimen_table(t, c.study, false); }).find(c.message), std::string::npos)
        << error_of([&] { match_specimen_table(t, c.study, false); });
}

}  // namespace
}  // namespace velmora
