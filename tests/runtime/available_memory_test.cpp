#include "runtime/available_memory.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "runtime/error.h"

namespace velmora {
namespace {

TEST(AvailableMemory, FollowsTheAddressSpaceLimit) {
  const std::optional<std::uint64_t> before = available_memory();
  ASSERT_TRUE(before.has_value()) << "/proc/meminfo is readable on Linux";
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_AS, &old), 0);
  rlimit capped = old;
  capped.rlim_cur = std::min<rlim_t>(old.rlim_cur, rlim_t{64} << 40);  // 64 TB: above what the process uses
  ASSERT_EQ(::setrlimit(RLIMIT_AS, &capped), 0);
  const std::optional<std::uint64_t> under_limit = available_memory();
  ::setrlimit(RLIMIT_AS, &old);
  ASSERT_TRUE(under_limit.has_value());
  EXPECT_LE(*under_limit, std::uint64_t{64} << 40);

  EXPECT_NO_THROW(check_memory(1024, "A kilobyte"));
  try {
    check_memory(1e30, "Loading it");
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    const std::string message = e.what();
    EXPECT_EQ(message.rfind("Loading it needs about ", 0), 0u) << message;
    EXPECT_NE(message.find(" PB of memory; this machine has "), std::string::npos) << message;
  }
}

TEST(AvailableMemory, TextsForPeople) {
  EXPECT_EQ(memory_text(512), "512 bytes");
  EXPECT_EQ(memory_text(240.0 * 1024 * 1024), "240 MB");
  EXPECT_EQ(memory_text(18.34 * 1024 * 1024 * 1024), "18.3 GB");
}

}  // namespace
}  // namespace velmora
