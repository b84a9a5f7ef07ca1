// What a dropped file holds, from its first lines.
#include "desktop/file_kind.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <sstream>

namespace velmora {
namespace {

const std::filesystem::path kExamples = std::filesystem::path(VELMORA_SOURCE_DIR) / "examples";

TEST(FileKind, TextsOfEachKind) {
  struct Case {
    const char* what;
    std::string text;
    std::string name;
    FileKind kind;
  };
  const std::vector<Case> cases = {
      {"protocol with comments", "1 % ruler\n1\n2\n10\n1\n-999\n1\n12\n", "p.txt", FileKind::protocol},
      {"protocol with old Mac line ends", "1\r1\r2\r10\r1\r-999\r1\r12\r", "p.txt", FileKind::protocol},
      {"3D TPS", "LM=3\n1 2 3\n4 5 6\n-999 0 0\nID=a\n", "a.tps", FileKind::tps3d},
      {"2D TPS after an IMAGE line", "IMAGE=x.jpg\nlm=2\n1.5 2\n3 4\n", "a.tps", FileKind::tps2d},
      {"table of flat rows", "1 2 3 4 5 6 7\n1 2 3 4 5 6 7\n", "s.txt", FileKind::table},
      {"wireframe", "1 1 2\n2 2 3\n3 3 1\n", "w.txt", FileKind::wireframe},
      {"numbers on one line", "1 1 2 10 1 -999 1 12\n", "p.txt", FileKind::numbers},
      {"rows of three with fractions", "1 1.5 2\n2 2 3\n", "w.txt", FileKind::numbers},
      {"a study", "{\n  \"velmora3d-study\": 1\n}\n", "s.json", FileKind::study},
      {"a study by its extension", "", "s.v3dstudy", FileKind::study},
      {"other JSON", "{\"a\": 1}", "s.json", FileKind::unknown},
      {"words", "Dear colleague,\nthe skulls\n", "letter.txt", FileKind::unknown},
      {"binary", std::string("\x89PNG\r\n\x1a\n\0\0\0", 11), "x.png", FileKind::unknown},
      {"empty", "", "e.txt", FileKind::unknown},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.text);
    EXPECT_EQ(guess_file_kind(in, c.name), c.kind) << c.what;
  }
}

TEST(FileKind, TheExampleFiles) {
  const std::pair<const char*, FileKind> files[] = {
      {"skull3d/protocol.txt", FileKind::protocol},   {"skull3d/first.tps", FileKind::tps3d},
      {"skull3d/second.txt", FileKind::table},        {"skull3d/second.tps", FileKind::tps3d},
      {"skull3d/wireframe.txt", FileKind::wireframe}, {"skull3d/study.json", FileKind::study},
      {"leaf2d/first.tps", FileKind::tps2d},          {"leaf2d/second.txt", FileKind::table},
  };
  for (const auto& [file, kind] : files) EXPECT_EQ(guess_file_kind(kExamples / file), kind) << file;
  EXPECT_EQ(guess_file_kind(kExamples / "no-such-file.txt"), FileKind::unreadable);
  EXPECT_EQ(guess_file_kind(kExamples), FileKind::unreadable);
}

TEST(FileKind, PipesAndDevicesAreNotOpened) {
  // Opening either would hold the window: a pipe waits for a writer, a device never ends.
  QTemporaryDir dir;
  const std::filesystem::path pipe = std::filesystem::path(dir.path().toStdString()) / "dropped.txt";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(guess_file_kind(pipe), FileKind::unreadable);
  EXPECT_EQ(guess_file_kind("/dev/zero"), FileKind::unreadable);
}

}  // namespace
}  // namespace velmora
