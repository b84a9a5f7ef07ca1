#include "app/guihandles.h"

#include <algorithm>

#include "app/isvarname.h"
#include "runtime/error.h"

namespace velmora {
namespace {

Handle window_or_throw(const WindowSystem& windows, Handle h) {
  const Handle window = windows.is_handle(h) ? windows.window_of(h) : 0;
  if (window == 0) throw RuntimeError("H must be the handle to a figure or figure descendent.");
  return window;
}

}  // namespace

HandlesStruct handles_struct(const std::vector<std::pair<Handle, std::string>>& objects) {
  HandlesStruct out;
  for (const auto& [handle, tag] : objects) {
    if (tag.empty() || !isvarname(tag)) continue;
    auto field = std::find_if(out.begin(), out.end(), [&](const auto& f) { return f.first == tag; });
    if (field == out.end()) {
      out.emplace_back(tag, std::vector<Handle>{});
      field = out.end() - 1;
    }
    field->second.push_back(handle);
  }
  return out;
}

HandlesStruct guihandles(const WindowSystem& windows, std::optional<Handle> h) {
  const Handle window = window_or_throw(windows, h ? *h : windows.current_window());
  return handles_struct(windows.find_all(window));
}

void guidata(WindowSystem& windows, Handle h, std::any data) {
  windows.set_app_data(window_or_throw(windows, h), kGuiDataKey, std::move(data));
}

std::any guidata(const WindowSystem& windows, Handle h) {
  return windows.app_data(window_or_throw(windows, h), kGuiDataKey);
}

}  // namespace velmora
