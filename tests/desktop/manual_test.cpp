#include "desktop/manual.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace velmora {
namespace {

TEST(Manual, KeepsTheUsersSectionsAndLeavesTheDevelopersOut) {
  const QString readme =
      "# Velmora3d\nintro\n## The desktop window\nclick\n```\n## a comment in an example\n```\n"
      "## Layout of the code\nsrc/\n## Checks before committing, and what CI runs\nscripts\n"
      "## Benchmarks and fuzzing\nbench\n";
  const QString manual = manual_text(readme);
  for (const char* kept : {"intro", "## The desktop window", "click", "## a comment in an example"})
    EXPECT_TRUE(manual.contains(kept)) << kept;
  for (const char* left : {"Layout of the code", "src/", "scripts", "bench"}) EXPECT_FALSE(manual.contains(left)) << left;
}

TEST(Manual, FoundInTheFirstFolderThatHasIt) {
  QTemporaryDir empty, with;
  QFile(with.filePath("README.md")).open(QIODevice::WriteOnly);
  const std::filesystem::path a = empty.path().toStdString(), b = with.path().toStdString();
  EXPECT_EQ(find_manual({a, b}), b / "README.md");
  EXPECT_TRUE(find_manual({a}).empty());
}

}  // namespace
}  // namespace velmora
