#pragma once

#include <QString>
#include <QStringList>

namespace zar {

// What the command line of zar-workbench asks for: a window, with a file to
// open or none, or a text to print before ending without one (the help, the
// version, or why the command line is wrong).
struct CommandLine {
  enum class Action { Open, Print, Fail };
  Action action = Action::Open;
  QString text;  // Print: for stdout; Fail: for stderr
  QString file;  // Open: the file named, if any
};

// Reads the arguments (the program's name first). Needs no application
// object, so that --help and --version work where no display is.
CommandLine ReadCommandLine(const QStringList& arguments);

}  // namespace zar
