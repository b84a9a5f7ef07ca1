// The desktop program on the offscreen platform: start-up, controls, actions
// from the window, message boxes, plot windows and long work in the background.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QTextBlock>
#include <QTextDocument>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <fstream>
#include <iostream>

#include "app/dispatcher.h"
#include "app/gui_qt.h"
#include "app/guihandles.h"
#include "display/shape_space_plot.h"
#include "runtime/error.h"
#include "runtime/flat_layout.h"
#include "runtime/qt/msgboxd_dialog.h"
#include "runtime/qt/plot_window.h"
#include "runtime/qt/surface_view.h"
#include "runtime/render_layout.h"
#include "support/qt_event_loop.h"
#include "support/sample_factory.h"

namespace velmora {
namespace {

const std::filesystem::path kSource = VELMORA_SOURCE_DIR;
const std::filesystem::path kResources = kSource / "resources";
const std::filesystem::path kSkull = kSource / "examples" / "skull3d";

using testing::application;
using testing::settle;
using testing::wait_until;

class Desktop : public ::testing::Test {
 protected:
  void SetUp() override {
    application();
    desktop_ = std::make_unique<DesktopApp>(std::vector<std::filesystem::path>{kResources});
    main_handle_ = desktop_->start();
    // File dialogs answer from a script of paths; each records its title.
    port().set_file_dialog_hook(
        [this](bool save, std::string_view filter, std::string_view title) -> std::optional<FileChoice> {
          dialogs_.emplace_back(title);
          if (answers_.empty()) return std::nullopt;
          const std::filesystem::path p = answers_.front();
          answers_.erase(answers_.begin());
          return FileChoice{p.filename().string(), p.parent_path()};
        });
  }
  void TearDown() override {
    wait_until([&] { return !desktop_->running(); });
    desktop_.reset();
    settle();
  }

  QtPort& port() { return desktop_->port(); }
  QMainWindow& window() { return *port().main_window(); }

  // The button (else the menu item) whose callback runs `action`.
  void click(const std::string& action) {
    const QString callback = QString::fromStdString("vm3sw " + action);
    for (auto* b : window().findChildren<QAbstractButton*>())
      if (b->property("callback").toString() == callback) {
        b->click();
        return;
      }
    for (auto* a : window().findChildren<QAction*>())
      if (a->property("callback").toString() == callback) {
        a->trigger();
        return;
      }
    FAIL() << "no control calls " << action;
  }

  std::vector<MsgboxdDialog*> boxes(const std::string& title) {
    settle();
    std::vector<MsgboxdDialog*> out;
    for (auto* b : port().message_boxes())
      if (b->title() == title && b->isVisible()) out.push_back(b);
    return out;
  }

  std::unique_ptr<DesktopApp> desktop_;
  Handle main_handle_ = 0;
  std::vector<std::string> answers_;
  std::vector<std::string> dialogs_;
};

TEST_F(Desktop, StartUpFindsEveryTagAndStoresTheHandles) {
  ASSERT_NE(port().main_window(), nullptr);
  EXPECT_EQ(window().windowTitle(), "Velmora3d");
  EXPECT_TRUE(window().isVisible());
  for (const char* tag : {"BigBox", "FileBox2", "ResultsBox", "ZEPButton", "BootBox", "DotCheck"}) {
    EXPECT_TRUE(port().has_control(tag)) << tag;
    EXPECT_NE(port().object(port().control_handle(tag)), nullptr) << tag;
  }
  // The three report boxes are read-only text; DotCheck is a checkable menu item.
  for (const char* tag : {"BigBox", "FileBox2", "ResultsBox"}) {
    auto* box = qobject_cast<QPlainTextEdit*>(port().object(port().control_handle(tag)));
    ASSERT_NE(box, nullptr) << tag;
    EXPECT_TRUE(box->isReadOnly()) << tag;
  }
  auto* dot = qobject_cast<QAction*>(port().object(port().control_handle("DotCheck")));
  ASSERT_NE(dot, nullptr);
  EXPECT_TRUE(dot->isCheckable());

  // The handles structure is stored with the window.
  const std::any data = port().app_data(main_handle_, kGuiDataKey);
  const auto* handles = std::any_cast<HandlesStruct>(&data);
  ASSERT_NE(handles, nullptr);
  for (const char* tag : {"BigBox", "FileBox2", "ResultsBox", "ZEPButton", "BootBox", "DotCheck"})
    EXPECT_TRUE(std::any_of(handles->begin(), handles->end(), [&](const auto& f) { return f.first == tag; })) << tag;
  const auto key = std::any_cast<std::vector<Handle>>(port().app_data(0, "Velmora3d_SINGLETON_handle"));
  EXPECT_EQ(key, std::vector<Handle>{main_handle_});
}

TEST_F(Desktop, EveryActionHasAControlAndCommonOnesAShortcut) {
  std::map<std::string, int> controls;
  for (auto* o : window().findChildren<QObject*>()) {
    const QString cb = o->property("callback").toString();
    if (cb.startsWith("vm3sw ")) ++controls[cb.mid(6).toStdString()];
  }
  for (const auto& name : Dispatcher::action_names()) EXPECT_GE(controls[name], 1) << name;
  EXPECT_EQ(controls.size(), Dispatcher::action_names().size());  // no callback names an unknown action
  for (const char* action : {"LoadProto", "LoadFile1", "LoadFile2", "GoodallF", "OpenFigure"}) {
    bool shortcut = false;
    for (auto* a : window().findChildren<QAction*>())
      if (a->property("callback").toString() == QString("vm3sw ") + action && !a->shortcut().isEmpty()) shortcut = true;
    EXPECT_TRUE(shortcut) << action;
  }
}

TEST_F(Desktop, ReuseOpensNoSecondWindow) {
  EXPECT_EQ(desktop_->start(), main_handle_);
  int windows = 0;
  for (auto* w : QApplication::topLevelWidgets())
    if (qobject_cast<QMainWindow*>(w) != nullptr && w->objectName() == "Velmora3d") ++windows;
  EXPECT_EQ(windows, 1);
}

TEST_F(Desktop, MissingLayoutStopsStartUpNamingTheFile) {
  DesktopApp other(std::vector<std::filesystem::path>{kSource / "no-such-folder"});
  try {
    other.start();
    FAIL() << "start-up went on without its layout";
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("Velmora3d.ui"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("no-such-folder"), std::string::npos) << e.what();
  }
}

TEST_F(Desktop, LoadProtoWritesTheReportIntoBigBox) {
  answers_ = {(kSkull / "protocol.txt").string()};
  click("LoadProto");
  ASSERT_EQ(dialogs_.size(), 1u);
  const std::string report = port().control_string("BigBox");
  EXPECT_NE(report.find("protocol.txt"), std::string::npos) << report;
  auto* box = qobject_cast<QPlainTextEdit*>(port().object(port().control_handle("BigBox")));
  EXPECT_EQ(box->toPlainText().toStdString(), report);
  settle();
  EXPECT_NE(port().console_text().find("stemp"), std::string::npos);  // the echoes reach the console pane
  auto* pane = window().findChild<QPlainTextEdit*>("ConsolePane");
  ASSERT_NE(pane, nullptr);
  EXPECT_TRUE(pane->toPlainText().contains("stemp"));

  // A cancelled dialog changes nothing.
  click("LoadProto");
  EXPECT_EQ(port().control_string("BigBox"), report);
}

TEST_F(Desktop, ToggleDotsFlipsTheMenuCheck) {
  auto* dot = qobject_cast<QAction*>(port().object(port().control_handle("DotCheck")));
  ASSERT_NE(dot, nullptr);
  EXPECT_FALSE(dot->isChecked());
  click("ToggleDots");
  EXPECT_TRUE(dot->isChecked());
  EXPECT_EQ(port().control_checked("DotCheck"), "on");
  dot->trigger();  // the menu item itself calls ToggleDots
  EXPECT_FALSE(dot->isChecked());
  EXPECT_EQ(port().control_checked("DotCheck"), "off");
}

TEST_F(Desktop, DoubleClickInBigBoxRunsItsCallbackThroughVelmora3d) {
  auto* box = qobject_cast<QPlainTextEdit*>(port().object(port().control_handle("BigBox")));
  ASSERT_NE(box, nullptr);
  QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(box->viewport(), &click);
  EXPECT_NE(port().console_text().find("BigBox Callback not implemented yet.\n"), std::string::npos);
}

TEST_F(Desktop, BootBoxShowsTheSetsItMeans) {
  auto* boot = qobject_cast<QComboBox*>(port().object(port().control_handle("BootBox")));
  ASSERT_NE(boot, nullptr);
  ASSERT_EQ(boot->count(), 10);
  for (int v = 1; v <= 10; ++v) EXPECT_EQ(boot->itemText(v - 1).toInt(), 100 * v * v);
  EXPECT_EQ(port().control_value("BootBox"), 1);
  port().set_control_value("BootBox", 3);
  EXPECT_EQ(boot->currentText(), "900");
  EXPECT_EQ(port().control_value("BootBox"), 3);
  EXPECT_THROW(port().set_control_value("BootBox", 11), RuntimeError);
  port().set_control_value("ZEPButton", 1);
  EXPECT_EQ(port().control_value("ZEPButton"), 1);
  EXPECT_THROW(port().control_value("NoSuchTag"), RuntimeError);
}

TEST_F(Desktop, MessageBoxShowsTextTitleAndClosesOnSpaceOrReturn) {
  const std::string text = "Between Group Distance 0.01234,  F score= 2.5000";
  desktop_->table().call("msgboxd", {text, std::string("Results of Goodall F-Test")}, 1);
  auto shown = boxes("Results of Goodall F-Test");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0]->windowTitle(), "Results of Goodall F-Test");
  EXPECT_EQ(shown[0]->shown_text().toStdString(), text);
  auto* ok = shown[0]->findChild<QAbstractButton*>("OKButton");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), "OK");

  QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QApplication::sendEvent(shown[0], &other);
  EXPECT_EQ(boxes("Results of Goodall F-Test").size(), 1u);
  QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
  QApplication::sendEvent(shown[0], &space);
  settle();
  EXPECT_TRUE(boxes("Results of Goodall F-Test").empty());

  desktop_->table().call("msgboxd", {std::string("again"), std::string("R")}, 0);
  shown = boxes("R");
  ASSERT_EQ(shown.size(), 1u);
  QKeyEvent ret(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  QApplication::sendEvent(shown[0], &ret);
  EXPECT_TRUE(boxes("R").empty());

  desktop_->table().call("msgboxd", {std::string("and again"), std::string("E")}, 0);
  shown = boxes("E");
  ASSERT_EQ(shown.size(), 1u);
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(shown[0], &esc);
  EXPECT_TRUE(boxes("E").empty());
}

TEST_F(Desktop, MessageBoxModes) {
  const std::string t = "Same title";
  port().message_box("one", t, MessageMode::non_modal);
  port().message_box("two", t, MessageMode::non_modal);
  EXPECT_EQ(boxes(t).size(), 2u);
  port().message_box("three", t, MessageMode::replace);
  auto left = boxes(t);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0]->shown_text(), "three");

  // With an icon the text moves right of it; an unknown icon is corrected with a warning.
  desktop_->table().call("msgboxd", {std::string("careful"), std::string("Icon"), std::string("warn")}, 0);
  auto warned = boxes("Icon");
  ASSERT_EQ(warned.size(), 1u);
  auto* icon = warned[0]->findChild<QLabel*>("IconAxes");
  ASSERT_NE(icon, nullptr);
  EXPECT_TRUE(icon->isVisibleTo(warned[0]));
  EXPECT_GT(warned[0]->findChild<QLabel*>("MessageBox")->x(), icon->x() + icon->width());
  desktop_->table().call("msgboxd", {std::string("x"), std::string("Bad icon"), std::string("sparkly")}, 0);
  EXPECT_NE(port().console_text().find("Warning: Invalid string for Icon in MSGBOX.\n"), std::string::npos);
  ASSERT_EQ(boxes("Bad icon").size(), 1u);
  EXPECT_FALSE(boxes("Bad icon")[0]->findChild<QLabel*>("IconAxes")->isVisibleTo(boxes("Bad icon")[0]));

  // A long text wraps at 75 columns and widens the box past its 210 points.
  std::string long_text;
  for (int i = 0; i < 40; ++i) long_text += "word ";
  port().message_box(long_text, "Long", MessageMode::non_modal);
  auto long_box = boxes("Long");
  ASSERT_EQ(long_box.size(), 1u);
  for (const auto& line : long_box[0]->shown_text().split('\n')) EXPECT_LE(line.size(), 75);
  EXPECT_GT(long_box[0]->width(), 210 * long_box[0]->logicalDpiY() / 72.0);
}

TEST_F(Desktop, ErrorsGoToTheConsoleAndABox) {
  click("GoodallF");  // no samples yet: the action fails
  settle();
  const auto failed = boxes("Velmora3d: the action failed");
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_FALSE(failed[0]->text().empty());
  EXPECT_NE(port().console_text().find(failed[0]->text()), std::string::npos);
  click("ShowMean1");  // a second failure replaces the text of the one box
  const auto again = boxes("Velmora3d: the action failed");
  ASSERT_EQ(again.size(), 1u);
  EXPECT_NE(again[0]->text().find("ShowMean1"), std::string::npos) << again[0]->text();
}

TEST_F(Desktop, PlotWindowsFollowTheModel) {
  Graphics& g = port().graphics();
  const Handle f = g.new_figure();
  Eigen::VectorXd x(3), y(3), z(3);
  x << 0, 1, 0;
  y << 0, 0, 1;
  z << 0, 0, 0;
  g.plot3(x, y, z, "bo");
  settle();
  PlotWindow* w = port().plot_window(f);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  // The picture has something besides the white background.
  const QImage image = w->view()->picture(QSize(200, 150));
  bool drawn = false;
  for (int i = 0; i < image.width() && !drawn; ++i)
    for (int j = 0; j < image.height() && !drawn; ++j) drawn = image.pixelColor(i, j) != QColor(Qt::white);
  EXPECT_TRUE(drawn);
  // Exports in the four formats.
  const auto dir = std::filesystem::temp_directory_path() / "velmora_gui_export";
  std::filesystem::create_directories(dir);
  for (const char* ext : {".png", ".svg", ".pdf", ".eps"}) {
    const auto path = dir / (std::string("plot") + ext);
    w->export_to(path);
    EXPECT_GT(std::filesystem::file_size(path), 100u) << ext;
  }
  EXPECT_THROW(w->export_to(dir / "plot.bmp"), RuntimeError);
  // The user closing the window closes the figure; the model closing it closes the window.
  w->close();
  settle();
  EXPECT_FALSE(g.is_handle(f));
  const Handle f2 = g.new_figure();
  settle();
  ASSERT_NE(port().plot_window(f2), nullptr);
  g.close(f2);
  settle();
  EXPECT_EQ(port().plot_window(f2), nullptr);
}

// A window whose figure gains a surface draws it by OpenGL where a context
// can be made, by its plot view otherwise.
TEST_F(Desktop, APlotWindowOfSurfacesUsesOpenGLWhereItCan) {
  Graphics& g = port().graphics();
  const Handle f = g.new_figure();
  g.plot3(Eigen::Vector3d(0, 1, 0), Eigen::Vector3d(0, 0, 1), Eigen::Vector3d::Zero(), "bo");
  settle();
  PlotWindow* w = port().plot_window(f);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->findChild<SurfaceView*>("ViewSurface"), nullptr);  // no surface yet
  auto shape = std::make_shared<SurfaceShape>();
  shape->vertices.resize(3, 3);
  shape->vertices << 0, 0, 0, 1, 0, 0, 0, 1, 0;
  shape->triangles.resize(1, 3);
  shape->triangles << 0, 1, 2;
  g.figure(f);  // the port's own window may be the current one
  g.surface(shape, Rgb{0.8, 0.8, 0.8});
  settle();
  ASSERT_TRUE(has_surfaces(g, f));
  auto* gl = w->findChild<SurfaceView*>("ViewSurface");
  EXPECT_EQ(gl != nullptr && gl->isVisible(), opengl_available());
  EXPECT_EQ(w->view()->isVisible(), !opengl_available());
  w->close();
  settle();
}

TEST_F(Desktop, DragRotatesWheelZoomsResetReturns) {
  Graphics& g = port().graphics();
  const Handle f = g.new_figure();
  Eigen::VectorXd x(2), y(2), z(2);
  x << 0, 1;
  y << 0, 1;
  z << 0, 1;
  g.plot3(x, y, z, "r*");
  settle();
  PlotWindow* w = port().plot_window(f);
  ASSERT_NE(w, nullptr);
  PlotView* view = w->view();
  EXPECT_FALSE(view->view().has_value());  // the plot's own camera
  const QImage before = view->picture(QSize(160, 120));

  QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 50), QPointF(50, 50), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent move(QEvent::MouseMove, QPointF(90, 30), QPointF(90, 30), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view, &press);
  QApplication::sendEvent(view, &move);
  ASSERT_TRUE(view->view().has_value());
  EXPECT_DOUBLE_EQ(view->view()->azimuth, -37.5 - 0.5 * 40);
  EXPECT_DOUBLE_EQ(view->view()->elevation, 30 - 0.5 * 20);
  EXPECT_NE(view->picture(QSize(160, 120)), before);  // the picture turned

  QWheelEvent wheel(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(view, &wheel);
  EXPECT_GT(view->view()->zoom, 1);
  // The wheel zooms at the pointer: the point under it stays under it.
  {
    const QSize size = view->size();
    auto at = [&](const RenderView& v) {
      return layout_axes(g, f, size.width(), size.height(), v).project(Eigen::Vector3d(1, 1, 1));
    };
    const Eigen::Vector2d before_zoom = at(*view->view());
    const QPointF pointer(before_zoom.x(), before_zoom.y());
    QWheelEvent in(pointer, pointer, QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &in);
    EXPECT_LT((at(*view->view()) - before_zoom).norm(), 1e-6);
    EXPECT_NE(at(*view->view()), at(RenderView{view->view()->azimuth, view->view()->elevation, 1}));
  }

  QAction* reset = w->findChild<QAction*>("ResetView");
  ASSERT_NE(reset, nullptr);
  reset->trigger();
  EXPECT_FALSE(view->view().has_value());
  EXPECT_EQ(view->picture(QSize(160, 120)), before);
  for (const char* name : {"ExportPNG", "ExportSVG", "ExportPDF", "ExportEPS"})
    EXPECT_NE(w->findChild<QAction*>(name), nullptr) << name;
}

TEST_F(Desktop, WaitingOnAModalBoxReturnsWhenItCloses) {
  const Handle box = port().message_box("Saved.", "Modal", MessageMode::modal);
  auto shown = boxes("Modal");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0]->windowModality(), Qt::ApplicationModal);
  QTimer::singleShot(50, shown[0], &QDialog::close);
  port().wait_message_box(box);  // returns once the box is gone
  EXPECT_TRUE(boxes("Modal").empty());

  // From a worker: the wait blocks the worker only.
  std::atomic<bool> waited{false};
  port().run_in_background("Work", [&] {
    const Handle h = port().message_box("From the worker", "Modal 2", MessageMode::modal);
    port().wait_message_box(h);
    waited = true;
  });
  ASSERT_TRUE(wait_until([&] { return boxes("Modal 2").size() == 1; }, 10000));
  settle(50);
  EXPECT_FALSE(waited);
  boxes("Modal 2")[0]->close();
  ASSERT_TRUE(wait_until([&] { return !port().busy(); }, 10000));
  EXPECT_TRUE(waited);
}

TEST_F(Desktop, WorkerThreadUsesThePortSafely) {
  std::string seen;
  double value = 0;
  Handle box = 0;
  port().run_in_background("Work", [&] {
    value = port().control_value("BootBox");
    port().set_control_string("ResultsBox", "from the worker");
    seen = port().control_string("ResultsBox");
    port().set_pointer("watch");
    box = port().message_box("done", "Worker", MessageMode::non_modal);
    port().console().write("worker line\n");
    port().progress("Work", 5, 10);
    port().set_pointer("arrow");
    try {
      port().control_string("NoSuchTag");  // a failure on the GUI thread comes back to the worker
    } catch (const RuntimeError& e) {
      seen += std::string(" | ") + e.what();
    }
  });
  EXPECT_TRUE(port().busy());
  ASSERT_TRUE(wait_until([&] { return !port().busy(); }));
  EXPECT_EQ(value, 1);
  EXPECT_EQ(seen, "from the worker | The main window has no control tagged NoSuchTag.");
  EXPECT_NE(box, 0);
  EXPECT_EQ(boxes("Worker").size(), 1u);
  settle();
  EXPECT_NE(port().console_text().find("worker line"), std::string::npos);
}

TEST_F(Desktop, TheConsoleKeepsTheLatestLinesWithinItsBounds) {
  auto* pane = window().findChild<QPlainTextEdit*>("ConsolePane");
  ASSERT_NE(pane, nullptr);
  std::vector<std::string> messages;
  QObject::connect(&port(), &QtPort::console_message, pane,
                   [&](const QString& m) { messages.push_back(m.toStdString()); });
  std::streambuf* stderr_buffer = std::cerr.rdbuf(nullptr);  // the same text goes to standard error
  // Written within one action on the GUI thread, as a protocol of many curves
  // echoes its growing report: many lines, then lines longer than the pane keeps.
  Console& console = port().console();
  console.write("the first message\n");
  for (int i = 0; i < 3 * QtPort::kPaneLines; ++i) console.echo("count", static_cast<double>(i));
  std::string long_line;
  while (long_line.size() < QtPort::kConsoleKept / 4) long_line += "-0.123456x";
  for (int i = 0; i < 10; ++i) console.echo("stemp", long_line + std::to_string(i));
  console.echo("count", 42.0);
  console.write("the last message\n");
  std::cerr.rdbuf(stderr_buffer);
  settle();

  const std::string kept = port().console_text();
  EXPECT_LE(kept.size(), 2 * QtPort::kConsoleKept);
  EXPECT_TRUE(kept.starts_with("stemp = ")) << kept.substr(0, 40);  // whole lines go
  EXPECT_TRUE(kept.ends_with("count = 42\nthe last message\n"));
  const QTextDocument* doc = pane->document();
  EXPECT_LE(doc->blockCount(), QtPort::kPaneLines + 1);  // and the note
  EXPECT_LE(doc->characterCount(), QtPort::kPaneCharacters + 200);
  EXPECT_TRUE(doc->firstBlock().text().startsWith("[Older lines were dropped"))
      << doc->firstBlock().text().left(80).toStdString();
  EXPECT_TRUE(pane->toPlainText().endsWith("count = 42\nthe last message\n"));
  // The messages come one by one, none dropped, no echo among them.
  EXPECT_EQ(messages, (std::vector<std::string>{"the first message\n", "the last message\n"}));
}

TEST_F(Desktop, CancelStopsLongWork) {
  std::atomic<bool> stopped{false};
  port().run_in_background("Work", [&] {
    for (int i = 0; i < 100000; ++i) {
      if (!port().progress("Work", i, 100000)) {
        stopped = true;
        return;
      }
      QThread::msleep(1);
    }
  });
  settle(150);
  auto* dialog = window().findChild<QProgressDialog*>("ProgressDialog");
  ASSERT_NE(dialog, nullptr);
  // Not modal, so the plots can still be turned; it tells the time gone and left.
  EXPECT_EQ(dialog->windowModality(), Qt::NonModal);
  ASSERT_TRUE(wait_until([&] { return dialog->labelText().contains("elapsed"); }, 5000));
  ASSERT_TRUE(wait_until([&] { return dialog->labelText().contains("left"); }, 5000))
      << dialog->labelText().toStdString();
  auto* cancel = dialog->findChild<QAbstractButton*>();
  ASSERT_NE(cancel, nullptr);
  cancel->click();
  ASSERT_TRUE(wait_until([&] { return !port().busy(); }));
  EXPECT_TRUE(stopped);
}

// The example study from the window: protocol, both samples, the plot, the tests.
TEST_F(Desktop, ExampleStudyEndToEnd) {
  answers_ = {(kSkull / "protocol.txt").string()};
  click("LoadProto");
  answers_ = {(kSkull / "first.tps").string()};
  click("LoadFile1");
  settle();
  EXPECT_TRUE(boxes("Velmora3d: the action failed").empty()) << port().console_text();
  const auto figures = port().graphics().figures();
  EXPECT_TRUE(std::any_of(figures.begin(), figures.end(), [&](Handle h) { return port().plot_window(h) != nullptr; }));

  port().set_control_value("ZEPButton", 1);
  answers_ = {(kSkull / "second.txt").string()};
  click("LoadFile2");
  EXPECT_NE(port().control_string("FileBox2").find("specimens"), std::string::npos);

  click("GoodallF");
  ASSERT_EQ(boxes("Results of Goodall F-Test").size(), 1u) << port().console_text();
  EXPECT_NE(boxes("Results of Goodall F-Test")[0]->text().find("F score"), std::string::npos);

  click("BootF");  // 100 sets in the background
  EXPECT_TRUE(desktop_->running());
  click("GoodallF");  // refused while the test runs
  ASSERT_TRUE(wait_until([&] { return !desktop_->running(); }));
  EXPECT_EQ(boxes("Results of Bootstrap F-Test").size(), 1u) << port().console_text();
  EXPECT_EQ(boxes("Results of Goodall F-Test").size(), 1u);

  click("GetDisparity");
  EXPECT_NE(port().control_string("ResultsBox").find("Variance"), std::string::npos);

  click("PermuteF");
  ASSERT_TRUE(wait_until([&] { return !desktop_->running(); }));
  EXPECT_EQ(boxes("Results of Permutation F-Test").size(), 1u) << port().console_text();
  port().set_control_string("ResultsBox", "");
  click("PermuteVariance");
  ASSERT_TRUE(wait_until([&] { return !desktop_->running(); }));
  EXPECT_FALSE(port().control_string("ResultsBox").empty());

  // Sliding in the background, by the criterion chosen in its box; the slid
  // samples are the study's from then on.
  port().set_control_value("SlideCriterion", 2);
  click("SlideSamples");
  ASSERT_TRUE(wait_until([&] { return !desktop_->running(); }));
  ASSERT_EQ(boxes("Slide semilandmarks").size(), 1u) << port().console_text();
  EXPECT_EQ(boxes("Slide semilandmarks")[0]->text().rfind("slid: Procrustes distance, ", 0), 0u);
  EXPECT_EQ(desktop_->dispatcher().state().slid1.rfind("slid: Procrustes distance, ", 0), 0u);

  // The plot window of the study: OpenFigure, the means, an export as shown.
  click("OpenFigure");
  click("ShowMean1");
  settle();
  ASSERT_TRUE(desktop_->dispatcher().state().fighand1.has_value());
  PlotWindow* plot = port().plot_window(*desktop_->dispatcher().state().fighand1);
  ASSERT_NE(plot, nullptr);
  const auto png = std::filesystem::temp_directory_path() / "velmora_gui_study.png";
  plot->export_to(png);
  EXPECT_GT(std::filesystem::file_size(png), 1000u);
  click("CopyImage");
  const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(copied, nullptr);
  EXPECT_TRUE(copied->hasFormat("image/png")) << copied->formats().join(",").toStdString();
  EXPECT_TRUE(copied->hasImage());
  EXPECT_TRUE(boxes("Velmora3d: the action failed").empty()) << port().console_text();
}

// ShapePCA runs in the background (a study of thousands of specimens takes
// seconds) and its plot window appears from there.
TEST_F(Desktop, ShapePcaRunsInTheBackgroundAndOpensItsWindow) {
  const testing::Study s = testing::make_study(9, 6, 7, 0.05, 0.1, 3);
  WorkingState& state = desktop_->dispatcher().mutable_state();
  state.data1 = s.data1;
  state.mean1 = s.mean1;
  state.data1cs = s.data1cs;
  state.data2 = s.data2;
  state.mean2 = s.mean2;
  state.data2cs = s.data2cs;
  const auto before = port().graphics().figures().size();
  click("ShapePCA");
  ASSERT_TRUE(wait_until([&] { return !desktop_->running(); }));
  settle();
  EXPECT_EQ(port().control_string("ResultsBox").rfind("PCA of 6 + 7 specimens, 9 points: PC1 ", 0), 0u)
      << port().console_text();
  ASSERT_EQ(port().graphics().figures().size(), before + 1);
  EXPECT_NE(port().plot_window(port().graphics().current_figure()), nullptr);
}

// A shape space plot: dragging does not tilt its flat axes, hovering names
// the specimen under the mouse; DiffScale holds the number it shows or is typed, 0 for "auto".
TEST_F(Desktop, ShapeSpaceWindowStaysFlatAndNamesItsPoints) {
  Graphics& g = port().graphics();
  const Handle f = g.new_figure();
  ShapeSpacePlot plot;
  plot.scores = Eigen::MatrixXd(4, 2);
  plot.scores << -1, 0.2, -0.5, -0.3, 0.6, 0.1, 0.9, 0.4;
  plot.sample = Eigen::Vector4i(1, 1, 2, 2);
  plot.proportions = Eigen::Vector3d(0.7, 0.2, 0.1);
  plot.names = {"sample 1, specimen 1", "sample 1, specimen 2", "sample 2, specimen 1", "sample 2, specimen 2"};
  plot_shape_space(g, f, plot);
  settle();
  PlotWindow* w = port().plot_window(f);
  ASSERT_NE(w, nullptr);
  PlotView* view = w->view();
  const QImage before = view->picture(view->size());
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 50), QPointF(50, 50), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent drag(QEvent::MouseMove, QPointF(90, 30), QPointF(90, 30), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view, &press);
  QApplication::sendEvent(view, &drag);
  EXPECT_FALSE(view->view().has_value());
  EXPECT_EQ(view->picture(view->size()), before);

  const auto layouts = layout_flat_axes(g, f, view->width(), view->height());
  ASSERT_FALSE(layouts.empty());
  const Eigen::Vector2d at = layouts[0].project(0.6, 0.1);
  EXPECT_EQ(view->name_at(QPoint(std::lround(at.x()), std::lround(at.y()))), "sample 2, specimen 1");
  EXPECT_EQ(view->name_at(QPoint(2, 2)), std::nullopt);

  EXPECT_EQ(port().control_value("DiffScale"), 0);  // "auto"
  port().set_control_value("DiffScale", 5);
  EXPECT_EQ(port().control_value("DiffScale"), 5);
  port().set_control_value("DiffScale", 7.5);  // typed: not one of 1, 3, 5, 10
  EXPECT_EQ(port().control_value("DiffScale"), 7.5);
  port().set_control_value("DiffScale", 0);
  EXPECT_EQ(port().control_value("DiffScale"), 0);
  EXPECT_EQ(port().control_value("PCXBox"), 1);
  EXPECT_EQ(port().control_value("PCYBox"), 2);
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// Pictures for the documentation: VELMORA_SCREENSHOTS=DIR qt_port_tests --gtest_filter=*Screenshots*
TEST_F(Desktop, Screenshots) {
  const char* dir_env = std::getenv("VELMORA_SCREENSHOTS");
  if (dir_env == nullptr) GTEST_SKIP() << "set VELMORA_SCREENSHOTS to a folder to take the pictures";
  const std::filesystem::path dir = dir_env;
  std::filesystem::create_directories(dir);
  window().resize(1000, 900);
  window().show();
  settle(100);

  // The study as far as this tree can run it; failures stay on the console.
  answers_ = {(kSkull / "protocol.txt").string()};
  click("LoadProto");
  answers_ = {(kSkull / "first.tps").string()};
  click("LoadFile1");
  port().set_control_value("ZEPButton", 1);
  answers_ = {(kSkull / "second.txt").string()};
  click("LoadFile2");
  answers_ = {(kSkull / "wireframe.txt").string()};
  click("LoadWireFrame");
  for (const char* a : {"OpenFigure", "ShowMean1", "ToggleDots", "ShowMean2", "AddLabels", "GetDisparity"}) click(a);
  settle(200);
  for (auto* b : port().message_boxes()) b->close();  // failures of actions not there yet
  settle();
  click("GoodallF");
  settle(200);

  // The main window and the plot window are pictured with the workspace (tests/desktop); here the boxes.
  for (auto* b : port().message_boxes()) {
    // The offscreen platform draws no frame: put the window's title above the box.
    const QPixmap body = b->grab();
    QPixmap framed(body.width(), body.height() + 28);
    framed.fill(QColor(60, 60, 60));
    QPainter painter(&framed);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, body.width(), 28), Qt::AlignCenter, b->windowTitle());
    painter.drawPixmap(0, 28, body);
    painter.end();
    const bool result = b->title() == "Results of Goodall F-Test";
    framed.save(QString::fromStdString((dir / (result ? "result-box.png" : "error-box.png")).string()));
  }
  std::ofstream(dir / "console.txt") << port().console_text();
}

}  // namespace
}  // namespace velmora
