#include "desktop/drop_plan.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

const std::filesystem::path kSkull = std::filesystem::path(VELMORA_SOURCE_DIR) / "examples" / "skull3d";

std::vector<std::string> actions(const DropPlan& plan) {
  std::vector<std::string> out;
  for (const auto& l : plan.loads) out.push_back(l.action + " " + l.file.filename().string());
  return out;
}

DropQuestions answering(int choice, bool yes, std::vector<std::string>* asked) {
  DropQuestions ask;
  ask.choose = [=](const std::string& text, const std::vector<std::string>&) {
    asked->push_back(text);
    return choice;
  };
  ask.confirm = [=](const std::string& text) {
    asked->push_back(text);
    return yes;
  };
  return ask;
}

TEST(DropPlan, LoadsInTheOrderTheStudyNeedsWhateverTheOrderDropped) {
  std::vector<std::string> asked;
  const DropPlan plan = plan_drops(
      {kSkull / "wireframe.txt", kSkull / "second.txt", kSkull / "first.tps", kSkull / "protocol.txt"}, false,
      answering(-1, false, &asked));
  EXPECT_EQ(actions(plan), (std::vector<std::string>{"LoadProto protocol.txt", "LoadFile1 first.tps",
                                                     "LoadFile2 second.txt", "LoadWireFrame wireframe.txt"}));
  EXPECT_TRUE(plan.loads[2].table);
  EXPECT_TRUE(asked.empty());
  EXPECT_TRUE(plan.problems.empty());
}

TEST(DropPlan, AskedWhenAFileCouldBeEitherSample) {
  std::vector<std::string> asked;
  // With a first sample loaded, a 3D TPS file could be the second sample or a new first one.
  const DropPlan second = plan_drops({kSkull / "first.tps"}, true, answering(0, false, &asked));
  EXPECT_EQ(actions(second), (std::vector<std::string>{"LoadFile2 first.tps"}));
  EXPECT_FALSE(second.loads[0].table);
  ASSERT_EQ(asked.size(), 1u);
  const DropPlan none = plan_drops({kSkull / "first.tps"}, true, answering(-1, false, &asked));
  EXPECT_TRUE(none.loads.empty());
}

TEST(DropPlan, AStudyFileOpensAloneAndUnreadableFilesSayWhy) {
  std::vector<std::string> asked;
  const DropPlan study = plan_drops({kSkull / "study.json"}, false, answering(-1, false, &asked));
  ASSERT_TRUE(study.study.has_value());
  EXPECT_TRUE(study.loads.empty());

  const DropPlan mixed =
      plan_drops({kSkull / "study.json", kSkull / "protocol.txt", kSkull / "no-such-file.tps"}, false,
                 answering(-1, false, &asked));
  EXPECT_FALSE(mixed.study.has_value());
  EXPECT_EQ(actions(mixed), (std::vector<std::string>{"LoadProto protocol.txt"}));
  ASSERT_EQ(mixed.problems.size(), 2u);
  EXPECT_NE(mixed.problems[0].find("opens alone"), std::string::npos) << mixed.problems[0];
  EXPECT_NE(mixed.problems[1].find("cannot be read"), std::string::npos) << mixed.problems[1];
}

}  // namespace
}  // namespace velmora
