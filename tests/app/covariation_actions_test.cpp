// Allometry, CVA and TwoBlockPLS through the dispatcher and --analyze on the
// three-species leaf example: what each refuses (naming it, nothing shown),
// the numbers its result event and the JSON carry.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/analyze.h"
#include "app/dispatcher.h"
#include "runtime/headless/headless_port.h"
#include "support/leaf_groups_test.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
const fs::path kStudy = testing::kLeafGroups;

class CovariationTest : public testing::LeafGroupsTest {
 protected:
  CovariationTest() : LeafGroupsTest("covariation", 49) {}

  bool drew() const {
    for (const auto& e : port.events())
      if (e.kind == "figure") return true;
    return false;
  }
  std::vector<double> numbers(const char* key) const { return std::get<std::vector<double>>(*result()->field(key)); }
};

TEST_F(CovariationTest, BadInputIsNamedAndNothingShown) {
  // A table whose first row's species is a group of its own.
  std::ifstream in(kStudy / "table.csv");
  std::stringstream text;
  text << in.rdbuf();
  std::string table = text.str();
  const auto second_line = table.find('\n') + 1, comma = table.find(',', second_line);
  table.replace(comma + 1, table.find(',', comma + 1) - comma - 1, "solo");
  std::ofstream(folder / "table.csv") << table;
  ASSERT_EQ(run("LoadSpecimenTable", (folder / "table.csv").string()), Outcome::done);
  const struct {
    const char *action, *group, *blocks, *message;
  } cases[] = {
      {"CVA", "species", "", "the group \"solo\" of species has one specimen"},
      {"CVA", "", "", "name a factor in GroupBox"},
      {"CVA", "altitude", "", "\"altitude\" in GroupBox is a covariate"},
      {"TwoBlockPLS", "", "1-20 | 20-30", "point 20 is in both blocks"},
      {"TwoBlockPLS", "", "1-20 | ", "the second block names no points"},
      {"TwoBlockPLS", "", "", "name two blocks of points in BlockBox"},
      {"Allometry", "elevation", "", "There is no column \"elevation\""},
  };
  for (const auto& c : cases) {
    port.set_control_string("GroupBox", c.group);
    port.set_control_string("BlockBox", c.blocks);
    EXPECT_EQ(run(c.action), Outcome::failed) << c.message;
    EXPECT_NE(error().find(c.message), std::string::npos) << error();
    EXPECT_FALSE(drew()) << c.message;
  }
}

TEST_F(CovariationTest, ResultEventsCarryTheNumbers) {
  ASSERT_EQ(run("LoadSpecimenTable", (kStudy / "table.csv").string()), Outcome::done);
  port.set_control_string("GroupBox", "species");
  ASSERT_EQ(run("Allometry"), Outcome::done) << error();
  EXPECT_EQ(result()->text("model"), "logsize * species");
  EXPECT_EQ(numbers("regression_scores").size(), 45u);
  EXPECT_EQ(numbers("common_component").size(), numbers("regression_vector").size());
  EXPECT_TRUE(drew());

  ASSERT_EQ(run("CVA"), Outcome::done) << error();
  const auto table = std::get<Eigen::MatrixXd>(*result()->field("table"));
  EXPECT_EQ(table.rowwise().sum(), Eigen::VectorXd::Constant(3, 15));  // each true group's 15 specimens
  EXPECT_NEAR(result()->number("accuracy"), table.trace() / 45, 1e-12);
  EXPECT_EQ(numbers("mahalanobis_p").size(), 3u);

  port.set_control_string("BlockBox", "1-25 | 26-46");
  ASSERT_EQ(run("TwoBlockPLS"), Outcome::done) << error();
  const double together = result()->number("r_pls");
  port.set_control_value("SeparateBlocks", 1);
  ASSERT_EQ(run("TwoBlockPLS"), Outcome::done) << error();
  EXPECT_EQ(result()->text("superimposition"), "separate");
  EXPECT_NE(result()->number("r_pls"), together);
}

TEST_F(CovariationTest, TwoGroupsGiveOneVariateAndItsHistogram) {
  std::ifstream in(kStudy / "table.csv");
  std::stringstream text;
  text << in.rdbuf();
  std::string table = text.str();
  for (std::size_t at; (at = table.find(",tenuis,")) != std::string::npos;) table.replace(at, 8, ",cordata,");
  std::ofstream(folder / "two.csv") << table;
  ASSERT_EQ(run("LoadSpecimenTable", (folder / "two.csv").string()), Outcome::done);
  port.set_control_string("GroupBox", "species");
  ASSERT_EQ(run("CVA"), Outcome::done) << error();
  EXPECT_EQ(numbers("eigenvalues").size(), 1u);
  EXPECT_EQ(numbers("counts"), (std::vector<double>{15, 30}));
  EXPECT_TRUE(drew());
}

TEST_F(CovariationTest, SizeCorrectedStudiesNeedTheirAllometry) {
  ASSERT_EQ(run("LoadSpecimenTable", (kStudy / "table.csv").string()), Outcome::done);
  port.set_control_string("GroupBox", "species");
  port.set_control_value("SizeCorrected", 1);
  EXPECT_EQ(run("CVA"), Outcome::failed);
  EXPECT_NE(error().find("no allometry has been fitted; run Allometry first"), std::string::npos) << error();
  EXPECT_FALSE(drew());
  ASSERT_EQ(run("Allometry"), Outcome::done) << error();
  ASSERT_EQ(run("CVA"), Outcome::done) << error();
  EXPECT_EQ(result()->number("size_corrected"), 1);
  const std::vector<double> corrected = numbers("procrustes");
  port.set_control_value("SizeCorrected", 0);
  ASSERT_EQ(run("CVA"), Outcome::done) << error();
  EXPECT_NE(numbers("procrustes"), corrected);
  // Other specimens (one left out): the residuals no longer fit them.
  port.set_control_value("SizeCorrected", 1);
  port.set_control_value("DropUnlisted", 1);
  std::ifstream in(kStudy / "table.csv");
  std::string header, first, rest;
  std::getline(in, header);
  std::getline(in, first);
  std::ofstream(folder / "fewer.csv") << header << "\n" << std::string(std::istreambuf_iterator<char>(in), {});
  ASSERT_EQ(run("LoadSpecimenTable", (folder / "fewer.csv").string()), Outcome::done) << error();
  EXPECT_EQ(run("TwoBlockPLS"), Outcome::failed);
  port.set_control_string("BlockBox", "1-25 | 26-46");
  EXPECT_EQ(run("TwoBlockPLS"), Outcome::failed);
  EXPECT_NE(error().find("fitted to other specimens"), std::string::npos) << error();
}

// The residuals of allometry on logsize vary with size no more: ShapePCA of
// the size-corrected study has components uncorrelated with logsize, and
// logsize explains nothing of it in the Procrustes ANOVA; every test that uses
// the residuals says so, and refuses without an allometry.
TEST_F(CovariationTest, SizeCorrectedShapeSpaceAndAnovaHaveNoSizeLeft) {
  ASSERT_EQ(run("LoadSpecimenTable", (kStudy / "table.csv").string()), Outcome::done);
  port.set_control_value("SizeCorrected", 1);
  port.set_control_string("ModelBox", "logsize");
  port.set_control_string("GroupBox", "species");
  for (const char* action : {"ShapePCA", "ProcrustesANOVA", "PairwiseGroups"}) {
    EXPECT_EQ(run(action), Outcome::failed) << action;
    EXPECT_NE(error().find(std::string(action) + ": \"Use the residuals of allometry\" is on, and no allometry"),
              std::string::npos)
        << error();
  }
  port.set_control_string("GroupBox", "");
  ASSERT_EQ(run("Allometry"), Outcome::done) << error();
  const Eigen::VectorXd logsize = Eigen::Map<const Eigen::VectorXd>(numbers("logsize").data(), 45);
  const Eigen::VectorXd size = logsize.array() - logsize.mean();
  port.set_control_string("GroupBox", "species");
  // The covariance of each score with logsize, against the scores' spread.
  const auto size_share = [&] {
    const auto scores = std::get<Eigen::MatrixXd>(*result()->field("scores"));
    return (scores.transpose() * size).cwiseAbs().maxCoeff() / (scores.norm() * size.norm());
  };
  ASSERT_EQ(run("ShapePCA"), Outcome::done) << error();
  EXPECT_LT(size_share(), 1e-12);
  EXPECT_EQ(result()->text("allometry_model"), "logsize");
  EXPECT_NE(port.control_string("ResultsBox").find("Size-corrected: the residuals of allometry (logsize)"),
            std::string::npos);
  ASSERT_EQ(run("ProcrustesANOVA"), Outcome::done) << error();
  EXPECT_LT(numbers("rsq")[0], 1e-12);
  EXPECT_EQ(result()->number("size_corrected"), 1);
  ASSERT_EQ(run("PairwiseGroups"), Outcome::done) << error();
  EXPECT_EQ(result()->number("size_corrected"), 1);

  port.set_control_value("SizeCorrected", 0);
  ASSERT_EQ(run("ShapePCA"), Outcome::done) << error();
  EXPECT_GT(size_share(), 1e-3);
  ASSERT_EQ(run("ProcrustesANOVA"), Outcome::done) << error();
  EXPECT_GT(numbers("rsq")[0], 1e-3);
  EXPECT_EQ(result()->field("size_corrected"), nullptr);
}

TEST(CovariationAnalyze, JsonHasAllometryCvaAndPls) {
  const fs::path out = fs::temp_directory_path() / ("velmora_covariation_" + std::to_string(::getpid()) + ".json");
  AnalyzeOptions o;
  o.protocol = kStudy / "protocol.txt";
  o.first = kStudy / "first.tps";
  o.two_d = true;
  o.table = kStudy / "table.csv";
  o.group = "species";
  o.blocks = "1-25 | 26-46";
  o.tests = {"allometry", "cva", "pls"};
  o.permutations = 19;
  o.seed = 1;
  o.json = out;
  o.quiet = true;
  std::ostringstream stdout_text, stderr_text;
  ASSERT_EQ(run_analyze(o, stdout_text, stderr_text), 0) << stderr_text.str();
  std::ifstream in(out);
  const nlohmann::json j = nlohmann::json::parse(in);
  fs::remove(out);
  EXPECT_EQ(j["allometry"]["model"], "logsize * species");
  EXPECT_EQ(j["allometry"]["terms"][2]["term"], "logsize:species");
  EXPECT_EQ(j["allometry"]["regression_scores"].size(), 45u);
  EXPECT_EQ(j["cva"]["factor"], "species");
  EXPECT_EQ(j["cva"]["mahalanobis"]["pairs"][0]["a"], "alnifolia");
  EXPECT_EQ(j["cva"]["classification"]["table"][1].size(), 3u);
  EXPECT_TRUE(j["cva"]["classification"]["table"][0][0].is_number_integer());
  EXPECT_EQ(j["pls"]["blocks"], nlohmann::json({"1-25", "26-46"}));
  EXPECT_GT(j["pls"]["r_pls"].get<double>(), 0);
  EXPECT_NEAR(j["pls"]["p"].get<double>(), 1.0 / 20, 1e-12);
}

}  // namespace
}  // namespace velmora
