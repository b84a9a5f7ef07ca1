// The three-species leaf example loaded through the dispatcher, in a folder
// of its own for the files a test writes: the start of the tests of the group
// designs and of the covariation analyses.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/dispatcher.h"
#include "runtime/headless/headless_port.h"

namespace velmora::testing {

inline const std::filesystem::path kLeafGroups = std::filesystem::path(VELMORA_SOURCE_DIR) / "examples" / "leafgroups2d";

class LeafGroupsTest : public ::testing::Test {
 protected:
  /// `name` names the test's folder; `permutations` is the PermutationsBox.
  LeafGroupsTest(const std::string& name, int permutations) : name_(name), permutations_(permutations) {}

  void SetUp() override {
    port.keep_events();
    port.set_seed(1);
    folder = std::filesystem::temp_directory_path() / ("velmora_" + name_ + "_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    ASSERT_EQ(run("LoadProto", (kLeafGroups / "protocol.txt").string()), Outcome::done);
    ASSERT_EQ(run("LoadFile2D", (kLeafGroups / "first.tps").string()), Outcome::done);
    port.set_control_value("PermutationsBox", permutations_);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  /// Runs `action`, answering its file question with `answer`; the events
  /// kept are this action's.
  Outcome run(const std::string& action, const std::string& answer = "") {
    port.set_answers(answer.empty() ? std::vector<std::string>{} : std::vector<std::string>{answer}, folder);
    port.clear_events();
    return dispatcher.vm3sw(action);
  }
  std::string error() const {
    for (const auto& e : port.events())
      if (e.kind == "error") return e.text("message");
    return "(no error)";
  }
  const Event* result() const {
    for (const auto& e : port.events())
      if (e.kind == "result") return &e;
    return nullptr;
  }

  HeadlessPort port;
  Dispatcher dispatcher{port};
  std::filesystem::path folder;

 private:
  std::string name_;
  int permutations_;
};

}  // namespace velmora::testing
