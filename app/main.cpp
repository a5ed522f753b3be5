#include <QApplication>
#include <QSettings>

#include <csignal>
#include <cstdio>

#include "app/command_line.h"
#include "desktop/desktop.h"
#include "ui/app_info.h"
#include "ui/dialogs.h"
#include "zar/version.h"

int main(int argc, char** argv) {
  // A file-size limit or a FIFO whose reader went away fails the write
  // (EFBIG, EPIPE), which the save reports, instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  // Where the settings live: ~/.config/ZAR/ZAR.conf on Linux.
  QCoreApplication::setOrganizationName(zar::ApplicationTitle);
  QCoreApplication::setApplicationName(zar::ApplicationTitle);
  QCoreApplication::setApplicationVersion(zar::VersionText);

  // --help and --version are answered before any window, or display, is needed.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const zar::CommandLine command = zar::ReadCommandLine(arguments);
  if (command.action == zar::CommandLine::Action::Print) {
    std::fputs(qPrintable(command.text), stdout);
    return 0;
  }
  if (command.action == zar::CommandLine::Action::Fail) {
    std::fprintf(stderr, "zar-workbench: %s\nTry 'zar-workbench --help'.\n", qPrintable(command.text));
    return 2;
  }

  QApplication app(argc, argv);
  // The program ends with its main window, not with its last window.
  QApplication::setQuitOnLastWindowClosed(false);

  QSettings settings;
  zar::QtDialogs dialogs;
  zar::Desktop desktop(dialogs, &settings);
  QObject::connect(&desktop.Main(), &zar::MainWindow::Closing, &app, &QApplication::quit, Qt::QueuedConnection);
  desktop.Main().show();
  if (!command.file.isEmpty()) desktop.OpenFile(command.file);
  return QApplication::exec();
}
