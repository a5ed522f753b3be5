#include <QApplication>

#include <csignal>

#include "desktop/desktop.h"
#include "ui/app_info.h"
#include "ui/dialogs.h"
#include "zar/version.h"

int main(int argc, char** argv) {
  // A file-size limit or a FIFO whose reader went away fails the write
  // (EFBIG, EPIPE), which the save reports, instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  QApplication app(argc, argv);
  QApplication::setApplicationName(zar::ApplicationTitle);
  QApplication::setApplicationVersion(zar::VersionText);
  // The program ends with its main window, not with its last window.
  QApplication::setQuitOnLastWindowClosed(false);

  zar::QtDialogs dialogs;
  zar::Desktop desktop(dialogs);
  QObject::connect(&desktop.Main(), &zar::MainWindow::Closing, &app, &QApplication::quit, Qt::QueuedConnection);
  desktop.Main().show();
  return QApplication::exec();
}
