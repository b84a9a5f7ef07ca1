// The landmark file formats of other tools: each read from a small file written
// from the format's description, written back and read again to the same points
// and names; detection of every format and of our own; the damaged files each
// reader must refuse with a message naming the file and line; missing landmarks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>

#include "support/error_of.h"
#include "io/formats/detect_format.h"
#include "io/formats/landmark_file.h"
#include "io/formats/missing_landmarks.h"
#include "io/formats/specimens.h"
#include "io/formats/tps_format.h"
#include "runtime/error.h"

namespace velmora {
namespace {

using testing::error_of;

Specimens read(const std::string& text, LandmarkFormat format, const std::string& source = "s.txt",
               const LandmarkReadOptions& options = {}) {
  std::istringstream in(text);
  return read_landmarks(in, source, format, options);
}

Eigen::MatrixXd points(std::initializer_list<std::initializer_list<double>> rows) {
  Eigen::MatrixXd m = Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(rows.size()), 3);
  Eigen::Index r = 0;
  for (const auto& row : rows) {
    Eigen::Index c = 0;
    for (double v : row) m(r, c++) = v;
    ++r;
  }
  return m;
}

// Two specimens of three 3D landmarks, the points every sample file below holds.
const Eigen::MatrixXd kA = points({{1, 2, 3}, {4.5, -5, 6}, {7, 8, 9.25}});
const Eigen::MatrixXd kB = points({{1, 2.5, 3}, {4, 5, 6}, {7, -8, 9}});

struct FormatCase {
  std::string name;
  LandmarkFormat format;
  std::string source;
  std::string text;
  std::vector<std::string> names;
  std::vector<Eigen::MatrixXd> points;
};

std::vector<FormatCase> format_cases() {
  return {
      {"TPS LM3= with ID= and IMAGE=",
       LandmarkFormat::tps,
       "s.tps",
       "LM3=3\n1 2 3\n4.5 -5 6\n7 8 9.25\nID=RT 01\nLM3=3\n1 2.5 3\n4 5 6\n7 -8 9\nIMAGE=scans\\rt02.jpg\n",
       {"RT 01", "rt02"},
       {kA, kB}},
      {"TPS LM= in 3D, three numbers a line",
       LandmarkFormat::tps,
       "s.tps",
       "LM=3\n1 2 3\n4.5 -5 6\n7 8 9.25\nLM=3\n1 2.5 3 4 5 6\n7 -8 9\n",
       {"specimen 1", "specimen 2"},
       {kA, kB}},
      {"TPS LM= in 2D with a curve",
       LandmarkFormat::tps,
       "s.tps",
       "lm=2\n1 2\n4.5 -5\nCURVES=1\nPOINTS=1\n7 8\nCOMMENT=left side\nID=leaf\nSCALE=0.5\n",
       {"leaf"},
       {points({{1, 2}, {4.5, -5}, {7, 8}})}},
      {"Morphologika",
       LandmarkFormat::morphologika,
       "s.txt",
       "[Individuals]\n2\n[landmarks]\n3\n[dimensions]\n3\n[names]\nRT 01\nRT 02\n[groups]\nfemale 2\n"
       "[rawpoints]\n'#1\n1 2 3\n4.5 -5 6\n7 8 9.25\n'#2\n1 2.5 3\n4 5 6\n7 -8 9\n",
       {"RT 01", "RT 02"},
       {kA, kB}},
      {"NTS with labels",
       LandmarkFormat::nts,
       "s.nts",
       "\" two skulls\n1 2L 9L 0 DIM=3\nRT01 RT02\nx1 y1 z1 x2 y2 z2 x3 y3 z3\n1 2 3 4.5 -5 6 7 8 9.25\n"
       "1 2.5 3 4 5 6\n7 -8 9\n",
       {"RT01", "RT02"},
       {kA, kB}},
      {"NTS without labels or DIM=",
       LandmarkFormat::nts,
       "s.nts",
       "1 2 9 0\n1 2 3 4.5 -5 6 7 8 9.25\n1 2.5 3 4 5 6 7 -8 9\n",
       {"specimen 1", "specimen 2"},
       {kA, kB}},
      {"NTS in the single-specimen form: one point a row",
       LandmarkFormat::nts,
       "dir/RT01.nts",
       "\" one skull\n1 3L 3 0 dim=3\nbasion nasion bregma\n1 2 3\n4.5 -5 6\n7 8 9.25\n",
       {"RT01"},
       {kA}},
      {"IDAV points without their version line",
       LandmarkFormat::idav_pts,
       "RT01.pts",
       "3\nS0 1 2 3\nS1 4.5 -5 6\nS2 7 8 9.25\n",
       {"RT01"},
       {kA}},
      {"CSV with an ID column by name",
       LandmarkFormat::csv_table,
       "s.csv",
       "X1,Y1,Z1,X2,Y2,Z2,X3,Y3,Z3,Specimen\n1,2,3,4.5,-5,6,7,8,9.25,RT 01\n1,2.5,3,4,5,6,7,-8,9,\"RT, 02\"\n",
       {"RT 01", "RT, 02"},
       {kA, kB}},
      {"CSV with a non-numeric first column and a size",
       LandmarkFormat::csv_table,
       "s.csv",
       "skull;lm1_x;lm1_y;lm1_z;lm2_x;lm2_y;lm2_z;lm3_x;lm3_y;lm3_z;cs\nRT01;1;2;3;4.5;-5;6;7;8;9.25;12\n"
       "RT02;1;2.5;3;4;5;6;7;-8;9;13\n",
       {"RT01", "RT02"},
       {kA, kB}},
      {"comma-separated markups in LPS",
       LandmarkFormat::markups_csv,
       "dir/RT01.fcsv",
       "# Markups fiducial file version = 4.13\n# CoordinateSystem = LPS\n"
       "# columns = id,x,y,z,ow,ox,oy,oz,vis,sel,lock,label,desc,associatedNodeID\n"
       "0,1,2,3,0,0,0,1,1,1,0,F-1,,\n1,4.5,-5,6,0,0,0,1,1,1,0,F-2,\"a, b\",\n2,7,8,9.25,0,0,0,1,1,1,0,F-3,,\n",
       {"RT01"},
       {kA}},
      {"comma-separated markups with other columns",
       LandmarkFormat::markups_csv,
       "RT01.fcsv",
       "# CoordinateSystem = 1\n# columns = label,z,y,x\nF-1,3,2,1\nF-2,6,-5,4.5\nF-3,9.25,8,7\n",
       {"RT01"},
       {kA}},
      {"JSON markups in LPS",
       LandmarkFormat::markups_json,
       "RT01.mrk.json",
       R"({"@schema": "markups-schema-v1.0.0.json#", "markups": [{"type": "Fiducial", "coordinateSystem": "LPS",
          "controlPoints": [{"label": "F-1", "position": [1, 2, 3]}, {"position": [4.5, -5, 6.0]},
          {"position": [7, 8, 9.25], "positionStatus": "defined"}]}]})",
       {"RT01"},
       {kA}},
      {"IDAV points",
       LandmarkFormat::idav_pts,
       "RT01.pts",
       "Version 1.0\n3\nS0000 1 2 3\nS0001 4.5 -5 6\nS0002 7 8 9.25\n",
       {"RT01"},
       {kA}},
      {"our table of flat rows",
       LandmarkFormat::flat_table,
       "s.txt",
       "1 2 3 4.5 -5 6 7 8 9.25 12 % first\n1 2.5 3 4 5 6 7 -8 9 13\n",
       {"specimen 1", "specimen 2"},
       {kA, kB}},
  };
}

TEST(LandmarkFormats, EachSampleFileReadsToItsPointsAndNames) {
  for (const FormatCase& c : format_cases()) {
    SCOPED_TRACE(c.name);
    const Specimens s = read(c.text, c.format, c.source);
    ASSERT_EQ(s.specimens.size(), c.points.size());
    for (std::size_t i = 0; i < c.points.size(); ++i) {
      EXPECT_EQ(s.specimens[i].name, c.names[i]);
      EXPECT_EQ(s.specimens[i].points, c.points[i]);
    }
    EXPECT_EQ(detect_format(c.text).format, c.format);
    // Written back in every format with a writer, the same points and names.
    for (LandmarkFormat f :
         {LandmarkFormat::tps, LandmarkFormat::morphologika, LandmarkFormat::nts, LandmarkFormat::csv_table}) {
      std::ostringstream out;
      write_landmarks(out, s, f);
      const Specimens back = read(out.str(), f);
      ASSERT_EQ(back.specimens.size(), s.specimens.size()) << format_name(f);
      for (std::size_t i = 0; i < s.specimens.size(); ++i) {
        EXPECT_EQ(back.specimens[i].points, s.specimens[i].points) << format_name(f);
        std::string name = s.specimens[i].name;
        if (f == LandmarkFormat::nts) std::replace(name.begin(), name.end(), ' ', '_');
        EXPECT_EQ(back.specimens[i].name, name) << format_name(f);
      }
    }
  }
}

TEST(LandmarkFormats, EveryWriterReadsBackToTheSamePointsNamesAndDimension) {
  Specimens three;
  three.specimens = {{"RT 01", kA, 0.25}, {"RT,02", kB, std::nullopt}};
  Specimens two;
  two.dims = 2;
  two.specimens = {{"leaf 1", points({{1, 2}, {3.5, -4}}), std::nullopt},
                   {"leaf 2", points({{0.1, 1e-7}, {1e300, 5}}), std::nullopt}};
  for (LandmarkFormat f :
       {LandmarkFormat::tps, LandmarkFormat::morphologika, LandmarkFormat::nts, LandmarkFormat::csv_table}) {
    for (const Specimens* s : {&three, &two}) {
      SCOPED_TRACE(format_name(f) + " " + std::to_string(s->dims) + "D");
      std::ostringstream out;
      write_landmarks(out, *s, f);
      EXPECT_EQ(detect_format(out.str()).format, f);
      const Specimens back = read(out.str(), f);
      EXPECT_EQ(back.dims, s->dims);
      ASSERT_EQ(back.specimens.size(), s->specimens.size());
      for (std::size_t i = 0; i < back.specimens.size(); ++i) {
        EXPECT_EQ(back.specimens[i].points, s->specimens[i].points);
        // NTS labels cannot hold spaces.
        std::string name = s->specimens[i].name;
        if (f == LandmarkFormat::nts) std::replace(name.begin(), name.end(), ' ', '_');
        EXPECT_EQ(back.specimens[i].name, name);
      }
      if (f == LandmarkFormat::tps) {
        EXPECT_EQ(back.specimens[0].scale, s->specimens[0].scale);
      }
    }
  }
}

// Names that look like another format's lines, or hold white space other
// than a space, still read back as the format written (NTS labels with "_"
// for what a label cannot hold); a missing-value code is found however many
// of the usual codes the values take; specimens of no points are refused.
TEST(LandmarkFormats, OddNamesAndValuesReadBackFromNtsAndCsv) {
  const std::vector<std::string> names = {"LM=3", "[landmarks]", "a\vb", "#7", "{x}", "% c", "'q"};
  Specimens odd;
  for (std::size_t i = 0; i < names.size(); ++i)
    odd.specimens.push_back({names[i], points({{1.0 + i, 2, 3}, {4, 5, 6}}), std::nullopt});
  // Every code the writer tries first is a value here, and one point is missing.
  double code = -999;
  for (int k = 0; k < 13; ++k, code = code * 10 - 9) odd.specimens[k % names.size()].points(1, k % 3) = code;
  odd.specimens[3].points(0, 1) = std::nan("");
  for (LandmarkFormat f : {LandmarkFormat::nts, LandmarkFormat::csv_table}) {
    SCOPED_TRACE(format_name(f));
    std::ostringstream out;
    write_landmarks(out, odd, f);
    EXPECT_EQ(detect_format(out.str()).format, f);
    const Specimens back = read(out.str(), f);
    ASSERT_EQ(back.specimens.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
      std::string name = names[i];
      if (f == LandmarkFormat::nts) {
        for (char& c : name)
          if (std::isspace(static_cast<unsigned char>(c)) || c == '=') c = '_';
        if (std::string("'[#{%").find(name[0]) != std::string::npos) name[0] = '_';
      }
      EXPECT_EQ(back.specimens[i].name, name);
      const Eigen::MatrixXd& a = back.specimens[i].points;
      const Eigen::MatrixXd& b = odd.specimens[i].points;
      EXPECT_TRUE(((a.array() == b.array()) || (a.array().isNaN() && b.array().isNaN())).all()) << name;
    }
  }
  Specimens empty;
  empty.specimens = {{"a", Eigen::MatrixXd(0, 3), std::nullopt}};
  for (LandmarkFormat f : {LandmarkFormat::nts, LandmarkFormat::csv_table}) {
    std::ostringstream out;
    EXPECT_THROW(write_landmarks(out, empty, f), RuntimeError) << format_name(f);
  }
}

TEST(LandmarkFormats, RasAndLpsFilesOfTheSamePointsAgree) {
  // The same points in RAS: x and y of the LPS points negated.
  const std::string lps = "# CoordinateSystem = LPS\n0,1,2,3\n1,4.5,-5,6\n2,7,8,9.25\n";
  const std::string ras_csv = "# CoordinateSystem = RAS\n0,-1,-2,3\n1,-4.5,5,6\n2,-7,-8,9.25\n";
  const std::string ras_json =
      R"({"markups": [{"coordinateSystem": "RAS", "controlPoints": [{"position": [-1, -2, 3]},
          {"position": [-4.5, 5, 6]}, {"position": [-7, -8, 9.25]}]}]})";
  for (Frame frame : {Frame::lps, Frame::ras}) {
    const Specimens a = read(lps, LandmarkFormat::markups_csv, "a.fcsv", {false, frame});
    const Specimens b = read(ras_csv, LandmarkFormat::markups_csv, "b.fcsv", {false, frame});
    const Specimens c = read(ras_json, LandmarkFormat::markups_json, "c.mrk.json", {false, frame});
    EXPECT_EQ(a.specimens[0].points, b.specimens[0].points);
    EXPECT_EQ(a.specimens[0].points, c.specimens[0].points);
    if (frame == Frame::lps) {
      EXPECT_EQ(a.specimens[0].points, kA);
    }
    // Each says which frame the file used and what was done.
    EXPECT_NE(b.notes.at(0).find("coordinate system RAS"), std::string::npos);
    EXPECT_NE(b.notes.at(0).find(frame == Frame::lps ? "turned into LPS" : "used as they are"), std::string::npos);
  }
}

TEST(LandmarkFormats, DetectionTellsOurOwnFilesApart) {
  struct Case {
    std::string text;
    LandmarkFormat format;
    int dims;
  };
  const std::vector<Case> cases = {
      {"LM=3\n-1 2 3\n-999 0 0\n4 5 6\nID=1\n", LandmarkFormat::tps, 3},  // our irregular 3D form
      {"LM=3\n1 2\n-999 0\n4 5\n", LandmarkFormat::tps, 2},               // the 2D form
      {"ID=7\nlm3=1\n1 2 3\n", LandmarkFormat::tps, 3},
      {"1 2 3 4 5 6 7.5\n1 2 3 4 5 6 7\n", LandmarkFormat::flat_table, 0},  // a second-sample table
      {"1   % ruler\n3\n0\n-999 % code\n", LandmarkFormat::flat_table, 0},  // a protocol
      {"1 2 9 0\n1 2 3 4 5 6 7 8 9\n1 2 3\n4 5 6 7 8 9\n", LandmarkFormat::nts, 0},
      {"1 2 9 0\n1 5 6 0\n", LandmarkFormat::flat_table, 0},  // every row the same length: a table
      {"id,x1\n", LandmarkFormat::csv_table, 0},
      {"3\nF-1 1 2 3\nF-2 4 5 6\nF-3 7 8 9\n", LandmarkFormat::idav_pts, 0},  // IDAV points without "Version"
      {"1 0 6 0 DIM=3\n", LandmarkFormat::nts, 0},                            // an empty NTS matrix
      {"{\"a\": 1}", LandmarkFormat::unknown, 0},
      {"hello\n", LandmarkFormat::unknown, 0},
      {"", LandmarkFormat::unknown, 0},
  };
  for (const Case& c : cases) {
    const DetectedFormat d = detect_format(c.text);
    EXPECT_EQ(d.format, c.format) << c.text;
    EXPECT_EQ(d.dims, c.dims) << c.text;
  }
}

// First lines longer than the 64 KiB the detection reads at first: a one-line
// markups file of 2,000 points, and flat rows of 6,000 numbers (71 KB) as
// SaveFile1 writes them.
TEST(LandmarkFormats, DetectionReadsALongFirstLineToItsEnd) {
  std::string json = R"({"markups": [{"coordinateSystem": "LPS", "controlPoints": [)";
  for (int k = 0; k < 2000; ++k) json += std::string(k ? ", " : "") + R"({"position": [1.25, -2.5, 3.125]})";
  json += "]}]}";
  std::string row;
  for (int k = 0; k < 6000; ++k) row += "1.23456789 ";
  const std::pair<std::string, LandmarkFormat> cases[] = {
      {json, LandmarkFormat::markups_json},
      {json + "\n", LandmarkFormat::markups_json},
      {row + "\n" + row + "\n", LandmarkFormat::flat_table},
      {row + "\r\n" + row, LandmarkFormat::flat_table},
  };
  for (const auto& [text, format] : cases) {
    ASSERT_GT(text.size(), std::size_t{1} << 16);
    std::istringstream in(text);
    EXPECT_EQ(detect_format(read_head(in)).format, format) << text.substr(0, 40);
    std::istringstream again(text);
    const Specimens read = read_landmarks(again, "long.txt", format);
    EXPECT_EQ(read.specimens.front().points.rows(), 2000) << text.substr(0, 40);
  }
}

// Rows of flat tables whatever their line ends; an empty line still ends the
// table, and the note says how many lines after it were left.
TEST(LandmarkFormats, FlatTableRowsWithAnyLineEndsAndAnEmptyLineThatEndsThem) {
  const auto rows = [](int n, const std::string& end) {
    std::string t;
    for (int k = 1; k <= n; ++k) t += std::to_string(k) + " 2 3 4 5 6 1" + end;
    return t;
  };
  struct Case {
    const char* name;
    std::string text;
    std::size_t specimens;
    const char* note;  // "" when none is due
  };
  const Case cases[] = {
      {"LF", rows(5, "\n"), 5, ""},
      {"CR LF", rows(5, "\r\n"), 5, ""},
      {"CR", rows(5, "\r"), 5, ""},
      {"LF CR", rows(5, "\n\r"), 5, ""},
      {"empty line after row 3 of 6", rows(3, "\n") + "\n" + rows(3, "\n"), 3,
       "t.txt, line 4: an empty line ends the table; the 3 lines after it are not read."},
      {"LF CR, empty line after row 3", rows(3, "\n\r") + "\n\r" + rows(2, "\n\r"), 3, "the 2 lines after it"},
      {"empty lines at the end only", rows(2, "\n") + "\n\n", 2, ""},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.text);
    const Specimens s = read_landmarks(in, "t.txt", LandmarkFormat::flat_table);
    EXPECT_EQ(s.specimens.size(), c.specimens) << c.name;
    std::string notes;
    for (const std::string& n : s.notes)
      if (n.find("empty line") != std::string::npos) notes += n;
    EXPECT_EQ(notes.empty(), std::string(c.note).empty()) << c.name << ": " << notes;
    EXPECT_NE(notes.find(c.note), std::string::npos) << c.name << ": " << notes;
  }
}

TEST(LandmarkFormats, DamagedFilesAreRefusedNamingFileLineAndSpecimen) {
  struct Case {
    std::string name;
    LandmarkFormat format;
    std::string text;
    std::vector<std::string> parts;  // each must appear in the message
  };
  const std::string good = "LM3=2\n1 2 3\n4 5 6\n";
  const std::vector<Case> cases = {
      {"a letter O for a zero",
       LandmarkFormat::tps,
       good + "LM3=2\n1 2 3\nO.5 0 1\n",
       {"s.txt, line 6", "specimen 2", "\"O.5\" is not a number"}},
      {"fewer points than LM= announces",
       LandmarkFormat::tps,
       good + "LM=5\n1 2 3\n4 5 6\n7 8 9\n1 1 1\n",
       {"s.txt, line 4", "specimen 2", "LM=5 announces 5 points", "10 (x y) or 15 (x y z)", "12 follow"}},
      {"a huge count",
       LandmarkFormat::tps,
       "LM=1000000000000\n1 2 3\n4 5 6\n7 8 9\n1 1 1\n",
       {"line 1", "LM=1000000000000 announces 1000000000000 points", "12 follow"}},
      {"more points than LM= announces",
       LandmarkFormat::tps,
       "LM3=1\n1 2 3\n4 5 6\n",
       {"line 3", "more numbers than LM3=1"}},
      {"2D and 3D specimens", LandmarkFormat::tps, good + "LM=2\n1 2\n3 4\n", {"specimen 2", "2 numbers each"}},
      {"a count that is no number", LandmarkFormat::tps, "LM=many\n", {"line 1", "LM= gives \"many\""}},
      {"numbers before any header", LandmarkFormat::tps, "1 2 3\nLM=1\n1 2 3\n", {"line 1", "before the first LM="}},
      {"CURVES= with a POINTS= block short",
       LandmarkFormat::tps,
       "LM=0\nCURVES=2\nPOINTS=1\n1 2\n",
       {"line 2", "CURVES= announces 2 curves and 1 POINTS="}},
      {"repeated CURVES= whose sum would pass every integer type",
       LandmarkFormat::tps,
       "LM=0\nCURVES=1000000000000000\nCURVES=1\n",
       {"line 3", "announce more than 1000000000000000 curves"}},
      {"no TPS header", LandmarkFormat::tps, "ID=3\n", {"s.txt: no landmark header"}},
      {"Morphologika short",
       LandmarkFormat::morphologika,
       "[individuals]\n2\n[landmarks]\n2\n[dimensions]\n3\n[rawpoints]\n1 2 3\n4 5 6\n7 8 9\n",
       {"9 numbers where 2 individuals", "need 12", "specimen 2 is short"}},
      {"Morphologika counts whose product passes every integer type",
       LandmarkFormat::morphologika,
       "[individuals]\n1000000000000\n[landmarks]\n1000000000000\n[dimensions]\n3\n[rawpoints]\n1 2 3\n",
       {"3 numbers where", "need 3000000000000000000000000;"}},
      {"Morphologika typo",
       LandmarkFormat::morphologika,
       "[individuals]\n1\n[landmarks]\n1\n[dimensions]\n3\n[rawpoints]\n1 2 O\n",
       {"line 8", "specimen 1", "\"O\""}},
      {"Morphologika 4 dimensions",
       LandmarkFormat::morphologika,
       "[individuals]\n1\n[landmarks]\n1\n[dimensions]\n4\n",
       {"line 6", "[dimensions] is 4; 2 or 3 are read"}},
      {"NTS short", LandmarkFormat::nts, "1 2 6 0 DIM=3\n1 2 3 4 5 6\n1 2 3\n", {"9 values", "specimen 2 is short"}},
      {"NTS counts whose product passes every integer type",
       LandmarkFormat::nts,
       "1 999999999992 99969999 1 -1\n1 2 3\n",
       {"3 values", "(99969998999200240008)"}},
      {"NTS typo", LandmarkFormat::nts, "1 1 3 0 DIM=3\n1 x 3\n", {"line 2", "specimen 1", "\"x\""}},
      {"NTS ambiguous", LandmarkFormat::nts, "1 1 6 0\n", {"line 1", "could be 2D or 3D"}},
      {"NTS not NTS", LandmarkFormat::nts, "2 1 6 0\n", {"line 1", "not of the NTS form"}},
      {"NTS empty", LandmarkFormat::nts, "1 0 6 0 DIM=3\n", {"line 1", "announces 0 rows: the matrix is empty"}},
      {"CSV typo",
       LandmarkFormat::csv_table,
       "id,x1,y1,z1\na,1,2,3\nb,O.5,0,1\n",
       {"line 3", "specimen 2", "column 2 (\"x1\")", "\"O.5\""}},
      {"CSV short row", LandmarkFormat::csv_table, "id,x1,y1,z1\na,1,2\n", {"line 2", "3 cells", "4 columns"}},
      {"CSV ambiguous", LandmarkFormat::csv_table, "id,a,b,c,d,e,f\nq,1,2,3,4,5,6\n", {"could be 2D or 3D"}},
      {"markups typo",
       LandmarkFormat::markups_csv,
       "# columns = x,y,z\n1,2,3\n4,five,6\n",
       {"line 3", "point 2", "column y"}},
      {"markups odd frame",
       LandmarkFormat::markups_csv,
       "# CoordinateSystem = XYZ\n",
       {"line 1", "neither LPS nor RAS"}},
      {"JSON broken",
       LandmarkFormat::markups_json,
       "{\"markups\": [\n{\"controlPoints\": [}]}",
       {"s.txt: not a JSON file", "line 2"}},
      {"JSON position of two",
       LandmarkFormat::markups_json,
       R"({"markups": [{"controlPoints": [{"position": [1, 2, 3]}, {"position": [1, 2]}]}]})",
       {"markups[0].controlPoints[1].position", "three numbers"}},
      {"JSON text for a number",
       LandmarkFormat::markups_json,
       R"({"markups": [{"controlPoints": [{"position": [1, "2", 3]}]}]})",
       {"markups[0].controlPoints[0].position[1]"}},
      {"pts short", LandmarkFormat::idav_pts, "Version 1.0\n3\nS0 1 2 3\n", {"1 point lines where line 2 announces 3"}},
      {"pts typo", LandmarkFormat::idav_pts, "Version 1.0\n1\nS0 1 2 3,5\n", {"line 3", "\"3,5\""}},
      {"table rows differ",
       LandmarkFormat::flat_table,
       "1 2 3 4\n1 2 3\n",
       {"line 2", "specimen 2 has 3 values where the first row (line 1) has 4"}},
  };
  for (const Case& c : cases) {
    const std::string message = error_of([&] { read(c.text, c.format); });
    for (const std::string& part : c.parts)
      EXPECT_NE(message.find(part), std::string::npos) << c.name << ": " << message;
  }
}

TEST(LandmarkFormats, AnEmptyScaleIsANoteNotAFailure) {
  const Specimens s = read("LM=1\n1 2\nSCALE=\nLM=1\n3 4\nSCALE=0.01\n", LandmarkFormat::tps);
  EXPECT_FALSE(s.specimens[0].scale);
  EXPECT_EQ(s.specimens[1].scale, 0.01);
  EXPECT_EQ(s.specimens[0].points, points({{1, 2}}));
  ASSERT_EQ(s.notes.size(), 1u);
  EXPECT_NE(s.notes[0].find("line 3: specimen 1: SCALE= gives no number"), std::string::npos) << s.notes[0];
}

TEST(LandmarkFormats, MissingValuesOfEachFormatReadAsMissing) {
  const auto missing_rows = [](const Specimens& s) {
    std::vector<Eigen::Index> rows;
    for (Eigen::Index r = 0; r < s.specimens[0].points.rows(); ++r)
      if (s.specimens[0].points.row(r).hasNaN()) rows.push_back(r + 1);
    return rows;
  };
  using Rows = std::vector<Eigen::Index>;
  // Negative TPS coordinates only when asked, every one of them.
  const std::string tps = "LM=3\n1 2\n-1 -1\n-1 5\n";
  EXPECT_EQ(missing_rows(read(tps, LandmarkFormat::tps)), Rows{});
  EXPECT_EQ(missing_rows(read(tps, LandmarkFormat::tps, "s.tps", {true, Frame::lps})), (Rows{2, 3}));
  EXPECT_EQ(missing_rows(read("1 1 6 1 -999 DIM=2\n1 2 -999 -999 5 NA\n", LandmarkFormat::nts)), (Rows{2, 3}));
  EXPECT_EQ(missing_rows(read("Version 1.0\n2\nS0 9999 1 2\nS1 1 2 3\n", LandmarkFormat::idav_pts)), Rows{1});
  EXPECT_EQ(missing_rows(read("id,x1,y1,x2,y2\na,1,,3,NaN\n", LandmarkFormat::csv_table)), (Rows{1, 2}));
  EXPECT_EQ(missing_rows(read(R"({"markups": [{"controlPoints": [{"position": [1, 2, 3]},
      {"position": [0, 0, 0], "positionStatus": "undefined"}, {"label": "F-3"}]}]})",
                              LandmarkFormat::markups_json)),
            (Rows{2, 3}));
}

TEST(MissingLandmarks, RefusedNamingSpecimenAndLandmarkOrDroppedWhenAsked) {
  Specimens s;
  Eigen::MatrixXd gap = kB;
  gap(1, 2) = std::nan("");
  gap(2, 0) = std::nan("");
  s.specimens = {{"RT01", kA, {}}, {"RT02", gap, {}}, {"specimen 3", kA, {}}};
  const std::string message = error_of([&] { drop_missing(s, "s.nts", false); });
  EXPECT_NE(message.find("s.nts: specimen 2 (RT02) has landmarks 2 and 3 missing"), std::string::npos) << message;
  EXPECT_NE(message.find("set DropMissing Value 1"), std::string::npos) << message;

  const MissingCheck dropped = drop_missing(s, "s.nts", true);
  ASSERT_EQ(dropped.kept.specimens.size(), 2u);
  EXPECT_EQ(dropped.kept.specimens[1].name, "specimen 3");
  EXPECT_EQ(dropped.kept_from, (std::vector<std::size_t>{1, 3}));
  ASSERT_EQ(dropped.notes.size(), 1u);
  EXPECT_NE(dropped.notes[0].find("specimen 2 (RT02)"), std::string::npos);

  s.specimens = {{"a", gap, {}}};
  EXPECT_NE(error_of([&] { drop_missing(s, "s.nts", true); }).find("every specimen has missing landmarks"),
            std::string::npos);
}

TEST(DifferingCount, NamesTheSpecimenThatDiffersFromTheMostOrBothWhenNoneIsMost) {
  EXPECT_EQ(differing_count({30, 54, 54, 54}, "values")->text,
            "specimen 1 has 30 values where the other 3 specimens have 54");
  EXPECT_EQ(differing_count({54, 54, 30, 54, 12}, "values")->text,
            "specimen 3 has 30 values where 3 of the 5 specimens have 54");
  EXPECT_EQ(differing_count({30, 54}, "values")->text, "specimen 1 has 30 values and specimen 2 has 54");
  EXPECT_EQ(differing_count({54, 54, 30, 54, 12}, "values")->specimen, 2u);
  EXPECT_FALSE(differing_count({7, 7, 7}, "values"));
}

TEST(TpsSpecimenNames, OnePerHeaderFromIdOrImage) {
  std::istringstream in("LM=1\n1 2 3\nIMAGE=a/one.tif\nLM=1\n1 2 3\nID=two\nIMAGE=x.jpg\nlm=1\n1 2 3\n");
  EXPECT_EQ(tps_specimen_names(in, "s.tps"), (std::vector<std::string>{"one", "two", "specimen 3"}));
  // A file that names each specimen before its header.
  const std::string before = "ID=a\nLM=1\n1 2\nID=b\nLM=1\n3 4\nLM=1\n5 6\n";
  std::istringstream again(before);
  EXPECT_EQ(tps_specimen_names(again, "s.tps"), (std::vector<std::string>{"a", "b", "specimen 3"}));
  const Specimens s = read(before, LandmarkFormat::tps);
  EXPECT_EQ(s.specimens[1].name, "b");
  EXPECT_EQ(s.specimens[2].name, "specimen 3");
}

// The CSV layouts people write, each written here from its description: what
// each reads to, or the refusal that names its cause.
TEST(CsvTables, ColumnNamesTellCoordinatesNamesAndClassifiers) {
  using Columns = std::vector<std::pair<std::string, std::vector<std::string>>>;
  const Eigen::MatrixXd p2a = points({{1, 2}, {3, 4}}), p2b = points({{5, 6}, {7, 8.5}});
  const Eigen::MatrixXd p3a = points({{1, 2, 3}, {4, 5, 6}});
  struct Case {
    std::string name, text;
    int dims_asked = 0;
    std::vector<std::string> names;  // empty: refused with `error`
    int dims = 0;
    std::vector<Eigen::MatrixXd> points;
    Columns columns;
    std::string error;
  };
  const auto read_as = [](std::string name, std::string text, int dims_asked, std::vector<std::string> names, int dims,
                          std::vector<Eigen::MatrixXd> points, Columns columns = {}) {
    return Case{std::move(name),   std::move(text),    dims_asked, std::move(names), dims,
                std::move(points), std::move(columns), ""};
  };
  const auto refused = [](std::string name, std::string text, int dims_asked, std::string error) {
    return Case{std::move(name), std::move(text), dims_asked, {}, 0, {}, {}, std::move(error)};
  };
  const std::vector<Case> cases = {
      read_as("R write.csv: an empty first header, quoted row names",
              "\"\",\"x1\",\"y1\",\"x2\",\"y2\"\n\"1\",1,2,3,4\n\"2\",5,6,7,8.5\n", 0, {"1", "2"}, 2, {p2a, p2b}),
      read_as("R write.table: rows one cell longer than the header", "x1\ty1\tx2\ty2\nA\t1\t2\t3\t4\n", 0, {"A"}, 2,
              {p2a}),
      read_as("a numeric catalogue number first", "catno,X1,Y1,X2,Y2\n10234,1,2,3,4\n10235,5,6,7,8.5\n", 0,
              {"10234", "10235"}, 2, {p2a, p2b}),
      read_as("classifier columns around named coordinates",
              "ID,x01,y01,C_size,x02,y02,Species,Sex\nA,1,2,10.5,3,4,bufo,f\nB,5,6,11,7,8.5,rana,m\n", 0, {"A", "B"}, 2,
              {p2a, p2b}, Columns{{"C_size", {"10.5", "11"}}, {"Species", {"bufo", "rana"}}, {"Sex", {"f", "m"}}}),
      read_as("axis letters before the landmark names", "name,Xbas,Ybas,Zbas,Xna,Yna,Zna\nS1,1,2,3,4,5,6\n", 0, {"S1"},
              3, {p3a}),
      read_as("axis letters after the landmark names", "bas_x,bas_y,bas_z,na_x,na_y,na_z,Specimen\n1,2,3,4,5,6,S1\n", 0,
              {"S1"}, 3, {p3a}),
      read_as("numbers before the axis", "id,1x,1y,2x,2y\nA,1,2,3,4\n", 0, {"A"}, 2, {p2a}),
      read_as("a long table, rows in any order",
              "specimen_id,coord_id,x,y,sex\nA,1,1,2,f\nA,2,3,4,f\nB,2,7,8.5,m\nB,1,5,6,m\n", 0, {"A", "B"}, 2,
              {p2a, p2b}, Columns{{"sex", {"f", "m"}}}),
      read_as("semicolons with comma decimals", "id;x1;y1;x2;y2\nA;1;2;3;4\nB;5;6;7;8,5\n", 0, {"A", "B"}, 2,
              {p2a, p2b}),
      read_as("headerless rows whose width fits 2D alone", "1,2,3,4\n5,6,7,8.5\n", 0, {"specimen 1", "specimen 2"}, 2,
              {p2a, p2b}),
      read_as("headerless rows with the dimension given", "1,2,3,4,5,6\n", 3, {"specimen 1"}, 3, {p3a}),
      refused("headerless rows of either dimension", "1,2,3,4,5,6\n", 0, "--dim 2 or --dim 3"),
      refused("an x without its y", "id,x1,y1,x2\nA,1,2,3\n", 0,
              "column 4 (\"x2\") is the x of point 2, and no column is its y."),
      refused("a point without its z", "id,x1,y1,z1,x2,y2\nA,1,2,3,4,5\n", 0,
              "point \"2\" has x and y columns (5, 6) and no z column"),
      refused("a long table whose specimen lacks a landmark",
              "specimen,landmark,x,y\nA,1,1,2\nA,2,3,4\nB,1,5,6\nB,3,7,8\n", 0,
              "specimen 2 (B) has no row for landmark \"2\""),
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LandmarkReadOptions options;
    options.dims = c.dims_asked;
    const LandmarkFormat format = detect_format(c.text).format;
    if (c.names.empty()) {
      const std::string e = error_of([&] { read(c.text, format, "t.csv", options); });
      EXPECT_NE(e.find(c.error), std::string::npos) << e;
      continue;
    }
    const Specimens s = read(c.text, format, "t.csv", options);
    EXPECT_EQ(s.dims, c.dims);
    ASSERT_EQ(s.specimens.size(), c.names.size());
    for (std::size_t i = 0; i < c.names.size(); ++i) {
      EXPECT_EQ(s.specimens[i].name, c.names[i]);
      EXPECT_EQ(s.specimens[i].points, c.points[i]) << s.specimens[i].points;
    }
    EXPECT_EQ(s.columns, c.columns);
  }
}

}  // namespace
}  // namespace velmora
