#include "desktop/view_tabs.h"

#include <QRegularExpression>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "desktop/plot_dock.h"
#include "runtime/qt/plot_export.h"
#include "runtime/qt/plot_view.h"

namespace velmora {

namespace {

constexpr const char* kKey = "viewKey";

// A tab of an analysis: its toolbar over its view.
QWidget* make_tab(const Graphics& graphics, Handle figure, const QString& key, QTabWidget* tabs) {
  auto* page = new QWidget;
  page->setObjectName("View" + QString(key).remove(QRegularExpression("[^A-Za-z0-9]")));
  page->setProperty(kKey, key);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* tools = new QToolBar(page);
  auto* view = new PlotView(graphics, figure, page);
  view->setObjectName("ViewPlot");
  view->set_decorator(study_decor);
  PlotTools how;
  how.what = "this picture";
  how.reset_shortcut = false;
  how.file_name = [tabs, page] { return file_name_of(tabs->tabText(tabs->indexOf(page))); };
  add_plot_tools(tools, view, page, how);
  layout->addWidget(tools);
  layout->addWidget(view, 1);
  return page;
}

}  // namespace

QString file_name_of(const QString& title) {
  QString name = title;
  name.replace(QChar(0x00D7), 'x');
  name.remove(QRegularExpression("[^A-Za-z0-9 ._()+-]"));
  name = name.simplified();
  return name.isEmpty() ? QString("figure") : name;
}

ViewTabs::ViewTabs(const Graphics& graphics, PlotDock* study_plot, QWidget* parent)
    : QTabWidget(parent), graphics_(graphics) {
  setObjectName("ViewTabs");
  setDocumentMode(true);
  setTabsClosable(true);
  setMovable(true);
  addTab(study_plot, "Study plot");
  // The study's plot stays: no close button on its tab.
  tabBar()->setTabButton(0, QTabBar::RightSide, nullptr);
  tabBar()->setTabButton(0, QTabBar::LeftSide, nullptr);
  connect(this, &QTabWidget::tabCloseRequested, this, [this](int index) {
    auto* view = widget(index)->findChild<PlotView*>("ViewPlot");
    if (view == nullptr) return;
    const Handle figure = view->figure();
    removeTab(index);
    view->parentWidget()->deleteLater();
    if (figure != 0) emit figure_dismissed(figure);
  });
}

Handle ViewTabs::show_figure(const QString& key, Handle figure, const QString& title) {
  for (int i = 0; i < count(); ++i) {
    if (widget(i)->property(kKey).toString() != key) continue;
    auto* view = widget(i)->findChild<PlotView*>("ViewPlot");
    const Handle before = view->figure();
    view->set_figure(figure);
    setTabText(i, title);
    setTabToolTip(i, title);
    setCurrentIndex(i);
    return before == figure ? 0 : before;
  }
  QWidget* page = make_tab(graphics_, figure, key, this);
  connect(page->findChild<PlotView*>("ViewPlot"), &PlotView::point_clicked, this, &ViewTabs::point_clicked);
  const int i = addTab(page, title);
  setTabToolTip(i, title);
  setCurrentIndex(i);
  return 0;
}

int ViewTabs::index_of(Handle figure) const {
  for (int i = 0; i < count(); ++i)
    if (auto* view = widget(i)->findChild<PlotView*>("ViewPlot"); view != nullptr && view->figure() == figure)
      return i;
  return -1;
}

void ViewTabs::figure_changed(Handle figure) {
  const int i = index_of(figure);
  if (i >= 0) widget(i)->findChild<PlotView*>("ViewPlot")->model_changed();
}

void ViewTabs::figure_closed(Handle figure) {
  const int i = index_of(figure);
  if (i < 0) return;
  QWidget* page = widget(i);
  removeTab(i);
  page->deleteLater();
}

std::vector<Handle> ViewTabs::figures() const {
  std::vector<Handle> out;
  for (int i = 0; i < count(); ++i)
    if (auto* view = widget(i)->findChild<PlotView*>("ViewPlot")) out.push_back(view->figure());
  return out;
}

PlotView* ViewTabs::view(const QString& key) const {
  for (int i = 0; i < count(); ++i)
    if (widget(i)->property(kKey).toString() == key) return widget(i)->findChild<PlotView*>("ViewPlot");
  return nullptr;
}

QString ViewTabs::title(const QString& key) const {
  for (int i = 0; i < count(); ++i)
    if (widget(i)->property(kKey).toString() == key) return tabText(i);
  return {};
}

QString ViewTabs::key_of(Handle figure) const {
  const int i = index_of(figure);
  return i < 0 ? QString() : widget(i)->property(kKey).toString();
}

}  // namespace velmora
