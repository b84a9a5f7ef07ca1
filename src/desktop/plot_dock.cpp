#include "desktop/plot_dock.h"

#include <QAction>
#include <QLabel>
#include <QToolBar>
#include <QVBoxLayout>

namespace velmora {
namespace {

bool is(const Rgb& colour, char letter) { return colour == *color_for_letter(letter); }

// What a line object shows, by the style the actions give it.
std::optional<std::string> label_of(const GraphicsObject& o) {
  const char m = o.marker.empty() ? 'n' : o.marker[0];
  const bool lined = !o.line_style.empty() && o.line_style != "none";
  if (m == 'o' && is(o.color, 'b')) return "Sample 1";
  if (m == 's' && is(o.color, 'r')) return "Sample 2";
  if (m == '*' && (is(o.color, 'r') || is(o.color, 'b'))) return "Mean 1";
  if (m == 'p' && is(o.color, 'r')) return "Mean 2";
  if (m == 'n' && lined && is(o.color, 'g')) return "Wireframe of mean 1";
  if (m == 'n' && lined && (is(o.color, 'r') || is(o.color, 'k'))) return "Wireframe of mean 2";
  return std::nullopt;
}

}  // namespace

PlotDecor study_decor(const Graphics& graphics, Handle figure) {
  PlotDecor decor;
  decor.extras.axis_names = true;
  decor.extras.spread_labels = true;
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
      if (!o.marker.empty() && (o.marker[0] == '*' || o.marker[0] == 'p')) decor.extras.on_top.push_back(o.handle);
      const auto label = label_of(o);
      if (!label) continue;
      LegendEntry entry{*label, o.color, o.marker, o.line_style, o.marker_face.has_value()};
      const bool seen = std::any_of(decor.extras.legend.begin(), decor.extras.legend.end(),
                                    [&](const LegendEntry& e) { return e.label == entry.label; });
      if (!seen) decor.extras.legend.push_back(entry);
    }
    break;
  }
  decor.flat = any && flat;
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
  how.file_name = [] { return QString("study-plot"); };
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
