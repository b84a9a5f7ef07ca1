#include "app/openfig.h"

#include "runtime/error.h"

namespace velmora {

std::string singleton_key(const std::string& filename) {
  std::string key = std::filesystem::path(filename).stem().string() + "_SINGLETON_handle";
  if (key.size() > 31) key.resize(31);
  return key;
}

std::filesystem::path layout_file_name(const std::string& filename) {
  std::filesystem::path p(filename);
  const std::string ext = p.extension().string();
  if (ext.empty()) return p.parent_path() / (p.stem().string() + ".ui");
  if (ext != ".ui") throw RuntimeError("Argument must be a .ui file");
  return p;
}

Handle openfig(WindowSystem& windows, const std::string& filename, const std::string& policy) {
  const std::filesystem::path file = layout_file_name(filename);
  const std::string key = singleton_key(filename);

  std::vector<Handle> open;
  const std::any stored = windows.app_data(0, key);
  if (const auto* list = std::any_cast<std::vector<Handle>>(&stored))
    for (Handle h : *list)
      if (windows.is_handle(h)) open.push_back(h);

  if (policy == "new") {
    open.push_back(windows.load_layout(file));
  } else if (policy == "reuse") {
    if (open.empty()) open.push_back(windows.load_layout(file));
  } else {
    throw RuntimeError("Second input argument must be 'new' or 'reuse'.");
  }
  const Handle window = open.back();
  windows.set_app_data(0, key, open);

  const std::array<double, 2> screen = windows.screen_size();
  windows.set_outer_position(window, movegui(windows.outer_position(window), windows.inner_position(window), screen[0],
                                             screen[1], std::string("onscreen")));
  if (windows.visible(window)) windows.raise(window);
  return window;
}

}  // namespace velmora
