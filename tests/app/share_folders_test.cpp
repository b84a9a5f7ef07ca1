// The folders an installed or a built program finds its own files in.
#include "app/share_folders.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

namespace fs = std::filesystem;

TEST(ShareFoldersTest, TheInstalledShareFolderComesFirstThenTheProgramsOwn) {
  const std::vector<fs::path> folders = share_folders("/opt/v/bin");
  ASSERT_EQ(folders.size(), 2u);
  EXPECT_EQ(folders[0], fs::path("/opt/v/share/velmora3d"));
  EXPECT_EQ(folders[1], fs::path("/opt/v/bin"));
  EXPECT_TRUE(share_folders("").empty());
  // The folder of the running program: this test program is in it.
  EXPECT_TRUE(fs::is_regular_file(program_folder() / "app_tests")) << program_folder();
}

}  // namespace
}  // namespace velmora
