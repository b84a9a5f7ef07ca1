// The group tests through the dispatcher, on the three-species leaf example:
// the specimen table's bad cases leave the study as it was and name what to
// fix, the switch that leaves specimens out, the built-in columns, and the same
// p values for the same seed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/dispatcher.h"
#include "runtime/headless/headless_port.h"
#include "support/leaf_groups_test.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
const fs::path kStudy = testing::kLeafGroups;

class GroupDesignTest : public testing::LeafGroupsTest {
 protected:
  GroupDesignTest() : LeafGroupsTest("groups", 99) {}

  // A table of the example with `edit` applied to its lines.
  std::string table(const std::function<void(std::vector<std::string>&)>& edit) {
    std::ifstream in(kStudy / "table.csv");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    edit(lines);
    const fs::path path = folder / ("table" + std::to_string(++tables) + ".csv");
    std::ofstream out(path);
    for (const auto& line : lines) out << line << "\n";
    return path.string();
  }

  int tables = 0;
};

TEST_F(GroupDesignTest, BadTablesAndModelsNameWhatToFixAndChangeNothing) {
  const auto drop_row = [](std::vector<std::string>& l) { l.erase(l.begin() + 5); };
  const auto empty_cell = [](std::vector<std::string>& l) { l[3] = l[3].substr(0, l[3].rfind(',') + 1); };
  const struct {
    std::string table, model, message;
  } cases[] = {
      {table([](auto& l) {
         l = {"id", "a", "b"};
       }),
       "", "the header has one column"},
      {table([](auto& l) { l[0] = "1,2,3"; }), "", "the first line is all numbers"},
      {table([](auto& l) { l.push_back(l[1]); }), "", "has two rows (line 2 and line 47)"},
      {table([](auto& l) {
         l.resize(1);
         l.push_back("x,a,1");
       }),
       "", "None of the 1 names in the specimen table"},
      {table(drop_row), "", "1 specimen has no row in the specimen table"},
      {table(empty_cell), "species + altitude",
       "line 4: the specimen \"alnifolia-15\" has no value in the column \"altitude\""},
      {table([](auto&) {}), "species + weight", "There is no column \"weight\""},
      {table([](auto&) {}), "species * altitude * logsize + `sample`", "only the first sample is loaded"},
  };
  for (const auto& c : cases) {
    dispatcher.vm3sw("Clear");
    ASSERT_EQ(run("LoadFile2D", (kStudy / "first.tps").string()), Outcome::done);
    const Outcome load = run("LoadSpecimenTable", c.table);
    if (c.model.empty()) {
      EXPECT_EQ(load, Outcome::failed) << c.message;
      EXPECT_NE(error().find(c.message), std::string::npos) << error();
      EXPECT_FALSE(dispatcher.state().table.has_value()) << c.message;
      continue;
    }
    ASSERT_EQ(load, Outcome::done) << error();
    port.set_control_string("ModelBox", c.model);
    EXPECT_EQ(run("ProcrustesANOVA"), Outcome::failed) << c.message;
    EXPECT_NE(error().find(c.message), std::string::npos) << error();
  }
  port.set_control_string("ModelBox", "species");
  port.set_control_value("PermutationsBox", 0);
  EXPECT_EQ(run("ProcrustesANOVA"), Outcome::failed);
  EXPECT_NE(error().find("PermutationsBox must be a whole number from 1 to 1000000; it is 0"), std::string::npos);
}

TEST_F(GroupDesignTest, LeftOutSpecimensAreNamedAndTheRestAnalysed) {
  ASSERT_EQ(run("LoadSpecimenTable", table([](auto& l) { l.erase(l.begin() + 5); })), Outcome::failed);
  port.set_control_value("DropUnlisted", 1);
  ASSERT_EQ(run("LoadSpecimenTable", table([](auto& l) { l.erase(l.begin() + 5); })), Outcome::done) << error();
  port.set_control_string("ModelBox", "species");
  ASSERT_EQ(run("ProcrustesANOVA"), Outcome::done) << error();
  ASSERT_NE(result(), nullptr);
  EXPECT_EQ(result()->number("specimens"), 44);
  EXPECT_EQ(result()->number("total_df"), 43);
}

TEST_F(GroupDesignTest, SameSeedSameResultsAndFactorsMarkedByName) {
  ASSERT_EQ(run("LoadSpecimenTable", (kStudy / "table.csv").string()), Outcome::done);
  port.set_control_string("ModelBox", "species + logsize");
  ASSERT_EQ(run("ProcrustesANOVA"), Outcome::done) << error();
  const Event first = *result();
  ASSERT_EQ(run("ProcrustesANOVA"), Outcome::done);
  EXPECT_EQ(std::get<std::vector<double>>(*result()->field("p")), std::get<std::vector<double>>(*first.field("p")));
  EXPECT_EQ(std::get<std::vector<double>>(*result()->field("df")), (std::vector<double>{2, 1}));

  // altitude as a factor: its 8 levels take 7 degrees of freedom.
  port.set_control_string("FactorColumns", "altitude");
  port.set_control_string("ModelBox", "altitude");
  ASSERT_EQ(run("ProcrustesANOVA"), Outcome::done) << error();
  EXPECT_EQ(std::get<std::vector<double>>(*result()->field("df")).at(0), 7);
  port.set_control_string("FactorColumns", "elevation");
  EXPECT_EQ(run("ProcrustesANOVA"), Outcome::failed);
  EXPECT_NE(error().find("FactorColumns names \"elevation\""), std::string::npos);

  port.set_control_string("FactorColumns", "");
  port.set_control_string("GroupBox", "altitude");
  EXPECT_EQ(run("PairwiseGroups"), Outcome::failed);
  EXPECT_NE(error().find("\"altitude\" is a covariate"), std::string::npos);
  port.set_control_string("GroupBox", "species");
  ASSERT_EQ(run("PairwiseGroups"), Outcome::done) << error();
  EXPECT_EQ(std::get<std::vector<std::string>>(*result()->field("a")),
            (std::vector<std::string>{"alnifolia", "alnifolia", "cordata"}));
}

// A table of coordinates with classifier columns brings its own specimen table;
// a table loaded from its own file wins over it.
TEST_F(GroupDesignTest, ClassifierColumnsOfTheFirstSampleAreItsSpecimenTable) {
  const fs::path formats = fs::path(VELMORA_SOURCE_DIR) / "examples" / "formats";
  ASSERT_EQ(run("LoadProto", (formats / "protocol.txt").string()), Outcome::done);
  ASSERT_EQ(run("LoadFile2D", (formats / "second-classifiers.csv").string()), Outcome::done) << error();
  port.set_control_string("ModelBox", "Species + Sex");
  ASSERT_EQ(run("ProcrustesANOVA"), Outcome::done) << error();
  EXPECT_EQ(std::get<std::vector<double>>(*result()->field("df")), (std::vector<double>{1, 1}));

  ASSERT_EQ(run("LoadProto", (kStudy / "protocol.txt").string()), Outcome::done);
  ASSERT_EQ(run("LoadFile2D", (kStudy / "first.tps").string()), Outcome::done);
  EXPECT_EQ(run("ProcrustesANOVA"), Outcome::failed);  // the leaves have no such columns
  ASSERT_EQ(run("LoadSpecimenTable", (kStudy / "table.csv").string()), Outcome::done);
  ASSERT_EQ(run("LoadProto", (formats / "protocol.txt").string()), Outcome::done);
  ASSERT_EQ(run("LoadFile2D", (formats / "second-classifiers.csv").string()), Outcome::done);
  EXPECT_NE(run("ProcrustesANOVA"), Outcome::done);  // the loaded table stays, and names none of these fish
}

}  // namespace
}  // namespace velmora
