#include "desktop/plot_dock.h"

#include <QAction>
#include <QLabel>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "display/sample_style.h"
#include "runtime/render.h"

namespace velmora {
namespace {

// What a line object shows, by the style the actions give it (sample_style).
std::optional<std::string> label_of(const GraphicsObject& o) {
  if (!o.display_name.empty()) return o.display_name;
  const bool lined = !o.line_style.empty() && o.line_style != "none";
  for (int sample = 1; sample <= 2; ++sample) {
    const SampleStyle& style = sample_style(sample);
    const LineSpec specimens = parse_line_spec(style.specimens), mean = parse_line_spec(style.mean),
                   wire = parse_line_spec(style.wireframe);
    const std::string n = std::to_string(sample);
    if (o.marker == specimens.marker && o.color == specimens.color) return "Sample " + n;
    if (o.marker == mean.marker && o.color == mean.color) return "Mean " + n;
    if (o.marker == "none" && lined && o.color == wire.color) return "Wireframe of mean " + n;
  }
  // Mean 2's wireframe drawn dash-dot in black (DotCheck).
  if (o.marker == "none" && lined && o.color == Rgb{0, 0, 0}) return "Wireframe of mean 2";
  return std::nullopt;
}

bool is_mean(const GraphicsObject& o) { return o.marker == "*" || o.marker == "p"; }

// A line object of the style `spec` through the rows of `points` (p by 3).
GraphicsObject line_of(const std::string& spec, const Eigen::MatrixXd& points) {
  const LineSpec parsed = parse_line_spec(spec);
  GraphicsObject o;
  o.type = ObjectType::line;
  o.color = parsed.color;
  o.line_style = parsed.line_style;
  o.marker = parsed.marker;
  o.x = points.col(0);
  o.y = points.col(1);
  o.z = points.col(2);
  return o;
}

void add_row(PlotDecor& decor, GraphicsObject o, const std::string& label) {
  o.display_name = label;
  // Handles the model never gives, so the means can be put on top.
  o.handle = std::numeric_limits<Handle>::max() - static_cast<Handle>(decor.extras.added.size());
  if (is_mean(o)) decor.extras.on_top.push_back(o.handle);
  decor.extras.legend.push_back(LegendEntry{label, o.color, o.marker, o.line_style, o.marker_face.has_value()});
  decor.extras.added.push_back(std::move(o));
}

bool labelled(const PlotDecor& decor, const std::string& label) {
  return std::any_of(decor.extras.legend.begin(), decor.extras.legend.end(),
                     [&](const LegendEntry& e) { return e.label == label; });
}

}  // namespace

PlotDecor study_decor(const Graphics& graphics, Handle figure) {
  PlotDecor decor;
  decor.extras.axis_names = true;
  if (!graphics.is_handle(figure)) return decor;
  bool flat = false, any = false;
  for (Handle a : graphics.object(figure).children) {
    const GraphicsObject& axes = graphics.object(a);
    if (axes.type != ObjectType::axes) continue;
    // Oldest first, so the legend lists what was drawn first at the top.
    for (auto it = axes.children.rbegin(); it != axes.children.rend(); ++it) {
      const GraphicsObject& o = graphics.object(*it);
      if (o.type != ObjectType::line) continue;
      if (o.z.size() > 0) {
        flat = (any ? flat : true) && o.z.isZero(0);
        any = true;
      }
      if (is_mean(o)) decor.extras.on_top.push_back(o.handle);
      const auto label = label_of(o);
      if (!label) continue;
      auto seen = std::find_if(decor.extras.legend.begin(), decor.extras.legend.end(),
                               [&](const LegendEntry& e) { return e.label == *label; });
      if (seen == decor.extras.legend.end()) {
        LegendEntry entry = legend_entry_of(axes, o);
        entry.label = *label;
        decor.extras.legend.push_back(entry);
        seen = decor.extras.legend.end() - 1;
      }
      seen->lines.push_back(o.handle);
    }
    break;
  }
  decor.flat = any && flat;
  return decor;
}

PlotDecor study_plot_decor(const Graphics& graphics, Handle figure, const StudySummary* study) {
  PlotDecor decor = study_decor(graphics, figure);
  if (study == nullptr || !graphics.is_handle(figure) || study->first.empty()) return decor;
  const Eigen::Index p = study->first.points();
  // The second sample and its mean, in the first sample's frame, when it fits.
  if (!study->second.empty() && study->second.points() == p) {
    if (!labelled(decor, "Sample 2")) {
      const Sample& data = study->second.configurations;
      Eigen::MatrixXd points(p * data.count(), 3);
      for (Eigen::Index i = 0; i < data.count(); ++i) points.middleRows(p * i, p) = data.specimen(i);
      add_row(decor, line_of(sample_style(2).specimens, points), "Sample 2");
    }
    if (!labelled(decor, "Mean 2") && study->second.mean.rows() == p)
      add_row(decor, line_of(sample_style(2).mean, study->second.mean), "Mean 2");
  }
  // The wireframe on mean 1.
  const Eigen::MatrixXd& wires = study->wirelist;
  if (wires.rows() > 0 && wires.cols() >= 3 && study->first.mean.rows() == p &&
      !labelled(decor, "Wireframe of mean 1")) {
    Eigen::MatrixXd segments(3 * wires.rows(), 3);
    bool fits = true;
    for (Eigen::Index r = 0; r < wires.rows(); ++r) {
      const double a = wires(r, 1), b = wires(r, 2);
      fits = fits && a >= 1 && b >= 1 && a <= p && b <= p && a == std::floor(a) && b == std::floor(b);
      if (!fits) break;
      segments.row(3 * r) = study->first.mean.row(static_cast<Eigen::Index>(a) - 1);
      segments.row(3 * r + 1) = study->first.mean.row(static_cast<Eigen::Index>(b) - 1);
      segments.row(3 * r + 2).setConstant(std::numeric_limits<double>::quiet_NaN());
    }
    if (fits) add_row(decor, line_of(sample_style(1).wireframe, segments), "Wireframe of mean 1");
  }
  return decor;
}

PlotDock::PlotDock(const Graphics& graphics, QWidget* parent) : QWidget(parent), graphics_(graphics) {
  setObjectName("StudyPlot");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* tools = new QToolBar("Study plot", this);
  tools->setObjectName("StudyPlotToolBar");
  view_ = new PlotView(graphics, 0, this);
  view_->setObjectName("StudyPlotView");
  view_->set_decorator(study_decor);
  view_->set_placeholder(
      "The study's plot appears here when a first sample is loaded (Load 3D sample… or Load 2D sample…), or "
      "when a study file is opened or dropped on the window.");
  PlotTools how;
  how.names = "StudyPlot";
  how.what = "the study's plot";
  how.reset_tip = "Back to the plot's own view (Home in the plot)";
  how.reset_shortcut = false;
  how.file_name = [] { return QString("Study plot"); };  // the tab's title, as the other tabs' exports
  how.ready = [this] { return figure() != 0; };
  how.note = [this](const std::string& text) { emit notice(QString::fromStdString(text)); };
  add_plot_tools(tools, view_, this, how);
  note_ = new QLabel(this);
  note_->setObjectName("StudyPlotNote");
  note_->setContentsMargins(8, 2, 8, 2);
  // Under the plot, so the toolbar's buttons keep their room.
  layout->addWidget(tools);
  layout->addWidget(view_, 1);
  layout->addWidget(note_);
  connect(view_, &PlotView::view_changed, this, &PlotDock::update_note);
  update_note();
}

void PlotDock::set_study(std::shared_ptr<const StudySummary> study) {
  study_ = std::move(study);
  view_->set_decorator([this](const Graphics& g, Handle figure) { return study_plot_decor(g, figure, study_.get()); });
}

void PlotDock::show_figure(Handle figure) {
  view_->set_figure(figure);
  update_note();
}

void PlotDock::figure_changed() {
  view_->model_changed();
  update_note();
}

void PlotDock::update_note() {
  const bool open = figure() != 0;
  for (QAction* a : findChildren<QAction*>()) a->setEnabled(open);
  if (!open)
    note_->setText("");
  else if (view_->decor().flat)
    note_->setText("2D: drag pans, the wheel zooms");
  else
    note_->setText("Drag rotates, shift-drag pans, the wheel zooms");
}

}  // namespace velmora
