#include <QApplication>

#include "frontpanel/desktop_state.h"
#include "frontpanel/main_window.h"
#include "platform/app_info.h"
#include "platform/dialogs.h"
#include "zar/version.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(zar::ApplicationTitle);
  QApplication::setApplicationVersion(zar::VersionText);
  // The program ends with its main window, not with its last window.
  QApplication::setQuitOnLastWindowClosed(false);

  zar::DesktopState state;
  zar::QtDialogs dialogs;
  zar::MainWindow window(state, dialogs);
  QObject::connect(&window, &zar::MainWindow::Closing, &app, &QApplication::quit, Qt::QueuedConnection);
  window.show();
  return QApplication::exec();
}
