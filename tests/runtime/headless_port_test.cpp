// The headless port keeps and builds events only for those who take them.
#include "runtime/headless/headless_port.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace velmora {
namespace {

TEST(HeadlessPort, EventsAndEchoesOnlyForThoseWhoTakeThem) {
  struct Case {
    std::string name;
    bool quiet, listener, listener_echoes, keep;
    bool listening;     // whether the console says anyone hears an echo
    std::size_t heard;  // events the listener got
    std::size_t kept;   // events kept by the port
    bool printed;       // echo text on the diagnostics stream
  };
  const std::vector<Case> cases = {
      {"quiet, nobody", true, false, false, false, false, 0, 0, false},
      {"printed only", false, false, false, false, true, 0, 0, true},
      {"listener without echoes", true, true, false, false, false, 1, 0, false},
      {"listener with echoes", true, true, true, false, true, 2, 0, false},
      {"kept for a test", true, false, false, true, true, 0, 2, false},
  };
  for (const Case& c : cases) {
    std::ostringstream diagnostics;
    HeadlessPort port(&diagnostics, c.quiet);
    std::size_t heard = 0;
    if (c.listener) port.on_event([&](const Event&) { ++heard; }, c.listener_echoes);
    if (c.keep) port.keep_events();
    EXPECT_EQ(port.console().listening(), c.listening) << c.name;
    port.console().echo("stemp", std::string("a long report"));
    port.set_control_string("BigBox", "text");
    EXPECT_EQ(heard, c.heard) << c.name;
    EXPECT_EQ(port.events().size(), c.kept) << c.name;
    EXPECT_EQ(diagnostics.str(), c.printed ? "stemp = a long report\n" : "") << c.name;
  }
}

// Controls added to the window since its first six take no handle from the
// sequence that boxes and figures draw from, so the handles a study echoes
// (h = ..., fgg2 = ...) stay what they were.
TEST(HeadlessPort, AddedControlsLeaveTheHandleSequenceAlone) {
  HeadlessPort port;
  const Handle next = port.graphics().reserve_handle();
  EXPECT_EQ(next, port.control_handle("DotCheck") + 1);
  std::set<Handle> seen = {next};
  for (const auto& tag : HeadlessPort::control_tags()) EXPECT_TRUE(seen.insert(port.control_handle(tag)).second) << tag;
}

}  // namespace
}  // namespace velmora
