// The desktop program: the main window arranged as the study workspace.
#include <QApplication>
#include <iostream>

#include "app/gui.h"
#include "app/gui_qt.h"
#include "desktop/workspace.h"

namespace velmora {

int run_gui(int argc, char** argv, const std::string& study) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Velmora3d");
  QApplication::setOrganizationName("Velmora3d");
  DesktopApp desktop;
  try {
    desktop.start();
  } catch (const std::exception& e) {
    std::cerr << "velmora3d: cannot start: " << e.what() << "\n";
    return 1;
  }
  Workspace workspace(desktop);
  if (!study.empty() && !workspace.open_study(study))
    std::cerr << "velmora3d: the study " << study << " was not opened (the window says why)\n";
  return QApplication::exec();
}

}  // namespace velmora
