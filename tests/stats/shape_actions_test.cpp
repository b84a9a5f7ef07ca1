// ShapePCA and ShowDifference through the headless UI port: bad input refused
// before anything is shown, the results and pictures they make, and a grid
// left out (with a message naming the landmarks) when the spline cannot pass.
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <set>
#include <sstream>

#include "runtime/error.h"
#include "runtime/flat_layout.h"
#include "runtime/headless/headless_port.h"
#include "stats/shape_pca_action.h"
#include "stats/showdifference.h"
#include "support/sample_factory.h"

namespace velmora {
namespace {

using testing::make_flat_study;
using testing::make_study;
using testing::Study;

TwoSamples two(const Study& s) { return {s.data1, s.mean1, s.data1cs, s.data2, s.mean2, s.data2cs}; }

const Event* result_of(const HeadlessPort& ui) {
  for (const Event& e : ui.events())
    if (e.kind == "result") return &e;
  return nullptr;
}

using Action = std::function<void(const TwoSamples&, UiPort&)>;

void show_difference(const TwoSamples& s, UiPort& ui) {
  show_difference_action(s, Eigen::MatrixXd(), ui.graphics().new_figure(), ui);
}

TEST(ShapeActions, BadInputIsRefusedBeforeAnythingIsShown) {
  const Study s = make_study(10, 4, 4, 0.05, 0.1, 4);
  const Study tiny = make_study(10, 1, 1, 0.05, 0.1, 5);
  const Sample empty;
  const Eigen::MatrixXd none;
  const Eigen::RowVectorXd no_sizes;
  const TwoSamples nothing{empty, none, no_sizes, empty, none, no_sizes};
  struct Case {
    const char* action;
    Action run;
    const TwoSamples samples;
    const char* tag;
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {"ShapePCA", shape_pca_action, nothing, "PCXBox", 1,
       "ShapePCA needs both samples: load the first sample (LoadFile1 or LoadFile2D), then the second (LoadFile2)."},
      {"ShowDifference", show_difference, nothing, "DiffScale", 1,
       "ShowDifference needs both samples: load the first sample (LoadFile1 or LoadFile2D), then the second "
       "(LoadFile2)."},
      {"ShapePCA", shape_pca_action, two(tiny), "PCXBox", 1, "ShapePCA needs at least 3 specimens in all"},
      {"ShapePCA", shape_pca_action, two(s), "PCYBox", 1, "PCXBox and PCYBox both choose component 1"},
      {"ShapePCA", shape_pca_action, two(s), "PCYBox", 8, "8 specimens of 10 points have 7 components"},
      {"ShapePCA", shape_pca_action, two(s), "PCXBox", 1.5, "PCXBox must be a whole number from 1 up; it is 1.5"},
      {"ShowDifference", show_difference, two(s), "DiffScale", -1, "DiffScale must be a number above 0"},
      {"ShowDifference", show_difference, two(s), "DiffScale", std::nan(""), "DiffScale must be a number above 0"},
  };
  for (const Case& c : cases) {
    HeadlessPort ui;
    ui.keep_events();
    ui.set_control_value(c.tag, c.value);
    ui.clear_events();
    try {
      c.run(c.samples, ui);
      ADD_FAILURE() << c.expected;
    } catch (const RuntimeError& e) {
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
    }
    for (const Event& e : ui.events()) EXPECT_EQ(e.kind, "figure") << c.expected;  // only the test's own window
    EXPECT_EQ(ui.control_string("ResultsBox"), "") << c.expected;
  }
}

// The text, the result event and the picture: two flat axes in a new window,
// the scatter's points named by sample and specimen.
TEST(ShapeActions, ShapePcaReportsAndDraws) {
  const Study s = make_study(12, 6, 7, 0.05, 0.1, 6);
  HeadlessPort ui;
  ui.keep_events();
  shape_pca_action(two(s), ui);
  EXPECT_TRUE(std::regex_match(ui.control_string("ResultsBox"),
                               std::regex("PCA of 6 \\+ 7 specimens, 12 points: PC1 \\d+\\.\\d %, PC2 \\d+\\.\\d %, "
                                          "PC3 \\d+\\.\\d %")))
      << ui.control_string("ResultsBox");
  const Event* r = result_of(ui);
  ASSERT_NE(r, nullptr);
  const auto& variance = std::get<std::vector<double>>(*r->field("variance"));
  EXPECT_EQ(variance.size(), 12u);  // min(n - 1, 3p)
  EXPECT_EQ(std::get<Eigen::MatrixXd>(*r->field("scores")).cols(), 10);
  EXPECT_EQ(std::get<Eigen::MatrixXd>(*r->field("loadings")).rows(), 36);
  EXPECT_EQ(std::get<std::vector<double>>(*r->field("sample")).back(), 2);

  const Graphics& g = ui.graphics();
  const Handle figure = g.current_figure();
  ASSERT_TRUE(is_flat_figure(g, figure));
  const auto axes = layout_flat_axes(g, figure, 800, 600);
  ASSERT_EQ(axes.size(), 2u);  // the scatter and the scree plot
  EXPECT_EQ(g.object(axes[0].axes).xlabel.rfind("PC1 (", 0), 0u);
  // Hovering over the last specimen's point names it.
  for (Handle c : g.object(axes[0].axes).children) {
    const GraphicsObject& o = g.object(c);
    if (o.names.empty()) continue;
    const Eigen::Vector2d at = axes[0].project(o.x(o.x.size() - 1), o.y(o.y.size() - 1));
    EXPECT_EQ(point_name_at(g, figure, 800, 600, at, 3), o.names.back());
  }
  EXPECT_EQ(point_name_at(g, figure, 800, 600, Eigen::Vector2d(5, 5), 3), std::nullopt);
}

TEST(ShapeActions, ShapePcaCancelledShowsNothing) {
  const Study s = make_study(8, 5, 5, 0.05, 0.1, 8);
  for (int answered : {0, 1}) {  // cancelled before or after the computation
    HeadlessPort ui;
    ui.keep_events();
    int calls = 0;
    ui.on_progress([&](std::string_view, std::int64_t, std::int64_t) { return calls++ < answered; });
    ui.clear_events();
    shape_pca_action(two(s), ui);
    for (const Event& e : ui.events()) EXPECT_EQ(e.kind, "echo") << e.kind;
    EXPECT_EQ(ui.graphics().figures().size(), 1u);  // the main window only: no plot window opened
    EXPECT_EQ(ui.control_string("ResultsBox"), "");
  }
}

// Landmarks 2 and 5 of mean 1 on one spot: when they move together (a closed
// curve's first point repeated) the grid is drawn; when they move apart it is
// left out with a message naming them, and the vectors are still drawn.
TEST(ShapeActions, ShowDifferenceLeavesOutAGridTheSplineCannotMake) {
  for (bool apart : {false, true}) {
    Study s = make_flat_study(8, 5, 5, 0.05, 0.1, 7);
    s.mean1.row(4) = s.mean1.row(1);
    s.mean2.row(4) = apart ? Eigen::RowVector3d(s.mean2.row(1) + Eigen::RowVector3d(0.05, 0, 0))
                           : Eigen::RowVector3d(s.mean2.row(1));
    HeadlessPort ui;
    ui.keep_events();
    ui.set_control_value("DiffScale", 3);
    const Handle figure = ui.graphics().new_figure();
    show_difference_action(two(s), Eigen::MatrixXd(), figure, ui);
    const Event* r = result_of(ui);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->number("grid"), apart ? 0 : 1);
    EXPECT_EQ(r->number("factor"), 3);
    const auto& table = std::get<Eigen::MatrixXd>(*r->field("displacement"));
    ASSERT_EQ(table.rows(), 8);
    EXPECT_NEAR(table(4, 4), (s.mean2.row(4) - s.mean1.row(4)).norm(), 1e-15);
    const auto& order = std::get<std::vector<double>>(*r->field("order"));
    EXPECT_EQ(table(static_cast<Eigen::Index>(order[0]) - 1, 4), table.col(4).maxCoeff());
    bool warned = false;
    for (const Event& e : ui.events())
      if (e.kind == "msgbox") {
        warned = true;
        EXPECT_NE(e.text("text").find("Landmarks 2 and 5 coincide but move apart"), std::string::npos);
      }
    EXPECT_EQ(warned, apart);
    // The arrows: one run per landmark, from mean 1 to mean 1 + 3 (mean 2 - mean 1).
    bool arrows = false;
    for (Handle c : ui.graphics().object(ui.graphics().axes_of(figure)).children) {
      const GraphicsObject& o = ui.graphics().object(c);
      if (!o.arrows) continue;
      arrows = true;
      ASSERT_EQ(o.x.size(), 24);
      EXPECT_NEAR(o.x(4), s.mean1(1, 0) + 3 * (s.mean2(1, 0) - s.mean1(1, 0)), 1e-15);
    }
    EXPECT_TRUE(arrows);
  }
}

// Left at "auto", the largest arrow drawn is about a tenth of the configuration's
// size, the factor named in the window's title; every line drawn (the grid,
// both wireframes, the landmarks, the arrows) is named for the legend.
TEST(ShapeActions, ShowDifferenceDrawsTheLargestArrowATenthOfTheShape) {
  const Study s = make_study(12, 5, 5, 0.01, 0.02, 9);
  Eigen::MatrixXd wires(3, 3);
  wires << 1, 1, 2, 2, 2, 3, 3, 3, 4;
  HeadlessPort ui;
  ui.keep_events();
  const Handle figure = ui.graphics().new_figure();
  show_difference_action(two(s), wires, figure, ui);
  const Event* r = result_of(ui);
  ASSERT_NE(r, nullptr);
  Graphics& g = ui.graphics();
  double largest = 0;
  std::set<std::string> names;
  for (Handle c : g.object(g.axes_of(figure)).children) {
    const GraphicsObject& o = g.object(c);
    if (o.type != ObjectType::line) continue;
    EXPECT_FALSE(o.display_name.empty());
    names.insert(o.display_name);
    if (!o.arrows) continue;
    for (Eigen::Index i = 0; i + 1 < o.x.size(); i += 3)
      largest =
          std::max(largest, Eigen::Vector3d(o.x(i + 1) - o.x(i), o.y(i + 1) - o.y(i), o.z(i + 1) - o.z(i)).norm());
  }
  double size = 0;
  for (int k = 0; k < 3; ++k) size = std::max(size, s.mean1.col(k).maxCoeff() - s.mean1.col(k).minCoeff());
  EXPECT_NEAR(largest / size, 0.1, 0.006);
  const double factor = r->number("factor");
  EXPECT_GT(factor, 1);
  std::ostringstream stated;
  stated << "Mean difference \u00d7" << factor;
  EXPECT_EQ(g.object(figure).name, stated.str());
  EXPECT_EQ(names.size(), 5u);  // the grid, two wireframes, the landmarks, the arrows
}

}  // namespace
}  // namespace velmora
