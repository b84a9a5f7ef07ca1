// The command line's own readers and its call-by-name entry.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/call_by_name.h"
#include "app/parse_seed.h"
#include "app/standard_output.h"
#include "runtime/error.h"

namespace velmora {
namespace {

TEST(ParseSeed, OnlyWholeNumbersThatFitSixtyFourBits) {
  EXPECT_EQ(parse_seed("0"), 0u);
  EXPECT_EQ(parse_seed("9007199254740993"), 9007199254740993u);
  EXPECT_EQ(parse_seed("18446744073709551615"), 18446744073709551615u);
  for (const char* bad : {"", "-1", "+1", " 1", "1 ", "1e23", "1.0", "0x10", "18446744073709551616", "seed"})
    EXPECT_EQ(parse_seed(bad), std::nullopt) << bad;
}

// Whatever a function throws, the call ends with a message and status 1.
TEST(CallByName, EveryFailureIsAMessageAndStatusOne) {
  FunctionTable table;
  auto throwing = [&table](const std::string& name, std::function<void()> fail) {
    table.add({name, 1, 1, [fail](const std::vector<Value>&, int) -> std::vector<Value> {
                 fail();
                 return {};
               }});
  };
  throwing("memory", [] { throw std::bad_alloc(); });
  throwing("folder", [] {
    throw std::filesystem::filesystem_error("cannot make absolute path",
                                            std::make_error_code(std::errc::invalid_argument));
  });
  throwing("runtime", [] { throw RuntimeError("the file x.txt, line 3: no numbers."); });
  table.add({"ok", 1, 1, [](const std::vector<Value>& a, int) -> std::vector<Value> { return a; }});
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"memory", "memory: not enough memory to finish.\n"},
      {"folder", "folder failed: filesystem error: cannot make absolute path: Invalid argument\n"},
      {"runtime", "the file x.txt, line 3: no numbers.\n"},
      {"missing", "Undefined function 'missing'.\n"},
  };
  for (const auto& [name, message] : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(call_by_name(table, name, {"1"}, -1, out, err), 1) << name;
    EXPECT_EQ(err.str(), message) << name;
    EXPECT_EQ(out.str(), "") << name;
  }
  // Results that cannot be written fail too.
  std::ostringstream out, err;
  out.setstate(std::ios::badbit);
  EXPECT_EQ(call_by_name(table, "ok", {"3"}, -1, out, err), 1);
  EXPECT_NE(err.str().find("could not be written"), std::string::npos) << err.str();
}

// What --version, --help, convert and --examples print is their result: when
// standard output is a full disk the command fails, whatever it returned.
TEST(StandardOutput, UndeliveredOutputTurnsSuccessIntoFailure) {
  struct Case {
    const char* name;
    bool full;
    int status, expected;
  };
  for (const Case& c : {Case{"delivered", false, 0, 0}, Case{"delivered usage error", false, 2, 2},
                        Case{"full disk", true, 0, 1}, Case{"full disk after a failure", true, 2, 2}}) {
    std::ofstream out(c.full ? "/dev/full" : "/dev/null");
    out << "velmora3d 1.2.3\n";
    std::ostringstream err;
    EXPECT_EQ(finish_standard_output(c.status, out, err), c.expected) << c.name;
    EXPECT_EQ(err.str().find("standard output could not be written: No space left on device") != std::string::npos,
              c.full)
        << c.name << ": " << err.str();
  }
}

}  // namespace
}  // namespace velmora
