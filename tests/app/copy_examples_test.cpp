// `velmora3d --examples DIR`: every file copied with its folders, nothing of the
// user's overwritten, nothing left behind by a failed copy.
#include "app/copy_examples.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include "runtime/error.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_file(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

class CopyExamplesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("velmora_copy_examples_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    // An installed share folder: files at the top and in two subfolders.
    for (const char* name : {"README.md", "a/one.txt", "b/two.txt", "z.txt"})
      write_file(share() / "examples" / name, std::string("text of ") + name + "\n");
    fs::permissions(share() / "examples" / "z.txt", fs::perms::owner_read, fs::perm_options::replace);
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path share() const { return dir / "share"; }
  fs::path user() const { return dir / "user"; }

  // The message of the RuntimeError copy_examples throws, or "" when it copies.
  std::string copy_failure() {
    try {
      copy_examples(share() / "examples", user());
    } catch (const RuntimeError& e) {
      return e.what();
    }
    return "";
  }

  fs::path dir;
};

TEST_F(CopyExamplesTest, CopiesEveryFileIntoExamplesAndMakesTheResultsFolder) {
  const ExamplesCopy copy = copy_examples(share() / "examples", user());
  EXPECT_EQ(copy.files, 4u);
  EXPECT_EQ(copy.folder, user() / "examples");
  EXPECT_TRUE(fs::is_directory(user() / "demo-out"));
  for (const char* name : {"README.md", "a/one.txt", "b/two.txt", "z.txt"})
    EXPECT_EQ(read_file(user() / "examples" / name), std::string("text of ") + name + "\n") << name;
  // A read-only installed file becomes the user's to change.
  EXPECT_NE(fs::status(user() / "examples" / "z.txt").permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST_F(CopyExamplesTest, RefusesWhenAFileIsThereAndCopiesNothing) {
  write_file(user() / "examples" / "b" / "two.txt", "the user's own\n");
  const std::string message = copy_failure();
  EXPECT_NE(message.find("Nothing copied"), std::string::npos) << message;
  EXPECT_NE(message.find((user() / "examples" / "b" / "two.txt").string()), std::string::npos) << message;
  EXPECT_EQ(read_file(user() / "examples" / "b" / "two.txt"), "the user's own\n");
  EXPECT_FALSE(fs::exists(user() / "examples" / "README.md"));
  EXPECT_FALSE(fs::exists(user() / "demo-out"));
}

TEST_F(CopyExamplesTest, AFailurePartWayRemovesWhatItMade) {
  // A file where the copy needs the folder b/: README.md and a/one.txt are
  // copied first, then b/two.txt fails.
  write_file(user() / "examples" / "b", "in the way\n");
  const std::string message = copy_failure();
  EXPECT_NE(message.find((user() / "examples" / "b").string()), std::string::npos) << message;
  EXPECT_EQ(read_file(user() / "examples" / "b"), "in the way\n");
  EXPECT_FALSE(fs::exists(user() / "examples" / "README.md"));
  EXPECT_FALSE(fs::exists(user() / "examples" / "a"));
  EXPECT_FALSE(fs::exists(user() / "demo-out"));
}

// Links planted inside DIR would take the copies elsewhere: refused, and
// nothing is written on either side of them.
TEST_F(CopyExamplesTest, LinksInsideTheDestinationAreNotFollowed) {
  for (const fs::path& link : {user() / "examples", user() / "examples" / "a", user() / "demo-out"}) {
    fs::remove_all(user());
    fs::remove_all(dir / "elsewhere");
    fs::create_directories(dir / "elsewhere");
    fs::create_directories(link.parent_path());
    fs::create_directory_symlink(dir / "elsewhere", link);
    const std::string message = copy_failure();
    EXPECT_NE(message.find(link.string() + " is a link to another folder"), std::string::npos) << message;
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere")) << link;
    EXPECT_FALSE(fs::exists(user() / "examples" / "README.md")) << link;
  }
}

// A copy cut short (here by a limit on file size, as a full disk would) leaves
// no truncated file behind, so a second try goes through.
TEST_F(CopyExamplesTest, ACopyCutShortLeavesNoTruncatedFile) {
  struct rlimit before {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = before;
  small.rlim_cur = 8;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string message = copy_failure();
  ::setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, handler);
  EXPECT_NE(message.find("Cannot copy"), std::string::npos) << message;
  EXPECT_FALSE(fs::exists(user() / "examples" / "README.md"));
  EXPECT_EQ(copy_failure(), "");
  EXPECT_EQ(read_file(user() / "examples" / "README.md"), "text of README.md\n");
}

TEST_F(CopyExamplesTest, ADestinationThatIsAFileIsRefused) {
  write_file(user(), "a file\n");
  const std::string message = copy_failure();
  EXPECT_NE(message.find("not a folder"), std::string::npos) << message;
  EXPECT_EQ(read_file(user()), "a file\n");
}

TEST_F(CopyExamplesTest, TheCommandTakesTheFirstShareFolderWithExamplesAndSaysWhatToRun) {
  std::ostringstream out, err;
  EXPECT_EQ(run_copy_examples({dir / "nowhere", share()}, user(), out, err), 0) << err.str();
  EXPECT_NE(out.str().find("--run " + (user() / "examples" / "study3d.txt").string()), std::string::npos) << out.str();
  // Again: everything is there now.
  out.str("");
  EXPECT_EQ(run_copy_examples({share()}, user(), out, err), 2);
  EXPECT_NE(err.str().find("Nothing copied"), std::string::npos) << err.str();
  // No share folder with examples: the message lists where it looked.
  err.str("");
  EXPECT_EQ(run_copy_examples({dir / "nowhere"}, dir / "other", out, err), 2);
  EXPECT_NE(err.str().find((dir / "nowhere" / "examples").string()), std::string::npos) << err.str();
  EXPECT_FALSE(fs::exists(dir / "other"));
  EXPECT_EQ(run_copy_examples({share()}, "", out, err), 2);
}

}  // namespace
}  // namespace velmora
