// The layers of src/: every #include of a source file must point down the
// table of design.md, and Qt headers stay in the three places that may use Qt.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// What each top folder of src/ may include, its own folder among them.
const std::map<std::string, std::set<std::string>>& allowed() {
  static const std::map<std::string, std::set<std::string>> table = {
      {"runtime", {"runtime"}},
      {"display", {"runtime", "display"}},
      {"geometry", {"runtime", "display", "geometry"}},
      {"io", {"runtime", "display", "geometry", "io"}},
      {"stats", {"runtime", "display", "geometry", "stats"}},
      {"app", {"runtime", "display", "geometry", "io", "stats", "app"}},
      {"desktop", {"runtime", "display", "geometry", "io", "stats", "app", "desktop"}},
  };
  return table;
}

bool may_use_qt(const std::string& rel) {
  return rel.starts_with("runtime/qt/") || rel.starts_with("desktop/") || rel.starts_with("app/gui_qt");
}

// Folders below runtime/ that implement its interfaces: the core of runtime
// must not reach into them, and they do not reach into each other.
std::string runtime_part(const std::string& path) {
  for (const char* part : {"runtime/qt/", "runtime/headless/"})
    if (path.starts_with(part)) return part;
  return path.starts_with("runtime/") ? "runtime/" : "";
}

/// Every include of `file` (path relative to src/) that the layer table refuses.
std::vector<std::string> wrong_includes(const fs::path& file, const std::string& rel) {
  static const std::regex include(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
  static const std::regex qt_header(R"(^Q[A-Za-z0-9]+(/|$))");
  const std::string layer = rel.substr(0, rel.find('/'));
  const auto rules = allowed().find(layer);
  std::vector<std::string> out;
  if (rules == allowed().end()) return out;
  std::ifstream in(file);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::smatch m;
    if (!std::regex_search(line, m, include)) continue;
    const std::string target = m[1];
    const std::string where = rel + ":" + std::to_string(number) + " includes " + target;
    const std::string top = target.substr(0, target.find('/'));
    if (allowed().contains(top) && !rules->second.contains(top)) out.push_back(where);
    if (std::regex_search(target, qt_header) && !may_use_qt(rel)) out.push_back(where + " (a Qt header)");
    // Inside runtime: the core includes none of its implementations, and an
    // implementation includes only the core and itself.
    const std::string from = runtime_part(rel), to = runtime_part(target);
    if (!from.empty() && !to.empty() && to != "runtime/" && to != from) out.push_back(where);
  }
  return out;
}

std::vector<std::string> wrong_includes_under(const fs::path& src) {
  std::vector<std::string> out;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
    const std::string rel = entry.path().lexically_relative(src).generic_string();
    for (auto& w : wrong_includes(entry.path(), rel)) out.push_back(std::move(w));
  }
  return out;
}

TEST(Layers, EveryIncludeOfTheSourcesPointsDownTheTable) {
  const std::vector<std::string> wrong = wrong_includes_under(fs::path(VELMORA_SOURCE_DIR) / "src");
  std::string list;
  for (const auto& w : wrong) list += "\n  " + w;
  EXPECT_TRUE(wrong.empty()) << "includes against the layers:" << list;
}

TEST(Layers, TheCheckFindsAnArrowUpwardAndAQtHeaderInTheCore) {
  const fs::path dir = fs::temp_directory_path() / ("velmora-layers-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::create_directories(dir / "geometry");
  fs::create_directories(dir / "runtime");
  std::ofstream(dir / "geometry" / "up.cpp") << "#include \"geometry/ok.h\"\n#include \"stats/fcdf.h\"\n";
  std::ofstream(dir / "runtime" / "core.cpp") << "#include <QWidget>\n#include \"runtime/qt/qt_port.h\"\n";
  const std::vector<std::string> wrong = wrong_includes_under(dir);
  fs::remove_all(dir);
  ASSERT_EQ(wrong.size(), 3u);
  std::set<std::string> got(wrong.begin(), wrong.end());
  EXPECT_TRUE(got.contains("geometry/up.cpp:2 includes stats/fcdf.h"));
  EXPECT_TRUE(got.contains("runtime/core.cpp:1 includes QWidget (a Qt header)"));
  EXPECT_TRUE(got.contains("runtime/core.cpp:2 includes runtime/qt/qt_port.h"));
}

}  // namespace
