#include "runtime/qt/plot_window.h"

#include <QCloseEvent>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "runtime/qt/surface_view.h"

namespace velmora {

PlotWindow::PlotWindow(const Graphics& graphics, Handle figure, std::function<void(Handle)> on_close, QWidget* parent)
    : QMainWindow(parent), graphics_(graphics), figure_(figure), on_close_(std::move(on_close)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName(QString("Figure%1").arg(figure));
  // The view in a column of its own, where a picture of surfaces puts its
  // OpenGL view in its place (fit_surface_view).
  page_ = new QWidget(this);
  auto* column = new QVBoxLayout(page_);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  view_ = new PlotView(graphics, figure, page_);
  view_->setObjectName("ViewPlot");
  column->addWidget(view_, 1);
  setCentralWidget(page_);
  QToolBar* tools = addToolBar("Plot");
  tools->setObjectName("PlotToolBar");
  PlotTools how;
  how.file_name = [this] { return windowTitle(); };
  how.saved = [this](const std::filesystem::path& path) {
    statusBar()->showMessage(QString("Saved %1").arg(QString::fromStdString(path.string())), 5000);
  };
  how.note = [this](const std::string& note) {
    if (note_) note_(note);
  };
  add_plot_tools(tools, view_, this, how);
  statusBar()->showMessage("Drag to rotate, shift-drag to pan, wheel to zoom, Reset view to go back.");
  resize(560, 420);
  refresh();
}

void PlotWindow::refresh() {
  {
    auto lock = graphics_.lock();
    if (graphics_.is_handle(figure_)) {
      const std::string name = graphics_.object(figure_).name;
      setWindowTitle(QString::fromStdString(name.empty() ? "Figure " + std::to_string(figure_) : name));
    }
  }
  // A flat plot stays as drawn; its points tell what they are on hover.
  const bool flat = view_->flat_axes();
  if (flat != flat_) {
    flat_ = flat;
    view_->setToolTip(flat ? "" : kViewTip);
    statusBar()->showMessage(flat ? "Hover over a point to see which specimen it is."
                                  : "Drag to rotate, shift-drag to pan, wheel to zoom, Reset view to go back.");
  }
  view_->model_changed();
  fit_surface_view(graphics_, page_);
  if (auto* gl = page_->findChild<SurfaceView*>("ViewSurface"); gl && gl->isVisible()) gl->update();
}

void PlotWindow::close_from_model() {
  closing_from_model_ = true;
  close();
}

void PlotWindow::closeEvent(QCloseEvent* event) {
  if (!closing_from_model_ && on_close_) on_close_(figure_);
  event->accept();
}

void PlotWindow::export_to(const std::filesystem::path& path) { view_->export_to(path); }

}  // namespace velmora
