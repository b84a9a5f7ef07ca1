#include "app/velmora3d.h"

#include <numeric>

#include "app/build_function_table.h"
#include "app/guihandles.h"
#include "app/isvarname.h"
#include "app/movegui.h"
#include "app/openfig.h"
#include "display/msgboxd.h"
#include "runtime/error.h"

namespace velmora {
namespace {

Value number(double v) { return Eigen::MatrixXd::Constant(1, 1, v); }

WindowSystem& need(WindowSystem* windows, const char* function) {
  if (windows == nullptr) throw RuntimeError(std::string(function) + " needs the desktop window; this run has none.");
  return *windows;
}

Handle handle_argument(const Value& v, const char* function, int position) {
  return static_cast<Handle>(as_scalar(v, function, position));
}

// The handles structure as lines "Tag = h1 h2 ...", the form a caller by name can read.
std::vector<std::string> handles_lines(const HandlesStruct& handles) {
  std::vector<std::string> out;
  for (const auto& [tag, list] : handles) {
    std::string line = tag + " =";
    for (Handle h : list) line += " " + std::to_string(h);
    out.push_back(line);
  }
  return out;
}

std::vector<Value> movegui_call(WindowSystem& windows, const std::vector<Value>& args) {
  if (args.size() > 3) throw RuntimeError("Too many input arguments.");
  std::optional<Handle> window;
  std::optional<MoveguiTarget> target;
  for (const Value& a : args) {
    if (const auto* text = std::get_if<std::string>(&a)) {
      if (target) throw RuntimeError("unrecognized input argument");
      static const char* names[] = {"north",     "south",     "east",      "west",   "northeast",
                                    "southeast", "northwest", "southwest", "center", "onscreen"};
      if (std::find(std::begin(names), std::end(names), *text) == std::end(names))
        throw RuntimeError("unrecognized position");
      target = *text;
    } else if (const auto* m = std::get_if<Eigen::MatrixXd>(&a); m != nullptr && m->size() == 1) {
      if (window) throw RuntimeError("unrecognized input argument");
      const Handle h = static_cast<Handle>((*m)(0, 0));
      if (!windows.is_handle(h) || windows.window_of(h) == 0)
        throw RuntimeError("handle of figure or descendant required");
      window = windows.window_of(h);
    } else if (m != nullptr && m->size() == 2) {
      if (target) throw RuntimeError("unrecognized input argument");
      target = std::array<double, 2>{(*m)(0), (*m)(1)};
    } else {
      throw RuntimeError("unrecognized input argument");
    }
  }
  const Handle w = window ? *window : windows.current_window();
  if (w == 0) throw RuntimeError("handle of figure or descendant required");
  const auto screen = windows.screen_size();
  windows.set_outer_position(w, movegui(windows.outer_position(w), windows.inner_position(w), screen[0], screen[1],
                                        target ? *target : MoveguiTarget(std::string("onscreen"))));
  return {};
}

}  // namespace

void BigBox_Callback(Console& console) { console.write("BigBox Callback not implemented yet.\n"); }

std::vector<Value> velmora3d(const std::vector<Value>& args, int outputs, const FunctionTable& table, Console& console,
                             WindowSystem* windows) {
  if (args.empty()) {
    WindowSystem& ws = need(windows, "velmora3d");
    const Handle fig = openfig(ws, kMainLayout, "reuse");
    guidata(ws, fig, guihandles(ws, fig));
    if (outputs > 0) return {number(fig)};
    return {};
  }
  const auto* name = std::get_if<std::string>(&args[0]);
  if (name == nullptr) return {};
  const std::vector<Value> rest(args.begin() + 1, args.end());
  try {
    if (*name == "BigBox_Callback") {
      BigBox_Callback(console);
      return {};
    }
    return table.call(*name, rest, outputs);
  } catch (const PortAbort&) {
    throw;
  } catch (const std::exception& e) {
    // Whatever stopped the call, the program goes on; the user reads why.
    console.write(std::string(e.what()) + "\n");
    return {};
  }
}

void register_startup_functions(FunctionTable& table, Dispatcher& dispatcher, WindowSystem* windows) {
  // velmora3d calls by name through a table of its own, so the entry holds no
  // pointer to a table that may be moved.
  table.add({"velmora3d", -1, -1, [&dispatcher, windows](const std::vector<Value>& args, int outputs) {
               FunctionTable all = build_function_table(dispatcher);
               register_startup_functions(all, dispatcher, windows);
               return velmora3d(args, outputs, all, dispatcher.ui().console(), windows);
             }});
  table.add({"openfig", 2, 1, [windows](const std::vector<Value>& args, int) {
               WindowSystem& ws = need(windows, "openfig");
               if (args.empty()) throw RuntimeError("Not enough input arguments.");
               const std::string policy = args.size() > 1 ? as_text(args[1], "openfig", 2) : "new";
               return std::vector<Value>{number(openfig(ws, as_text(args[0], "openfig", 1), policy))};
             }});
  table.add({"guihandles", 1, 1, [windows](const std::vector<Value>& args, int) {
               WindowSystem& ws = need(windows, "guihandles");
               std::optional<Handle> h;
               if (!args.empty()) h = handle_argument(args[0], "guihandles", 1);
               return std::vector<Value>{handles_lines(guihandles(ws, h))};
             }});
  table.add({"guidata", 2, 1, [windows](const std::vector<Value>& args, int outputs) {
               WindowSystem& ws = need(windows, "guidata");
               if (args.empty()) throw RuntimeError("Not enough input arguments.");
               const Handle h = handle_argument(args[0], "guidata", 1);
               if (args.size() == 2) {
                 if (outputs > 0) throw RuntimeError("Too many output arguments.");
                 guidata(ws, h, args[1]);
                 return std::vector<Value>{};
               }
               const std::any data = guidata(ws, h);
               if (const auto* v = std::any_cast<Value>(&data)) return std::vector<Value>{*v};
               if (const auto* s = std::any_cast<HandlesStruct>(&data)) return std::vector<Value>{handles_lines(*s)};
               return std::vector<Value>{Eigen::MatrixXd(0, 0)};
             }});
  table.add({"movegui", -1, 0,
             [windows](const std::vector<Value>& args, int) { return movegui_call(need(windows, "movegui"), args); }});
  table.add({"isvarname", 1, 1, [](const std::vector<Value>& args, int) {
               if (args.empty()) throw RuntimeError("Not enough input arguments.");
               const auto* s = std::get_if<std::string>(&args[0]);
               return std::vector<Value>{number(s != nullptr && isvarname(*s) ? 1 : 0)};
             }});
  table.add({"iskeyword", 1, 1, [](const std::vector<Value>& args, int) {
               if (args.empty()) return std::vector<Value>{reserved_words()};
               const auto* s = std::get_if<std::string>(&args[0]);
               return std::vector<Value>{number(s != nullptr && iskeyword(*s) ? 1 : 0)};
             }});
  table.add({"msgboxd", -1, -1, [&dispatcher](const std::vector<Value>& args, int outputs) {
               UiPort& ui = dispatcher.ui();
               const MsgboxdRequest r = msgboxd_arguments(args);
               if (r.key_press) return std::vector<Value>{};  // the box closes itself on space and return
               for (const auto& w : r.warnings) ui.console().write("Warning: " + w + "\n");
               std::string text;
               for (size_t i = 0; i < r.body.size(); ++i) text += (i ? "\n" : "") + r.body[i];
               const MessageMode mode = r.mode == "modal"     ? MessageMode::modal
                                        : r.mode == "replace" ? MessageMode::replace
                                                              : MessageMode::non_modal;
               // A custom image has no picture on this platform: the box shows none.
               const Handle h = ui.message_box_with_icon(text, r.title, mode, r.icon == "custom" ? "none" : r.icon);
               if (outputs > 0) return std::vector<Value>{number(h)};
               return std::vector<Value>{};
             }});
}

}  // namespace velmora
