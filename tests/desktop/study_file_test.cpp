// Study files: a round trip with paths relative to the file, and clear
// messages for files that are not studies.
#include "desktop/study_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "runtime/error.h"
#include "support/error_of.h"

namespace velmora {
namespace {

using testing::error_of;

TEST(StudyFile, RoundTripWithPathsRelativeToTheFile) {
  QTemporaryDir dir;
  const std::filesystem::path folder = dir.path().toStdString();
  StudyFile study;
  study.protocol = folder / "data" / "protocol.txt";
  study.first = folder / "data" / "first.tps";
  study.first_dims = 2;
  study.second = folder / "other place" / "second.tps";
  study.second_table = false;
  study.rounds = 4;
  study.seed = 18446744073709551615ull;  // the largest seed survives exactly
  const std::filesystem::path file = folder / "study.v3dstudy";
  write_study_file(file, study);
  EXPECT_EQ(read_study_file(file), study);

  std::ifstream in(file);
  const auto json = nlohmann::ordered_json::parse(in);
  EXPECT_EQ(json.begin().key(), kStudyKey);
  EXPECT_EQ(json["protocol"], "data/protocol.txt");
  EXPECT_EQ(json["second-sample"], "other place/second.tps");
  EXPECT_TRUE(json["wireframe"].is_null());
  EXPECT_FALSE(json.contains("drop-missing"));  // the load switches are written only when on

  EXPECT_FALSE(json.contains("specimen-table"));  // written only when a table is loaded

  EXPECT_FALSE(json.contains("controls") || json.contains("window-layout"));  // a file as older versions wrote it

  study.drop_missing = study.negative_missing = true;
  study.table = folder / "data" / "table.csv";
  study.controls = {{"SlideCriterion", std::string("Procrustes distance")}, {"PCXBox", 2LL}, {"AllometryLine", true}};
  study.layout = "AAAA/wAAAAD9";
  write_study_file(file, study);
  EXPECT_EQ(read_study_file(file), study);
}

TEST(StudyFile, WhatIsNotAStudySaysWhereAndWhy) {
  const std::pair<std::string, std::string> cases[] = {
      {"{\n  \"velmora3d-study\": 1,\n  oops\n}", "not JSON (line 3, column 3)"},
      {"[1, 2]", "first key must be \"velmora3d-study\""},
      {"{\"protocol\": \"p.txt\", \"velmora3d-study\": 1}", "first key must be \"velmora3d-study\""},
      {"{\"velmora3d-study\": 2}", "newer Velmora3d (study format 2)"},
      {"{\"velmora3d-study\": \"1\"}", "must be the format version"},
      {"{\"velmora3d-study\": 1, \"colour\": \"red\"}", "does not know: \"colour\""},
      {"{\"velmora3d-study\": 1, \"first-sample-dimension\": 4}", "\"first-sample-dimension\" must be 2 or 3"},
      {"{\"velmora3d-study\": 1, \"first-sample-dimension\": 4294967298}", "\"first-sample-dimension\" must be 2 or 3"},
      {"{\"velmora3d-study\": 1, \"first-sample-dimension\": 18446744073709551614}", "must be 2 or 3"},
      {"{\"velmora3d-study\": 1e400}", "holds a number too large to be read"},
      {"{\"velmora3d-study\": 1, \"seed\": -1e999}", "holds a number too large to be read"},
      {"{\"velmora3d-study\": 1, \"resampling-rounds\": 11}", "\"resampling-rounds\" must be a whole number"},
      {"{\"velmora3d-study\": 1, \"seed\": -1}", "\"seed\" must be a whole number"},
      {"{\"velmora3d-study\": 1, \"second-sample-is-table\": \"yes\"}", "must be true or false"},
      {"{\"velmora3d-study\": 1, \"protocol\": 3}", "\"protocol\" must be a file name"},
      {"{\"velmora3d-study\": 1, \"controls\": {\"PCXBox\": [2]}}", "control \"PCXBox\" must be set to"},
      {"{\"velmora3d-study\": 1, \"window-layout\": 7}", "\"window-layout\" must be text"},
  };
  for (const auto& [text, expected] : cases) {
    std::istringstream in(text);
    try {
      parse_study(in, "my.v3dstudy", "/data");
      ADD_FAILURE() << "accepted: " << text;
    } catch (const RuntimeError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("my.v3dstudy"), std::string::npos) << message;
      EXPECT_NE(message.find(expected), std::string::npos) << message;
    }
  }
  EXPECT_THROW(read_study_file("/no/such/study.v3dstudy"), RuntimeError);
}

TEST(StudyFile, ReadsOnlyWhatAStudyFileCanBe) {
  // Old Mac line ends are line ends, so a JSON error names the line; megabytes
  // of white space are not a study.
  std::istringstream mac("{\r  \"velmora3d-study\": 1,\r  oops\r}");
  EXPECT_NE(error_of([&] { parse_study(mac, "mac.json", "/data"); }).find("line 3, column 3"), std::string::npos);
  std::istringstream huge("{\"velmora3d-study\": 1" + std::string(std::size_t{2} << 20, ' ') + "}");
  EXPECT_NE(error_of([&] { parse_study(huge, "huge.json", "/data"); }).find("larger than 1 MB"), std::string::npos);

  // A pipe or a device named as the study gives a message at once.
  QTemporaryDir dir;
  const std::filesystem::path pipe = std::filesystem::path(dir.path().toStdString()) / "study.json";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  for (const std::filesystem::path& file : {pipe, std::filesystem::path("/dev/zero")}) {
    const std::string message = error_of([&] { read_study_file(file); });
    EXPECT_NE(message.find("Cannot open the study file " + file.string() + " (it is a"), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace velmora
