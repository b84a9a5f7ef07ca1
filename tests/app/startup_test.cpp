#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <stdexcept>

#include "app/dispatcher.h"
#include "app/build_function_table.h"
#include "app/guihandles.h"
#include "app/isvarname.h"
#include "app/movegui.h"
#include "app/openfig.h"
#include "app/velmora3d.h"
#include "runtime/error.h"
#include "runtime/headless/headless_port.h"

namespace velmora {
namespace {

TEST(Isvarname, NamesKeywordsAndTheLengthLimit) {
  struct Case {
    std::string s;
    bool valid;
  };
  const std::vector<Case> cases = {
      {"BigBox", true},
      {"a", true},
      {"x_1", true},
      {std::string(31, 'a'), true},
      {std::string(32, 'a'), false},
      {"", false},
      {"1abc", false},
      {"_abc", false},
      {"a-b", false},
      {"a b", false},
      {"end", false},
      {"while", false},
      {"End", true},
      {"endx", true},
      {"é", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isvarname(c.s), c.valid) << c.s;
}

TEST(Iskeyword, TheSeventeenReservedWords) {
  const std::vector<std::string> words = {"break",      "case",   "catch",    "continue", "else", "elseif",
                                          "end",        "for",    "function", "global",   "if",   "otherwise",
                                          "persistent", "return", "switch",   "try",      "while"};
  EXPECT_EQ(reserved_words().size(), 17u);
  for (const auto& w : words) {
    EXPECT_TRUE(iskeyword(w)) << w;
    EXPECT_FALSE(isvarname(w)) << w;
  }
  for (const char* w : {"End", "BREAK", "do", "class", "", "ifelse", "classdef"}) EXPECT_FALSE(iskeyword(w)) << w;
}

TEST(Movegui, OnscreenClampsAndShrinks) {
  struct Case {
    WindowRect outer;
    WindowRect expected;
  };
  const WindowRect no_frame{0, 0, 0, 0};
  const std::vector<Case> cases = {
      {{100, 100, 400, 300}, {100, 100, 400, 300}},  // already on the screen
      {{-50, 100, 400, 300}, {0, 100, 400, 300}},    // off the left edge
      {{100, -20, 400, 300}, {100, 0, 400, 300}},    // off the bottom edge
      {{900, 700, 400, 300}, {624, 468, 400, 300}},  // off the right and top edges
      {{-10, -10, 2000, 900}, {0, 0, 1024, 768}},    // larger than the screen
  };
  for (const auto& c : cases) EXPECT_EQ(movegui(c.outer, no_frame, 1024, 768), c.expected);
}

TEST(Movegui, NamedPlacesPairsAndTheMissingFrame) {
  const WindowRect outer{10, 10, 200, 100}, inner{12, 12, 196, 80};
  EXPECT_EQ(movegui(outer, inner, 1000, 800, std::string("center")), (WindowRect{400, 350, 200, 100}));
  EXPECT_EQ(movegui(outer, inner, 1000, 800, std::string("northeast")), (WindowRect{800, 700, 200, 100}));
  EXPECT_EQ(movegui(outer, inner, 1000, 800, std::string("southwest")), (WindowRect{0, 0, 200, 100}));
  EXPECT_EQ(movegui(outer, inner, 1000, 800, std::array<double, 2>{-10, 20}), (WindowRect{790, 20, 200, 100}));
  // An inner position larger than the outer one means no frame was reported.
  EXPECT_EQ(movegui(outer, {0, 0, 300, 200}, 1000, 800), (WindowRect{10, 10, 206, 124}));
  EXPECT_THROW(movegui(outer, inner, 1000, 800, std::string("Center")), RuntimeError);
}

TEST(Openfig, SingletonKeyAndFileName) {
  EXPECT_EQ(singleton_key("Velmora3d"), "Velmora3d_SINGLETON_handle");
  EXPECT_EQ(singleton_key("/some/where/Velmora3d.ui"), "Velmora3d_SINGLETON_handle");
  EXPECT_EQ(singleton_key("AVeryLongLayoutName"), "AVeryLongLayoutName_SINGLETON_h");  // 31 characters
  EXPECT_EQ(singleton_key("AVeryLongLayoutName").size(), 31u);
  EXPECT_EQ(layout_file_name("Velmora3d"), std::filesystem::path("Velmora3d.ui"));
  EXPECT_EQ(layout_file_name("dir/Main.ui"), std::filesystem::path("dir/Main.ui"));
  EXPECT_THROW(layout_file_name("Main.fig"), RuntimeError);
}

// A desktop of windows, each with a few tagged objects.
class FakeWindows : public WindowSystem {
 public:
  std::map<Handle, Handle> parent;  // object -> window (windows map to themselves)
  std::map<Handle, std::vector<std::pair<Handle, std::string>>> objects;
  std::map<std::pair<Handle, std::string>, std::any> data;
  std::map<Handle, WindowRect> outer;
  Handle current = 0;
  int loads = 0;
  Handle next = 1;

  Handle load_layout(const std::filesystem::path& file) override {
    if (file.filename() != "Velmora3d.ui") throw RuntimeError("no such layout " + file.string());
    ++loads;
    const Handle w = next++;
    parent[w] = w;
    outer[w] = {-30, 50, 500, 400};
    objects[w] = {{w, ""}};
    for (const char* tag : {"BigBox", "FileBox2", "BigBox", "1st", "end", "OK_Button"}) {
      const Handle h = 1000 + next++;
      parent[h] = w;
      objects[w].push_back({h, tag});
    }
    current = w;
    return w;
  }
  bool is_handle(Handle h) const override { return parent.count(h) != 0; }
  Handle window_of(Handle h) const override { return parent.count(h) ? parent.at(h) : 0; }
  Handle current_window() const override { return current; }
  std::vector<std::pair<Handle, std::string>> find_all(Handle w) const override { return objects.at(w); }
  std::any app_data(Handle h, const std::string& key) const override {
    auto it = data.find({h, key});
    return it == data.end() ? std::any() : it->second;
  }
  void set_app_data(Handle h, const std::string& key, std::any value) override { data[{h, key}] = value; }
  WindowRect outer_position(Handle w) const override { return outer.at(w); }
  WindowRect inner_position(Handle w) const override { return {0, 0, 10, 10}; }
  std::array<double, 2> screen_size() const override { return {1024, 768}; }
  void set_outer_position(Handle w, const WindowRect& p) override { outer[w] = p; }
  bool visible(Handle) const override { return true; }
  void raise(Handle w) override { current = w; }
};

TEST(Openfig, ReuseKeepsOneWindowNewAddsOne) {
  FakeWindows ws;
  const Handle a = openfig(ws, "Velmora3d", "reuse");
  EXPECT_EQ(ws.outer[a], (WindowRect{0, 50, 500, 400}));  // moved onto the screen
  ws.current = 0;
  EXPECT_EQ(openfig(ws, "Velmora3d", "reuse"), a);
  EXPECT_EQ(ws.loads, 1);
  EXPECT_EQ(ws.current, a);  // brought to the front
  const Handle b = openfig(ws, "Velmora3d", "new");
  EXPECT_NE(b, a);
  EXPECT_EQ(openfig(ws, "Velmora3d", "reuse"), b);  // the last of the list
  const auto list = std::any_cast<std::vector<Handle>>(ws.app_data(0, "Velmora3d_SINGLETON_handle"));
  EXPECT_EQ(list, (std::vector<Handle>{a, b}));
  // A closed window drops out of the list.
  ws.parent.erase(b);
  EXPECT_EQ(openfig(ws, "Velmora3d", "reuse"), a);
  try {
    openfig(ws, "Velmora3d", "again");
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_STREQ(e.what(), "Second input argument must be 'new' or 'reuse'.");
  }
}

TEST(Guihandles, FieldsForValidTagsOnly) {
  FakeWindows ws;
  const Handle w = openfig(ws, "Velmora3d", "reuse");
  const HandlesStruct h = guihandles(ws, ws.objects[w][1].first);  // from a control up to its window
  ASSERT_EQ(h.size(), 3u);
  EXPECT_EQ(h[0].first, "BigBox");
  EXPECT_EQ(h[0].second, (std::vector<Handle>{ws.objects[w][1].first, ws.objects[w][3].first}));
  EXPECT_EQ(h[1].first, "FileBox2");
  EXPECT_EQ(h[2].first, "OK_Button");
  EXPECT_EQ(guihandles(ws).size(), 3u);  // the current window
  try {
    guihandles(ws, 424242);
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_STREQ(e.what(), "H must be the handle to a figure or figure descendent.");
  }
  EXPECT_FALSE(guidata(ws, w).has_value());
  guidata(ws, ws.objects[w][2].first, h);
  EXPECT_EQ(std::any_cast<HandlesStruct>(guidata(ws, w)).size(), 3u);
  EXPECT_TRUE(ws.app_data(w, "UsedByGUIData_m").has_value());
}

TEST(Velmora3d, OpensReusesAndCallsByName) {
  FakeWindows ws;
  std::ostringstream diagnostics;
  HeadlessPort port(&diagnostics);
  Dispatcher dispatcher(port);
  FunctionTable table = build_function_table(dispatcher);
  register_startup_functions(table, dispatcher, &ws);
  CaptureConsole console;

  const auto first = velmora3d({}, 1, table, console, &ws);
  ASSERT_EQ(first.size(), 1u);
  const Handle fig = static_cast<Handle>(std::get<Eigen::MatrixXd>(first[0])(0, 0));
  EXPECT_TRUE(std::any_cast<HandlesStruct>(&ws.data[{fig, "UsedByGUIData_m"}]) != nullptr);
  EXPECT_TRUE(velmora3d({}, 0, table, console, &ws).empty());
  EXPECT_EQ(ws.loads, 1);

  const Value h = Eigen::MatrixXd::Constant(1, 1, 1001);
  velmora3d({std::string("BigBox_Callback"), h, Eigen::MatrixXd(0, 0), h}, 0, table, console, &ws);
  EXPECT_EQ(console.text(), "BigBox Callback not implemented yet.\n");

  console.clear();
  EXPECT_TRUE(velmora3d({std::string("noSuchFunction")}, 0, table, console, &ws).empty());
  EXPECT_EQ(console.text(), "Undefined function 'noSuchFunction'.\n");

  // Any failure of the called function is printed, and the call returns.
  console.clear();
  table.add({"failsOutOfRange", 0, 0, [](const std::vector<Value>&, int) -> std::vector<Value> {
               throw std::out_of_range("index 7 is past the end");
             }});
  EXPECT_TRUE(velmora3d({std::string("failsOutOfRange")}, 0, table, console, &ws).empty());
  EXPECT_EQ(console.text(), "index 7 is past the end\n");

  console.clear();
  const auto r = velmora3d({std::string("isvarname"), std::string("BootBox")}, 1, table, console, &ws);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(std::get<Eigen::MatrixXd>(r[0])(0, 0), 1);

  // The dispatcher through velmora3d: an unknown action prints the fall-through line.
  velmora3d({std::string("vm3sw"), std::string("loadproto")}, 0, table, console, &ws);
  EXPECT_EQ(diagnostics.str(), "Fell through Switch!  Dang! \n Call was loadproto");
  EXPECT_TRUE(velmora3d({Eigen::MatrixXd::Constant(1, 1, 3)}, 0, table, console, &ws).empty());
}

TEST(Velmora3d, TableEntriesDeclareTheirCounts) {
  HeadlessPort port;
  Dispatcher dispatcher(port);
  const FunctionTable table = build_function_table(dispatcher);
  struct Case {
    const char* name;
    int inputs, outputs;
  };
  for (const Case& c :
       {Case{"velmora3d", -1, -1}, Case{"openfig", 2, 1}, Case{"guihandles", 1, 1}, Case{"guidata", 2, 1},
        Case{"movegui", -1, 0}, Case{"isvarname", 1, 1}, Case{"iskeyword", 1, 1}, Case{"msgboxd", -1, -1}}) {
    const FunctionEntry* e = table.find(c.name);
    ASSERT_NE(e, nullptr) << c.name;
    EXPECT_EQ(e->inputs, c.inputs) << c.name;
    EXPECT_EQ(e->outputs, c.outputs) << c.name;
  }
  // Without a desktop the window functions say so; the pure ones work.
  EXPECT_THROW(table.call("openfig", {std::string("Velmora3d"), std::string("reuse")}, 1), RuntimeError);
  EXPECT_EQ(std::get<Eigen::MatrixXd>(table.call("iskeyword", {std::string("end")}, 1)[0])(0, 0), 1);
  EXPECT_THROW(table.call("isvarname", {std::string("a"), std::string("b")}, 1), RuntimeError);
  // msgboxd shows the box through the port and gives its handle.
  const auto out = table.call("msgboxd", {std::string("F = 1"), std::string("Results of Goodall F-Test")}, 1);
  ASSERT_EQ(out.size(), 1u);
  ASSERT_EQ(port.message_boxes().size(), 1u);
  EXPECT_EQ(port.message_boxes().begin()->second.second, "Results of Goodall F-Test");
  EXPECT_EQ(port.message_boxes().begin()->first, static_cast<Handle>(std::get<Eigen::MatrixXd>(out[0])(0, 0)));
}

}  // namespace
}  // namespace velmora
