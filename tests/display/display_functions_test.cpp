// The display functions called by name.
#include "display/display_functions.h"

#include <gtest/gtest.h>

#include "runtime/error.h"
#include "runtime/headless/headless_port.h"
#include "runtime/render_layout.h"

namespace velmora {
namespace {

struct ByName : ::testing::Test {
  HeadlessPort port;
  FunctionTable table;
  ByName() { register_display_functions(table, port); }
  std::string error_of(const std::string& name, const std::vector<Value>& args, int outputs) {
    try {
      table.call(name, args, outputs);
    } catch (const RuntimeError& e) {
      return e.what();
    }
    return "";
  }
};

TEST_F(ByName, DeclaredCounts) {
  struct Case {
    const char* name;
    int inputs, outputs;
  };
  for (const Case& c : {Case{"showshape3D", 2, 0}, Case{"wireshape3D", 3, 0}, Case{"incrementlinethickness", 2, 0},
                        Case{"incrementsymbolsize", 2, 0}, Case{"setsymbolfill", 2, 0}, Case{"clf", -1, 1},
                        Case{"campos", 2, 1}, Case{"title", -2, 1}}) {
    const FunctionEntry* e = table.find(c.name);
    ASSERT_NE(e, nullptr) << c.name;
    EXPECT_EQ(e->inputs, c.inputs) << c.name;
    EXPECT_EQ(e->outputs, c.outputs) << c.name;
  }
  EXPECT_EQ(error_of("wireshape3D", {}, 1),
            "Run-time Error: File: wireshape3D Line: 1 Column: 1 The function \"wireshape3D\" was called with more "
            "than the declared number of outputs (0).");
  EXPECT_EQ(error_of("showshape3D", {std::string("a"), std::string("b"), std::string("c")}, 0),
            "Run-time Error: File: showshape3D Line: 1 Column: 1 The function \"showshape3D\" was called with more "
            "than the declared number of inputs (2).");
}

TEST_F(ByName, DrawsStylesAndPlacesTheCamera) {
  Eigen::MatrixXd x(3, 3);
  x << 0, 0, 0, 1, 0, 0, 0, 1, 0;
  Eigen::MatrixXd wire(1, 3);
  wire << 1, 1, 3;
  table.call("showshape3D", {x, std::string("r*")}, 0);
  table.call("wireshape3D", {x, wire}, 0);
  Graphics& g = port.graphics();
  const Handle axes = g.gca();
  ASSERT_EQ(g.object(axes).children.size(), 2u);
  const Handle segment = g.object(axes).children.front();
  EXPECT_EQ(g.object(segment).color, (Rgb{0, 0, 1}));
  table.call("incrementlinethickness", {Eigen::MatrixXd::Constant(1, 1, axes), Eigen::MatrixXd::Constant(1, 1, 2)}, 0);
  EXPECT_EQ(g.object(segment).line_width, 2.5);
  table.call("setsymbolfill", {Eigen::MatrixXd::Constant(1, 1, axes), Eigen::MatrixXd::Constant(1, 1, 1)}, 0);
  EXPECT_EQ(g.object(segment).marker_face, (Rgb{0, 0, 1}));
  table.call("incrementsymbolsize", {Eigen::MatrixXd::Constant(1, 1, axes), Eigen::MatrixXd::Constant(1, 1, -2)}, 0);
  EXPECT_EQ(g.object(segment).marker_size, 4);

  table.call("campos", {Eigen::RowVector3d(0, 0, 10).eval()}, 0);
  const auto pos = table.call("campos", {}, 1);
  EXPECT_EQ(std::get<Eigen::MatrixXd>(pos[0]), Eigen::RowVector3d(0, 0, 10).eval());
  EXPECT_EQ(std::get<std::string>(table.call("campos", {std::string("mode")}, 1)[0]), "manual");
  // Any other text is the mode to set: "auto" gives the default view back.
  table.call("campos", {Eigen::MatrixXd::Constant(1, 1, axes), std::string("auto")}, 0);
  EXPECT_FALSE(g.object(axes).camera_position.has_value());
  EXPECT_EQ(std::get<std::string>(table.call("campos", {std::string("mode")}, 1)[0]), "auto");
  EXPECT_NE(error_of("campos", {std::string("sideways")}, 0), "");
  table.call("campos", {Eigen::RowVector3d(0, 0, 10).eval()}, 0);
  EXPECT_EQ(error_of("campos", {Eigen::MatrixXd::Constant(1, 1, 5), Eigen::RowVector3d(1, 2, 3).eval()}, 0),
            "Wrong number of arguments");

  const auto t = table.call("title", {std::string("Semi-landmark Aligned Data")}, 1);
  const Handle title = static_cast<Handle>(std::get<Eigen::MatrixXd>(t[0])(0, 0));
  EXPECT_EQ(g.object(title).string, "Semi-landmark Aligned Data");
  EXPECT_EQ(error_of("title", {std::string("a"), std::string("Color")}, 0), "Incorrect number of input arguments");
  table.call("title", {std::string("b"), std::string("Color"), Eigen::RowVector3d(1, 0, 0).eval()}, 0);
  EXPECT_EQ(g.object(title).color, (Rgb{1, 0, 0}));

  const auto h = table.call("clf", {}, 1);
  EXPECT_EQ(std::get<Eigen::MatrixXd>(h[0])(0, 0), g.current_figure());
  EXPECT_TRUE(g.object(g.current_figure()).children.empty());
}

// campos with no argument gives the camera of the current axes even before one
// is placed: the default view's, so that placing it keeps the picture.
TEST_F(ByName, CamposWithoutAnArgumentGivesTheDefaultViewsCamera) {
  const auto fresh = std::get<Eigen::MatrixXd>(table.call("campos", {}, 1)[0]);
  ASSERT_EQ(fresh.size(), 3);
  Graphics& g = port.graphics();
  EXPECT_EQ(std::get<std::string>(table.call("campos", {std::string("mode")}, 1)[0]), "auto")
      << "asking places nothing";
  const AxesLayout before = layout_axes(g, g.current_figure(), 560, 420);
  table.call("campos", {fresh}, 0);
  const AxesLayout after = layout_axes(g, g.current_figure(), 560, 420);
  EXPECT_NEAR(after.azimuth, before.azimuth, 1e-9);
  EXPECT_NEAR(after.elevation, before.elevation, 1e-9);
  EXPECT_EQ(std::get<Eigen::MatrixXd>(table.call("campos", {}, 1)[0]), fresh);
}

// title's further arguments set the title text's font and turn.
TEST_F(ByName, TitleTakesTheFontPropertiesOfItsText) {
  const auto t = table.call(
      "title",
      {std::string("Hello"), std::string("FontSize"), Eigen::MatrixXd::Constant(1, 1, 20), std::string("FontName"),
       std::string("DejaVu Serif"), std::string("FontAngle"), std::string("italic"), std::string("FontWeight"),
       std::string("bold"), std::string("Rotation"), Eigen::MatrixXd::Constant(1, 1, 15)},
      1);
  const GraphicsObject& title = port.graphics().object(static_cast<Handle>(std::get<Eigen::MatrixXd>(t[0])(0, 0)));
  EXPECT_EQ(title.font_size, 20);
  EXPECT_EQ(title.font_name, "DejaVu Serif");
  EXPECT_EQ(title.font_angle, "italic");
  EXPECT_EQ(title.font_weight, "bold");
  EXPECT_EQ(title.rotation, 15);
}

}  // namespace
}  // namespace velmora
