// Glue between the dispatcher and the plot window: drawing, styling, export.
#include <string>

#include "app/actions.h"
#include "display/clf.h"
#include "display/incrementlinethickness.h"
#include "display/incrementsymbolsize.h"
#include "display/sample_style.h"
#include "display/setsymbolfill.h"
#include "display/showshape3D.h"
#include "display/wireshape3D.h"
#include "runtime/error.h"
#include "runtime/format.h"
#include "runtime/render.h"
#include "stats/showdifference.h"

namespace velmora::actions {
namespace {

bool plot_window_open(const WorkingState& s, UiPort& ui) {
  if (!s.fighand1) return false;
  const Graphics& g = ui.graphics();
  return g.is_handle(*s.fighand1) && g.object(*s.fighand1).type == ObjectType::figure;
}

// Makes the plot window current. Before any OpenFigure (or once its window has
// been closed) the window is opened first, as OpenFigure opens it.
Handle use_plot_window(WorkingState& s, UiPort& ui) {
  if (!plot_window_open(s, ui)) open_figure(s, ui);
  ui.graphics().figure(*s.fighand1);
  return *s.fighand1;
}

bool wireframe_active(const WorkingState& s) { return s.wireactive && *s.wireactive != 0; }

void require(bool present, const char* what) {
  if (!present) throw RuntimeError(what);
}

}  // namespace

void show_mean1(WorkingState& s, UiPort& ui) {
  require(s.mean1.size() > 0, "ShowMean1: there is no first sample yet; load one with LoadFile1 first.");
  use_plot_window(s, ui);
  showshape3D(ui.graphics(), Sample(s.mean1), sample_style(1).mean);
  if (wireframe_active(s)) wireshape3D(ui.graphics(), ui.console(), s.mean1, s.wirelist, sample_style(1).wireframe);
}

void show_data1(WorkingState& s, UiPort& ui) {
  require(!s.data1.empty(), "ShowData1: there is no first sample yet; load one with LoadFile1 first.");
  use_plot_window(s, ui);
  showshape3D(ui.graphics(), s.data1, sample_style(1).specimens);
}

void add_labels(WorkingState& s, UiPort& ui) {
  use_plot_window(s, ui);
  Graphics& g = ui.graphics();
  const Eigen::Index m = s.mean1.rows();
  if (m > 0 && s.mean1.cols() < 3)
    throw RuntimeError("AddLabels: the first sample's mean has fewer than 3 columns (x y z).");
  for (Eigen::Index i = 0; i < m; ++i) {
    g.text(s.mean1(i, 0) + 0.01, s.mean1(i, 1) + 0.01, s.mean1(i, 2) + 0.01,
           sprintf_m("%i", static_cast<double>(i + 1)));
  }
}

void show_mean2(WorkingState& s, UiPort& ui) {
  require(s.mean2.size() > 0, "ShowMean2: there is no second sample yet; load one with LoadFile2 first.");
  use_plot_window(s, ui);
  showshape3D(ui.graphics(), Sample(s.mean2), sample_style(2).mean);
  if (wireframe_active(s)) {
    const std::string checked = ui.control_checked("DotCheck");
    const std::string spec = checked.size() > 1 && checked[1] == 'n' ? "k-." : sample_style(2).wireframe;
    wireshape3D(ui.graphics(), ui.console(), s.mean2, s.wirelist, spec);
  }
}

void show_data2(WorkingState& s, UiPort& ui) {
  require(!s.data2.empty(), "ShowData2: there is no second sample yet; load one with LoadFile2 first.");
  use_plot_window(s, ui);
  showshape3D(ui.graphics(), s.data2, sample_style(2).specimens);
}

void open_figure(WorkingState& s, UiPort& ui) {
  Graphics& g = ui.graphics();
  const Handle hnow = g.current_figure();
  std::array<double, 4> floc{0, 0, 560, 420};
  std::string funits = "pixels";
  if (hnow != 0) {
    floc = g.object(hnow).position;
    funits = g.object(hnow).units;
  }
  const Handle h = g.new_figure();
  s.fighand1 = h;
  // floc + [floc(1) + 0.02*floc(3), 0, -0.02*floc(3), 0], in this order.
  Eigen::VectorXd floc2(4);
  floc2 << floc[0] + (floc[0] + 0.02 * floc[2]), floc[1] + 0, floc[2] + -0.02 * floc[2], floc[3] + 0;
  g.set(h, "Units", funits);
  g.set(h, "Position", floc2);
  if (hnow != 0) g.figure(hnow);
}

void clear_figure(WorkingState& s, UiPort& ui) {
  Graphics& g = ui.graphics();
  const Handle before = g.current_figure();
  use_plot_window(s, ui);
  clf(g);
  if (before != 0 && g.is_handle(before)) g.figure(before);
}

void copy_image(WorkingState& s, UiPort& ui) {
  if (!plot_window_open(s, ui))
    throw RuntimeError("CopyImage: there is no plot window to copy; open one with OpenFigure first.");
  Graphics& g = ui.graphics();
  const Handle before = g.current_figure();
  g.figure(*s.fighand1);
  std::vector<ClipboardItem> items;
  items.push_back({"image/png", render_figure_bytes(g, *s.fighand1, ImageFormat::png)});
  items.push_back({"image/svg+xml", render_figure_bytes(g, *s.fighand1, ImageFormat::svg)});
  ui.set_clipboard(items);
  if (before != 0 && g.is_handle(before)) g.figure(before);
}

void copy_eps(WorkingState& s, UiPort& ui) {
  // The name is asked first: a cancelled dialog ends the action quietly, with 0
  // in fname1, whether or not a plot window is open.
  const auto choice = ui.save_file("*.eps", "Save File Name for EPS file");
  if (!choice) {
    s.fname1 = 0.0;
    return;
  }
  s.fname1 = choice->name;
  if (!plot_window_open(s, ui))
    throw RuntimeError("CopyEPS: there is no plot window to save; open one with OpenFigure first.");
  const auto bytes = write_figure(ui.graphics(), *s.fighand1, ImageFormat::eps, choice->path(), 800, 600,
                                  [&](const std::string& note) { ui.console().write(note + "\n"); });
  ui.file_written(choice->path(), bytes);
}

void axis_on(WorkingState& s, UiPort& ui) {
  use_plot_window(s, ui);
  ui.graphics().axis(ui.graphics().gca(), "on");
}

void axis_off(WorkingState& s, UiPort& ui) {
  use_plot_window(s, ui);
  ui.graphics().axis(ui.graphics().gca(), "off");
}

void thicker_lines(WorkingState& s, UiPort& ui) {
  use_plot_window(s, ui);
  incrementlinethickness(ui.graphics(), ui.graphics().gca(), 1);
}

void thinner_lines(WorkingState& s, UiPort& ui) {
  use_plot_window(s, ui);
  if (!incrementlinethickness(ui.graphics(), ui.graphics().gca(), -1))
    ui.console().write("ThinnerLines: the lines are as thin as they can be (0.5 points); nothing was changed.\n");
}

void filled_symbols(WorkingState& s, UiPort& ui) {
  use_plot_window(s, ui);
  setsymbolfill(ui.graphics(), ui.graphics().gca(), 1);
}

void empty_symbols(WorkingState& s, UiPort& ui) {
  use_plot_window(s, ui);
  setsymbolfill(ui.graphics(), ui.graphics().gca(), 0);
}

void bigger_symbols(WorkingState& s, UiPort& ui) {
  use_plot_window(s, ui);
  incrementsymbolsize(ui.graphics(), ui.graphics().gca(), 1);
}

void smaller_symbols(WorkingState& s, UiPort& ui) {
  use_plot_window(s, ui);
  if (!incrementsymbolsize(ui.graphics(), ui.graphics().gca(), -1))
    ui.console().write("SmallerSymbols: the markers are as small as they can be (1 point); nothing was changed.\n");
}

// The change from mean 1 to mean 2 replaces what the plot window showed.
void show_difference(WorkingState& s, UiPort& ui) {
  const TwoSamples samples{s.data1, s.mean1, s.data1cs, s.data2, s.mean2, s.data2cs};
  check_samples("ShowDifference", samples);  // before a plot window opens
  const Handle figure = use_plot_window(s, ui);
  show_difference_action(samples, wireframe_active(s) ? s.wirelist : Eigen::MatrixXd(), figure, ui);
}

}  // namespace velmora::actions
