// The Exercise menu: the task beside the source, Check, and a failed case
// loaded into the machine for stepping through it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTableWidget>

#include "support/desktop_fixture.h"
#include "support/qt_wait.h"
#include "widgets/code_editor.h"
#include "workbench/exercise_panel.h"
#include "workbench/workbench_window.h"

namespace zar {
namespace {

class ExerciseMenu : public test::DesktopTest {};

TEST_F(ExerciseMenu, ChecksTheSourceLoadsAFailedCaseAndSaysWhyAFileIsNone) {
  WorkbenchWindow& workbench = desktop.ShowWorkbench();
  dialogs.answers = {QStringLiteral(ZAR_EXERCISES_DIR "/07_stars.json")};
  Trigger(workbench, "mopenexercise");
  ExercisePanel& panel = workbench.ExerciseView();
  ASSERT_TRUE(panel.HasExercise());
  EXPECT_TRUE(panel.isVisibleTo(&workbench));
  const QTableWidget& cases = panel.Cases();
  ASSERT_EQ(cases.rowCount(), 3);
  const auto results = [&] {
    QStringList texts;
    for (int row = 0; row < cases.rowCount(); ++row) texts << cases.item(row, 1)->text().section(':', 0, 0);
    return texts.join(' ').toStdString();
  };
  // Without the jump for the digit 0 it prints one star for it.
  const QString zeroStar =
      "MOV,c48,48\nMOV,one,1\nMOV,star,214\nMOV,nl,246\n:wait\nSUB,m,m,?\nSUB,m,254,?\nSUB,n,n,?\nSUB,n,m,?\n"
      "SUB,n,zero,wait\nSUB,n,c48,?\n:loop\nSUB,255,star,?\nSUB,n,one,done\nGTO,loop\n:done\nSUB,255,nl,?\n:end\n"
      "GTO,end\nSET,c48\nSET,one\nSET,star\nSET,nl\nSET,m\nSET,n\nSET,zero";
  workbench.Editor().SetWholeText(zeroStar);
  Trigger(workbench, "mcheck");
  EXPECT_EQ(results(), "PASS FAIL PASS");
  EXPECT_EQ(cases.item(1, 1)->text().toStdString(), "FAIL: console \"*\\n\" expected \"\\n\"");

  // The case "none" in the machine: its key comes at step 100 while the run waits.
  emit panel.Cases().cellDoubleClicked(1, 0);
  EXPECT_TRUE(controller.HasTimedInputs());
  controller.RunFullSpeed();
  EXPECT_TRUE(test::WaitFor([&] { return controller.Console().Visible() == "*\n"; }));
  controller.Stop();

  workbench.Editor().SetWholeText(QString(zeroStar).replace("SUB,n,c48,?", "SUB,n,c48,done"));
  Trigger(workbench, "mcheck");
  EXPECT_EQ(results(), "PASS PASS PASS");
  workbench.Editor().SetWholeText("GTO,nowhere");
  Trigger(workbench, "mcheck");
  EXPECT_TRUE(cases.item(0, 1)->text().startsWith("FAIL: the source does not assemble: Compile Failed"));

  // A file the loader refuses is a message that keeps the exercise; a FIFO is not waited on.
  temp.Write("big.json", "{\"title\": 1e400}");
  ASSERT_EQ(::mkfifo(temp.File("pipe.json").c_str(), 0600), 0);
  ::alarm(20);  // a blocked read ends the test instead of hanging it
  for (const char* name : {"big.json", "pipe.json"}) {
    dialogs.answers = {Path(name)};
    Trigger(workbench, "mopenexercise");
  }
  ::alarm(0);
  EXPECT_EQ(dialogs.messages,
            QStringList({Path("big.json") + ":1:11: number overflow parsing '1e400'",
                         "Cannot read file \"" + Path("pipe.json") + "\": nothing to read from this pipe"}));
  EXPECT_EQ(cases.rowCount(), 3);
}

}  // namespace
}  // namespace zar
