#include "display/msgboxd.h"

#include <gtest/gtest.h>

#include "runtime/error.h"

namespace velmora {
namespace {

TEST(MsgboxdArguments, CountsAndModes) {
  struct Case {
    std::vector<Value> args;
    std::string title, icon, mode;
    size_t warnings;
  };
  const Eigen::MatrixXd image = Eigen::MatrixXd::Ones(2, 2);
  const std::vector<Case> cases = {
      {{std::string("hi")}, " ", "none", "non-modal", 0},
      {{std::string("hi"), std::string("modal")}, " ", "none", "modal", 0},
      {{std::string("hi"), std::string("Results")}, "Results", "none", "non-modal", 0},
      {{std::string("hi"), std::string("T"), std::string("replace")}, "T", "none", "replace", 0},
      {{std::string("hi"), std::string("T"), std::string("warn")}, "T", "warn", "non-modal", 0},
      {{std::string("hi"), std::string("T"), std::string("Bogus")}, "T", "none", "non-modal", 1},
      {{std::string("hi"), std::string("T"), std::string("HELP"), std::string("modal")}, "T", "help", "modal", 0},
      {{std::string("hi"), std::string("T"), std::string("help"), std::string("sideways")},
       "T",
       "help",
       "non-modal",
       0},
      {{std::string("hi"), std::string("T"), std::string("help"), image, image}, "T", "custom", "non-modal", 1},
      {{std::string("hi"), std::string("T"), std::string("custom"), image, image, std::string("replace")},
       "T",
       "custom",
       "replace",
       0},
  };
  for (const auto& c : cases) {
    const MsgboxdRequest r = msgboxd_arguments(c.args);
    EXPECT_EQ(r.title, c.title) << c.args.size();
    EXPECT_EQ(r.icon, c.icon) << c.args.size();
    EXPECT_EQ(r.mode, c.mode) << c.args.size();
    EXPECT_EQ(r.warnings.size(), c.warnings) << c.args.size();
  }
}

TEST(MsgboxdArguments, FailuresAndKeyPress) {
  const Eigen::MatrixXd image = Eigen::MatrixXd::Ones(2, 2);
  try {
    msgboxd_arguments({std::string("hi"), std::string("T"), std::string("custom"), image, std::string("modal")});
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_STREQ(e.what(), "A Colormap must be specified when calling MSGBOX with 5 input arguments.");
  }
  EXPECT_THROW(msgboxd_arguments({}), RuntimeError);
  EXPECT_THROW(msgboxd_arguments(std::vector<Value>(7, std::string("x"))), RuntimeError);
  EXPECT_TRUE(msgboxd_arguments({std::string("#FigKeyPressFcn")}).key_press);
  const auto warned = msgboxd_arguments({std::string("hi"), std::string("T"), std::string("help"), image, image});
  EXPECT_EQ(warned.warnings.front(), "Icon must be 'custom' when specifying icon data in MSGBOX");
}

}  // namespace
}  // namespace velmora
