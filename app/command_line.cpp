#include "app/command_line.h"

#include <QCommandLineParser>

#include "zar/version.h"

namespace zar {

CommandLine ReadCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "The desktop workbench of the ZAR one-instruction computer: its memory,\n"
      "console, screen, network device, debugger and macro assembler.");
  const QCommandLineOption help({"h", "help"}, "Print this help and end.");
  const QCommandLineOption version({"v", "version"}, "Print the version and end.");
  parser.addOption(help);
  parser.addOption(version);
  parser.addPositionalArgument("FILE",
                               "A program file to load into memory, as File > Load does, or an assembler "
                               "source to open in the workbench (a name ending in .OIA, or no line holding a "
                               "cell value).",
                               "[FILE]");
  if (!parser.parse(arguments)) return {CommandLine::Action::Fail, parser.errorText(), {}};
  if (parser.isSet(help)) {
    // The usage line names the program as installed, however it was started.
    QString text = parser.helpText();
    text.replace(0, text.indexOf(" [options]"), "Usage: zar-workbench");
    return {CommandLine::Action::Print, text, {}};
  }
  if (parser.isSet(version)) return {CommandLine::Action::Print, QString("zar-workbench %1\n").arg(VersionText), {}};
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) return {CommandLine::Action::Fail, "Give one FILE at most.", {}};
  return {CommandLine::Action::Open, {}, files.value(0)};
}

}  // namespace zar
