// The desktop program: the main window arranged as the study workspace.
#include <QApplication>
#include <QIcon>
#include <iostream>

#include "app/gui.h"
#include "app/gui_qt.h"
#include "desktop/study_file.h"
#include "desktop/workspace.h"

namespace velmora {

int run_gui(int argc, char** argv, const std::string& study) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Velmora3d");
  QApplication::setOrganizationName("Velmora3d");
  // The installed menu entry and icon: the desktop ties the windows to them.
  QGuiApplication::setDesktopFileName("velmora3d");
  QApplication::setWindowIcon(QIcon::fromTheme("velmora3d"));
  DesktopApp desktop;
  try {
    desktop.start();
  } catch (const std::exception& e) {
    std::cerr << "velmora3d: cannot start: " << e.what() << "\n";
    return 1;
  }
  Workspace workspace(desktop);
  if (!study.empty()) {
    try {
      read_study_file(study);
    } catch (const std::exception& e) {
      std::cerr << "velmora3d: " << e.what() << "\n";  // the window says it too
    }
    workspace.open_study(study);
  }
  return QApplication::exec();
}

}  // namespace velmora
