// Specimen names from the ID= and IMAGE= lines of TPS files.
#include "io/tps_specimen_names.h"

#include <gtest/gtest.h>

#include <sstream>

namespace velmora {
namespace {

TEST(TpsSpecimenNames, IdsImagesNumbersAndFilesThatDoNotMatch) {
  struct Case {
    const char* what;
    std::string text;
    std::size_t count;
    std::vector<std::string> names;
  };
  const std::string two = "LM=2\n1 2 3\n4 5 6\n";
  const std::vector<Case> cases = {
      {"ID after the points", two + "ID=a\n" + two + "ID=b\n", 2, {"a", "b"}},
      {"ID wins over IMAGE, either order", two + "ID=a\nIMAGE=a.jpg\n" + two + "IMAGE=b.jpg\nID=b\n", 2, {"a", "b"}},
      {"IMAGE when there is no ID", two + "IMAGE=a.jpg\n" + two, 2, {"a.jpg", ""}},
      {"either case, blanks and CR LF", "lm=2\r\n1 2 3\r\n4 5 6\r\n  id= left one \r\n", 1, {"left one"}},
      {"no names at all", two + two, 2, {}},
      {"another number of specimens", two + "ID=a\n", 2, {}},
      {"a header of count 1 ends the file", two + "ID=a\nLM=1\n0 0 0\nID=b\n", 1, {"a"}},
      {"ID before any header belongs to none", "ID=x\n" + two, 1, {}},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.text);
    EXPECT_EQ(tps_specimen_names(in, c.count), c.names) << c.what;
  }
  EXPECT_TRUE(tps_specimen_names(std::filesystem::path("/no/such/file.tps"), 1).empty());
}

}  // namespace
}  // namespace velmora
