#include <gtest/gtest.h>

#include <sstream>

#include "io/dload.h"
#include "io/dload2c.h"
#include "io/mfload.h"
#include "io/mfloadtxt.h"
#include "support/io_test_util.h"
#include "runtime/error.h"

namespace velmora {
namespace {

using testing::crlf;
using testing::DialogPort;
using testing::TempFolder;

CommentedTable read2c(const std::string& text, DialogPort& port) {
  std::istringstream in(text);
  return dload2c(in, "t.txt", port);
}

Eigen::MatrixXd column(std::initializer_list<double> v) {
  Eigen::MatrixXd m(v.size(), 1);
  int i = 0;
  for (double x : v) m(i++, 0) = x;
  return m;
}

std::vector<std::string> box_texts(const DialogPort& port) {
  std::vector<std::string> out;
  for (const Event* e : port.of_kind("msgbox")) out.push_back(e->text("text"));
  return out;
}

TEST(Dload2c, CommentedProtocolOnePerLineAndOneLineGiveTheSameValues) {
  DialogPort a, b;
  const CommentedTable per_line =
      read2c("1 % ruler used\n3 % landmark\n4\n10 %length\n2\n-999 % code\n1\n24\n2\n12\n", a);
  const CommentedTable one_line = read2c("1 3 4 10 2 -999 1 24 2 12\n", b);
  EXPECT_EQ(per_line.table, column({1, 3, 4, 10, 2, -999, 1, 24, 2, 12}));
  ASSERT_EQ(one_line.table.rows(), 1);
  // Running positions (column by column) agree.
  ASSERT_EQ(per_line.table.size(), one_line.table.size());
  for (Eigen::Index k = 0; k < per_line.table.size(); ++k)
    EXPECT_EQ(per_line.table.data()[k], one_line.table.data()[k]);
  EXPECT_EQ(per_line.comments[0], "% ruler used\n");
  EXPECT_EQ(per_line.comments[2], "");
  EXPECT_EQ(per_line.comments[3], "%length\n");
  EXPECT_TRUE(box_texts(a).empty());
}

TEST(Dload2c, RefusedLinesKeepTheirRowNumberAndEchoCount) {
  DialogPort port;
  const CommentedTable t = read2c("1 2\n3 4\n5\n% just a comment\n6 7\n8 9 10\n11 12\n", port);
  Eigen::MatrixXd want(4, 2);
  want << 1, 2, 3, 4, 6, 7, 11, 12;
  EXPECT_EQ(t.table, want);
  EXPECT_EQ(box_texts(port), (std::vector<std::string>{"Error on file load, specimen 3, not loaded",
                                                       "Error on file load, specimen 3, not loaded",
                                                       "Error on file load, specimen 4, not loaded"}));
  for (const Event* e : port.of_kind("msgbox")) {
    EXPECT_EQ(e->text("title"), " ");  // the box's default title
    EXPECT_FALSE(e->field("modal") != nullptr && std::get<bool>(*e->field("modal")));
  }
  std::vector<double> counts;
  for (const Event* e : port.of_kind("echo")) {
    EXPECT_EQ(e->text("name"), "count");
    counts.push_back(e->number("value"));
  }
  EXPECT_EQ(counts, (std::vector<double>{3, 4, 5}));
  EXPECT_NE(port.console_text().find("t.txt, line 3: 1 values where the table has 2 columns"), std::string::npos);
}

TEST(Dload2c, ACommentLineThatHoldsNumbersAfterItsPercentSignsIsRead) {
  DialogPort port;
  EXPECT_EQ(read2c("5\n%% 6\n7\n", port).table, column({5, 6, 7}));
}

struct EndCase {
  std::string name, text;
  Eigen::MatrixXd want;
};

TEST(Dload2c, EndOfTable) {
  const std::vector<EndCase> cases = {
      {"empty line ends", "1 2\n3 4\n\n5 6\n", (Eigen::MatrixXd(2, 2) << 1, 2, 3, 4).finished()},
      {"CRLF empty line ends", crlf("1 2\n3 4\n\n5 6\n"), (Eigen::MatrixXd(2, 2) << 1, 2, 3, 4).finished()},
      {"single character last line is not read", "1\n2\n5", column({1, 2})},
      {"CRLF single digit line is read", crlf("1\n2\n5\n"), column({1, 2, 5})},
      {"no final line end", "1 2\n3 4", (Eigen::MatrixXd(2, 2) << 1, 2, 3, 4).finished()},
      {"empty file", "", Eigen::MatrixXd(0, 0)},
  };
  for (const auto& c : cases) {
    DialogPort port;
    const CommentedTable t = read2c(c.text, port);
    EXPECT_EQ(t.table.rows(), c.want.rows()) << c.name;
    EXPECT_EQ(t.table.cols(), c.want.cols()) << c.name;
    if (t.table.rows() == c.want.rows() && t.table.cols() == c.want.cols()) {
      EXPECT_EQ(t.table, c.want) << c.name;
    }
    EXPECT_TRUE(box_texts(port).empty()) << c.name;
  }
}

TEST(Dload2c, CrLfFileReadsLikeLfFile) {
  const std::string text = "1 % a\n2 % b\n3\n4 5\n6\n";
  DialogPort a, b;
  const CommentedTable lf = read2c(text, a);
  const CommentedTable crlf_table = read2c(crlf(text), b);
  EXPECT_EQ(lf.table, crlf_table.table);
  EXPECT_EQ(lf.comments, crlf_table.comments);
  EXPECT_EQ(box_texts(a), box_texts(b));
}

TEST(Dload2c, FirstLineWithoutNumbersIsAnErrorNamingFileAndLine) {
  for (const std::string text : {"% protocol of study 4\n1\n2\n", "\n1\n", "abc def\n", "\x01\x02\xff\n"}) {
    DialogPort port;
    try {
      read2c(text, port);
      ADD_FAILURE() << "no error for " << text;
    } catch (const RuntimeError& e) {
      EXPECT_NE(std::string(e.what()).find("t.txt, line 1"), std::string::npos) << e.what();
    }
  }
}

TEST(TableLoaders, ByteOrderMarkBeforeTheFirstLineIsNotPartOfIt) {
  DialogPort port;
  EXPECT_EQ(read2c("\xEF\xBB\xBF"
                   "1 % ruler\n2\n",
                   port)
                .table,
            column({1, 2}));
  EXPECT_TRUE(box_texts(port).empty());
  std::istringstream in(
      "\xEF\xBB\xBF"
      "1 2 3\n");
  EXPECT_EQ(dload(in, "w.txt"), (Eigen::MatrixXd(1, 3) << 1, 2, 3).finished());
}

TEST(Dload2c, NonFiniteNumbers) {
  DialogPort port;
  const CommentedTable t = read2c("1e400 -inf NaN\n", port);
  ASSERT_EQ(t.table.cols(), 3);
  EXPECT_TRUE(std::isinf(t.table(0, 0)) && t.table(0, 0) > 0);
  EXPECT_TRUE(std::isinf(t.table(0, 1)) && t.table(0, 1) < 0);
  EXPECT_TRUE(std::isnan(t.table(0, 2)));
}

TEST(Dload, ReadsBareTableAndStopsAtEmptyLine) {
  std::istringstream in("1 1 2\n2 2 3\n3 3 1\n\n9 9 9\n");
  Eigen::MatrixXd want(3, 3);
  want << 1, 1, 2, 2, 2, 3, 3, 3, 1;
  EXPECT_EQ(dload(in, "w.txt"), want);
  std::istringstream in2(crlf("1 1 2\n2 2 3\n3 3 1\n\n9 9 9\n"));
  EXPECT_EQ(dload(in2, "w.txt"), want);
}

TEST(Dload, LineWithOtherCountIsAnErrorNamingTheLine) {
  std::istringstream in("1 1 2\n2 2 3\n3 3\n");
  try {
    dload(in, "w.txt");
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("w.txt, line 3: 2 values where the first line has 3"), std::string::npos)
        << e.what();
  }
  std::istringstream comment("1 2 3 % segment\n");
  EXPECT_THROW(dload(comment, "w.txt"), RuntimeError);  // no comments in a bare table
}

TEST(Mfload, DialogWorkingFolderAndOpenFailure) {
  TempFolder dir;
  const auto file = dir.write("prot.txt", "1\n2\n");
  DialogPort port;
  port.answer({file.string()});
  const auto r = mfload(port);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->table, column({1, 2}));
  EXPECT_EQ(r->fname, "prot.txt");
  ASSERT_EQ(port.dialogs.size(), 1u);
  EXPECT_EQ(port.dialogs[0].filter, "*.*");
  EXPECT_EQ(port.dialogs[0].title, "Enter file to Load?");
  EXPECT_EQ(port.working_folder(), dir.path());

  port.answer({"cancel"});
  EXPECT_FALSE(mfload(port).has_value());

  port.answer({(dir.path() / "missing.txt").string()});
  try {
    mfload(port);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.txt"), std::string::npos) << e.what();
  }
  EXPECT_NE(port.console_text().find("Error on file open"), std::string::npos);
}

TEST(Mfloadtxt, DialogFilterAndTitle) {
  TempFolder dir;
  const auto file = dir.write("wire.txt", "1 1 2\n");
  DialogPort port;
  port.answer({file.string()});
  const auto r = mfloadtxt(port);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->table, (Eigen::MatrixXd(1, 3) << 1, 1, 2).finished());
  EXPECT_EQ(port.dialogs.at(0).filter, "*.txt");
  EXPECT_EQ(port.dialogs.at(0).title, "Enter file to Load?");
  EXPECT_EQ(port.working_folder(), dir.path());
}

}  // namespace
}  // namespace velmora
