#include "desktop/view_tabs.h"

#include <QEvent>
#include <QRegularExpression>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "desktop/plot_dock.h"
#include "runtime/qt/plot_export.h"
#include "runtime/qt/plot_view.h"
#include "runtime/qt/surface_view.h"

namespace velmora {

namespace {

constexpr const char* kKey = "viewKey";
constexpr const char* kTitle = "viewTitle";

// A tab of an analysis: its toolbar over its view.
QWidget* make_tab(const Graphics& graphics, Handle figure, const QString& key,
                  std::function<void(const std::string&)> note) {
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
  how.file_name = [page] { return file_name_of(page->property(kTitle).toString()); };
  how.note = std::move(note);
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
    QWidget* page = widget(index);
    if (page == nullptr || !page->property(kKey).isValid()) return;
    const Handle figure = page->findChild<PlotView*>("ViewPlot")->figure();
    remove_page(page);
    if (figure != 0) emit figure_dismissed(figure);
  });
  // A picture's tab double-clicked goes into a window of its own; closing that window brings it back.
  connect(tabBar(), &QTabBar::tabBarDoubleClicked, this, &ViewTabs::tear_off);
}

std::vector<QWidget*> ViewTabs::pages() const {
  std::vector<QWidget*> out;
  for (int i = 0; i < count(); ++i)
    if (widget(i)->property(kKey).isValid()) out.push_back(widget(i));
  for (const QPointer<QWidget>& page : torn_)
    if (page) out.push_back(page);
  return out;
}

QWidget* ViewTabs::page_of(Handle figure) const {
  for (QWidget* page : pages())
    if (page->findChild<PlotView*>("ViewPlot")->figure() == figure) return page;
  return nullptr;
}

QWidget* ViewTabs::page_for(const QString& key) const {
  for (QWidget* page : pages())
    if (page->property(kKey).toString() == key) return page;
  return nullptr;
}

void ViewTabs::set_title(QWidget* page, const QString& title) {
  page->setProperty(kTitle, title);
  page->setWindowTitle(title);
  if (const int i = indexOf(page); i >= 0) {
    setTabText(i, title);
    setTabToolTip(i, title + " (double-click: into a window of its own)");
  }
}

void ViewTabs::remove_page(QWidget* page) {
  if (const int i = indexOf(page); i >= 0) removeTab(i);
  std::erase_if(torn_, [page](const QPointer<QWidget>& p) { return p == page || !p; });
  page->hide();
  page->deleteLater();
}

void ViewTabs::tear_off(int index) {
  QWidget* page = widget(index);
  if (page == nullptr || !page->property(kKey).isValid()) return;
  removeTab(index);
  // Still a child of the main window (it goes with it), shown as a window of its own.
  page->setParent(window(), Qt::Window);
  page->setWindowTitle(page->property(kTitle).toString());
  page->installEventFilter(this);
  torn_.push_back(page);
  page->resize(720, 540);
  page->show();
}

void ViewTabs::put_back(QWidget* page) {
  std::erase_if(torn_, [page](const QPointer<QWidget>& p) { return p == page || !p; });
  page->removeEventFilter(this);
  const int i = addTab(page, page->property(kTitle).toString());
  set_title(page, page->property(kTitle).toString());
  setCurrentIndex(i);
}

bool ViewTabs::eventFilter(QObject* watched, QEvent* event) {
  // Closing a torn-off picture's window puts it back among the tabs.
  auto* page = qobject_cast<QWidget*>(watched);
  if (event->type() == QEvent::Close && page != nullptr &&
      std::find(torn_.begin(), torn_.end(), QPointer<QWidget>(page)) != torn_.end()) {
    event->ignore();
    QTimer::singleShot(0, this, [this, guarded = QPointer<QWidget>(page)] {
      if (guarded) put_back(guarded);
    });
    return true;
  }
  return QTabWidget::eventFilter(watched, event);
}

Handle ViewTabs::show_figure(const QString& key, Handle figure, const QString& title) {
  if (QWidget* page = page_for(key)) {
    auto* view = page->findChild<PlotView*>("ViewPlot");
    const Handle before = view->figure();
    view->set_figure(figure);
    fit_surface_view(graphics_, page);
    set_title(page, title);
    if (const int i = indexOf(page); i >= 0)
      setCurrentIndex(i);
    else
      page->raise();
    return before == figure ? 0 : before;
  }
  QWidget* page =
      make_tab(graphics_, figure, key, [this](const std::string& text) { emit notice(QString::fromStdString(text)); });
  connect(page->findChild<PlotView*>("ViewPlot"), &PlotView::point_clicked, this, &ViewTabs::point_clicked);
  setCurrentIndex(addTab(page, title));
  fit_surface_view(graphics_, page);
  set_title(page, title);
  return 0;
}

void ViewTabs::figure_changed(Handle figure) {
  if (QWidget* page = page_of(figure)) {
    page->findChild<PlotView*>("ViewPlot")->model_changed();
    if (auto* gl = page->findChild<SurfaceView*>("ViewSurface")) gl->update();
  }
}

void ViewTabs::figure_closed(Handle figure) {
  if (QWidget* page = page_of(figure)) remove_page(page);
}

std::vector<Handle> ViewTabs::figures() const {
  std::vector<Handle> out;
  for (QWidget* page : pages()) out.push_back(page->findChild<PlotView*>("ViewPlot")->figure());
  return out;
}

PlotView* ViewTabs::view(const QString& key) const {
  QWidget* page = page_for(key);
  return page == nullptr ? nullptr : page->findChild<PlotView*>("ViewPlot");
}

QString ViewTabs::title(const QString& key) const {
  QWidget* page = page_for(key);
  return page == nullptr ? QString() : page->property(kTitle).toString();
}

QString ViewTabs::key_of(Handle figure) const {
  QWidget* page = page_of(figure);
  return page == nullptr ? QString() : page->property(kKey).toString();
}

}  // namespace velmora
