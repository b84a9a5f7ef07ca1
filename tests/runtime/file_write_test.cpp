// Safe writes: the temporary file, what a finished write keeps of the old
// file, and what a killed one leaves behind.
#include "runtime/file_write.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <regex>

#include "runtime/error.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

class FileWrite : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("velmora_file_write_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    target = dir / "out.txt";
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string read(const fs::path& p) const {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  static mode_t mode_of(const fs::path& p) {
    struct stat st {};
    ::lstat(p.c_str(), &st);
    return st.st_mode & 07777;
  }

  fs::path dir, target;
};

TEST_F(FileWrite, TheTemporaryIsRecognisableOwnerOnlyAndGoneAfterwards) {
  {
    PendingFile file(target);
    file.write("half");
    EXPECT_TRUE(
        std::regex_match(file.temporary().filename().string(), std::regex(R"(\.out\.txt\.velmora-[0-9a-f]{12}\.tmp)")))
        << file.temporary();
    EXPECT_EQ(file.temporary().parent_path(), dir);
    EXPECT_EQ(mode_of(file.temporary()), 0600u);
    EXPECT_FALSE(fs::exists(target));
  }
  EXPECT_TRUE(names().empty()) << "a write given up removes its temporary";
  PendingFile file(target);
  file.write("whole");
  EXPECT_EQ(file.commit(), 5u);
  EXPECT_EQ(names(), std::vector<std::string>{"out.txt"});
  EXPECT_EQ(read(target), "whole");
}

TEST_F(FileWrite, ATakenNameOrAPlantedLinkIsNeverWrittenThrough) {
  const fs::path victim = dir / "victim.txt";
  std::ofstream(victim) << "keep";
  std::uint64_t next = 1;
  auto tokens = [&next] { return next++; };
  // The first two names are taken by links to the victim, the third by a file.
  fs::create_symlink(victim, dir / ".out.txt.velmora-000000000001.tmp");
  fs::create_symlink(victim, dir / ".out.txt.velmora-000000000002.tmp");
  std::ofstream(dir / ".out.txt.velmora-000000000003.tmp") << "someone else's";
  PendingFile file(target, tokens);
  EXPECT_EQ(file.temporary().filename(), ".out.txt.velmora-000000000004.tmp");
  file.write("new");
  file.commit();
  EXPECT_EQ(read(victim), "keep");
  EXPECT_EQ(read(dir / ".out.txt.velmora-000000000003.tmp"), "someone else's");
  EXPECT_EQ(read(target), "new");
}

TEST_F(FileWrite, AReplacedFileKeepsItsModeAndOwner) {
  std::ofstream(target) << "old";
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(target.c_str(), 1234, 4321), 0);
  }
  write_file_atomically(target, "new");
  EXPECT_EQ(read(target), "new");
  EXPECT_EQ(mode_of(target), 0640u);
  if (root) {
    struct stat st {};
    ::stat(target.c_str(), &st);
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 4321u);
  }
  // A new file gets the usual mode: 0666 less the umask.
  const mode_t mask = ::umask(027);
  write_file_atomically(dir / "new.txt", "x");
  ::umask(mask);
  EXPECT_EQ(mode_of(dir / "new.txt"), 0640u);
}

TEST_F(FileWrite, OnlyStaleUnlockedTemporariesOfTheSameTargetAreRemoved) {
  const std::time_t two_hours_ago = std::time(nullptr) - 7200;
  auto make = [&](const std::string& name, bool old) {
    std::ofstream(dir / name) << "left";
    if (old) {
      const struct timespec times[2] = {{two_hours_ago, 0}, {two_hours_ago, 0}};
      ::utimensat(AT_FDCWD, (dir / name).c_str(), times, 0);
    }
  };
  make(".out.txt.velmora-00000000000a.tmp", true);    // stale: removed
  make(".out.txt.velmora-00000000000b.tmp", false);   // recent: a writer may be at work
  make(".out.txt.velmora-00000000000c.tmp", true);    // old but locked: a slow writer
  make(".other.txt.velmora-00000000000d.tmp", true);  // another target's
  make(".out.txt.tmp123456", true);                   // not one of ours
  const int lock = ::open((dir / ".out.txt.velmora-00000000000c.tmp").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  write_file_atomically(target, "x");
  ::close(lock);
  EXPECT_EQ(names(), (std::vector<std::string>{".other.txt.velmora-00000000000d.tmp", ".out.txt.tmp123456",
                                               ".out.txt.velmora-00000000000b.tmp", ".out.txt.velmora-00000000000c.tmp",
                                               "out.txt"}));
}

TEST_F(FileWrite, LinksAreWrittenThroughAndDevicesDirectly) {
  const fs::path real = dir / "real.txt";
  std::ofstream(real) << "old";
  fs::create_symlink(real, dir / "link.txt");
  write_file_atomically(dir / "link.txt", "through");
  EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
  EXPECT_EQ(read(real), "through");
  // /dev/null takes the bytes and stays the device.
  EXPECT_EQ(write_file_atomically("/dev/null", "nothing"), 7u);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  // A full device: the failure names the file and says why.
  try {
    write_file_atomically("/dev/full", "data");
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot write the file /dev/full: No space left on device");
  }
}

// Odd targets: a name as long as the system allows is saved; a named pipe and
// a read-only file are refused and left as they were; a hard link and a
// dangling link are replaced, and the notice says what became of them, as it
// does for a file saved through a link.
TEST_F(FileWrite, OddTargetsAreSavedOrRefusedAndTheNoticeSaysWhat) {
  struct Case {
    const char* name;
    std::function<fs::path()> make;
    const char* refusal;  // nullptr: written
    const char* notice;   // "" when none
  };
  const Case cases[] = {
      {"255 characters", [&] { return dir / std::string(255, 'n'); }, nullptr, ""},
      {"named pipe",
       [&] {
         ::mkfifo((dir / "pipe").c_str(), 0600);
         return dir / "pipe";
       },
       "a named pipe that no program reads", ""},
      {"read-only",
       [&] {
         std::ofstream(dir / "ro.txt") << "old";
         ::chmod((dir / "ro.txt").c_str(), 0444);
         return dir / "ro.txt";
       },
       "it is read-only", ""},
      {"hard link",
       [&] {
         std::ofstream(dir / "h.txt") << "old";
         fs::create_hard_link(dir / "h.txt", dir / "h2.txt");
         return dir / "h.txt";
       },
       nullptr, "had 1 other name (hard links): they keep the old content"},
      {"link to a file",
       [&] {
         std::ofstream(dir / "named.txt") << "old";
         fs::create_symlink(dir / "named.txt", dir / "l.txt");
         return dir / "l.txt";
       },
       nullptr, "l.txt is a link to "},
      {"dangling link",
       [&] {
         fs::create_symlink(dir / "gone.txt", dir / "d.txt");
         return dir / "d.txt";
       },
       nullptr, "which does not exist; the link was replaced by the file written"},
  };
  for (const Case& c : cases) {
    const fs::path target = c.make();
    std::string heard;
    try {
      write_file_atomically(target, "new", [&](const std::string& n) { heard += n; });
      EXPECT_EQ(c.refusal, nullptr) << c.name;
      EXPECT_EQ(read(target), "new") << c.name;
    } catch (const RuntimeError& e) {
      ASSERT_NE(c.refusal, nullptr) << c.name << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
      if (fs::is_regular_file(target)) {
        EXPECT_EQ(read(target), "old") << c.name;
      }
    }
    EXPECT_NE(heard.find(c.notice), std::string::npos) << c.name << ": " << heard;
    EXPECT_EQ(heard.empty(), std::string(c.notice).empty()) << c.name << ": " << heard;
  }
  EXPECT_EQ(read(dir / "h2.txt"), "old");
  EXPECT_FALSE(fs::is_symlink(dir / "d.txt"));
  EXPECT_FALSE(fs::exists(dir / "gone.txt"));
  // A pipe that a program reads takes the bytes, as before.
  const int reader = ::open((dir / "pipe").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(write_file_atomically(dir / "pipe", "through"), 7u);
  char got[16] = {};
  EXPECT_EQ(::read(reader, got, sizeof got), 7);
  EXPECT_STREQ(got, "through");
  ::close(reader);
}

}  // namespace
}  // namespace velmora
