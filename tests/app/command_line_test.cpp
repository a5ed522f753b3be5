// The desktop's command line, a file named on it, and what is remembered
// from one start to the next (in a settings file of the test's own).
#include "app/command_line.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QSettings>

#include <cstdio>
#include <tuple>

#include "support/desktop_fixture.h"
#include "ui/remembered.h"
#include "widgets/code_editor.h"
#include "workbench/workbench_window.h"
#include "zar/version.h"

namespace zar {
namespace {

using Action = CommandLine::Action;

TEST(CommandLine, PrintsHelpAndVersionWithoutAWindowOrNamesTheFile) {
  const struct {
    QStringList arguments;
    Action action;
    QString text, file;
  } cases[] = {{{"--help"}, Action::Print, "Usage: zar-workbench [options] [FILE]\n", {}},
               {{"-v"}, Action::Print, QString("zar-workbench %1\n").arg(VersionText), {}},
               {{"p.oisc"}, Action::Open, {}, "p.oisc"},
               {{"a", "b"}, Action::Fail, "Give one FILE at most.", {}},
               {{"--bogus"}, Action::Fail, "Unknown option 'bogus'.", {}}};
  for (const auto& c : cases) {
    const CommandLine line = ReadCommandLine(QStringList{"zar-workbench"} + c.arguments);
    EXPECT_EQ(std::tuple(line.action, line.text.startsWith(c.text), line.file), std::tuple(c.action, true, c.file))
        << c.arguments.join(' ').toStdString() << ": " << line.text.toStdString();
  }
  // The program's help without a display to connect to.
  FILE* out = popen("env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY " ZAR_WORKBENCH " --help", "r");
  char first[64] = {};
  ASSERT_NE(std::fgets(first, sizeof first, out), nullptr);
  EXPECT_EQ(pclose(out), 0);
  EXPECT_STREQ(first, "Usage: zar-workbench [options] [FILE]\n");
}

using OpenFile = test::DesktopTest;

// Judged by content: a program file's lines hold cell values, a source's do not.
TEST_F(OpenFile, LoadsAProgramFileOrOpensASource) {
  temp.Write("program.txt", "7\r\n9\r\n");
  temp.Write("source.txt", "NUL\nNXT");
  desktop.OpenFile(Path("program.txt"));
  EXPECT_EQ(std::tuple(machine.Memory[1], window.LoadedProgramPath()), std::tuple(Byte{9}, Path("program.txt")));
  desktop.OpenFile(Path("source.txt"));
  EXPECT_EQ(desktop.ShowWorkbench().Editor().WholeText(), "NUL\nNXT");
  // A FIFO with nobody at its other end is read, and written, without waiting.
  ASSERT_EQ(::mkfifo(temp.File("pipe").c_str(), 0600), 0);
  const MemoryCells before = machine.Memory;
  ::alarm(20);  // a blocked call ends the test instead of hanging it
  desktop.OpenFile(Path("pipe"));
  controller.SaveProgram(temp.File("pipe"));
  ::alarm(0);
  const QString why = "Cannot %1 file \"" + Path("pipe") + "\": %2";
  EXPECT_EQ(std::tuple(machine.Memory == before, window.LoadedProgramPath(), dialogs.messages),
            std::tuple(true, Path("pipe"),
                       QStringList({why.arg("read", "nothing to read from this pipe"),
                                    why.arg("write", "no program is reading this pipe")})));
}

TEST(Remembered, KeepsRecentFilesFoldersAndTheHelpPlaceAcrossStarts) {
  const test::TempFolder temp;
  const QString file = QString::fromStdString(temp.File("zar.conf").string());
  const QString folder = QString::fromStdString(temp.File("").parent_path().string());
  {
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue("recentFiles", QStringList(100, "/many.OIA"));  // as by hand: only the kept ones are read
    Remembered first(&settings);
    EXPECT_EQ(first.RecentFiles().size(), Remembered::RecentKept);
    first.ForgetRecentFiles();
    for (const char* path : {"/a.OIA", "/b.OIA", "/a.OIA"}) first.AddRecentFile(path);
    first.SetDialogChoice("sources", folder + "/x.OIA");
    first.SetHelpGeometry("place");
  }
  QSettings settings(file, QSettings::IniFormat);
  test::FakeDialogs dialogs;
  Desktop desktop(dialogs, &settings);
  const Remembered again(&settings);
  EXPECT_EQ(again.RecentFiles(), (QStringList{"/a.OIA", "/b.OIA"}));
  EXPECT_EQ(again.HelpGeometry(), "place");
  desktop.ShowWorkbench().findChild<QAction*>("mload")->trigger();
  EXPECT_EQ(dialogs.lastStartPath, folder);
  desktop.Main().findChild<QAction*>("mforgetrecent")->trigger();
  EXPECT_TRUE(QSettings(file, QSettings::IniFormat).value("recentFiles").toStringList().isEmpty());
}

}  // namespace
}  // namespace zar
