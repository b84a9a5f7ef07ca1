#include "desktop/drop_plan.h"

#include <algorithm>

#include "desktop/file_kind.h"
#include "io/open_input.h"

namespace velmora {

DropPlan plan_drops(const std::vector<std::filesystem::path>& files, bool has_first, const DropQuestions& ask) {
  struct Ordered {
    int order;  // protocol, first sample, second sample, wireframe
    DropLoad load;
  };
  std::vector<Ordered> loads;
  DropPlan plan;
  bool first = has_first;
  for (const auto& file : files) {
    const std::string name = file.filename().string();
    switch (guess_file_kind(file)) {
      case FileKind::study:
        if (files.size() == 1) {
          plan.study = file;
          return plan;
        }
        plan.problems.push_back(name + ": a study file opens alone (drop it by itself).");
        break;
      case FileKind::unreadable: {
        const std::optional<std::string> reason = not_a_file(file);
        plan.problems.push_back(file.string() + " cannot be read" + (reason ? ": " + *reason : std::string()) + ".");
        break;
      }
      case FileKind::unknown:
        plan.problems.push_back(file.string() +
                                " is not a file Velmora3d reads (a protocol, a TPS sample, a table of flat rows, a "
                                "wireframe or a study file).");
        break;
      case FileKind::protocol:
        loads.push_back({0, {"LoadProto", file}});
        break;
      case FileKind::tps3d: {
        if (!first) {
          loads.push_back({1, {"LoadFile1", file}});
          first = true;
          break;
        }
        const int c = ask.choose("Load " + name + " as:",
                          {"The second sample (a TPS file)", "The first sample, replacing the one loaded"});
        if (c == 0) loads.push_back({2, {"LoadFile2", file, false}});
        if (c == 1) loads.push_back({1, {"LoadFile1", file}});
        break;
      }
      case FileKind::tps2d:
        if (!first || ask.confirm("Load " + name + " as the first sample, replacing the one loaded?"))
          loads.push_back({1, {"LoadFile2D", file}});
        first = true;
        break;
      case FileKind::table:
        loads.push_back({2, {"LoadFile2", file, true}});
        break;
      case FileKind::wireframe:
        loads.push_back({3, {"LoadWireFrame", file}});
        break;
      case FileKind::numbers: {
        const int c = ask.choose("Which file is " + name + "?",
                          {"The protocol", "The second sample (a table of flat rows)", "A wireframe"});
        if (c == 0) loads.push_back({0, {"LoadProto", file}});
        if (c == 1) loads.push_back({2, {"LoadFile2", file, true}});
        if (c == 2) loads.push_back({3, {"LoadWireFrame", file}});
        break;
      }
    }
  }
  std::stable_sort(loads.begin(), loads.end(), [](const Ordered& a, const Ordered& b) { return a.order < b.order; });
  for (auto& l : loads) plan.loads.push_back(std::move(l.load));
  return plan;
}

}  // namespace velmora
