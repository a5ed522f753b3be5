// The Exercise menu: the task beside the source, Check, a failed case
// loaded into the machine for stepping through it, and the course.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>

#include <algorithm>

#include "exercise/course.h"

#include "support/desktop_fixture.h"
#include "support/qt_wait.h"
#include "widgets/code_editor.h"
#include "workbench/child_windows.h"
#include "workbench/course_menu.h"
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
    for (int row = 0; row < cases.rowCount(); ++row) {
      texts << cases.item(row, ExercisePanel::ResultColumn)->text().section(':', 0, 0) + " " +
                   cases.item(row, ExercisePanel::PointsColumn)->text();
    }
    return texts.join(' ').toStdString();
  };
  // Without the jump for the digit 0 it prints one star for it.
  const QString zeroStar =
      "MOV,c48,48\nMOV,one,1\nMOV,star,214\nMOV,nl,246\n:wait\nSUB,m,m,?\nSUB,m,254,?\nSUB,n,n,?\nSUB,n,m,?\n"
      "SUB,n,zero,wait\nSUB,n,c48,?\n:loop\nSUB,255,star,?\nSUB,n,one,done\nGTO,loop\n:done\nSUB,255,nl,?\n:end\n"
      "GTO,end\nSET,c48\nSET,one\nSET,star\nSET,nl\nSET,m\nSET,n\nSET,zero";
  workbench.Editor().SetWholeText(zeroStar);
  Trigger(workbench, "mcheck");
  EXPECT_EQ(results(), "PASS 1 / 1 FAIL 0 / 1 PASS 2 / 2");
  EXPECT_EQ(cases.item(1, ExercisePanel::ResultColumn)->text().toStdString(),
            "FAIL: console \"*\\n\" expected \"\\n\"");

  // The case "none" in the machine: its key comes at step 100 while the run waits.
  emit panel.Cases().cellDoubleClicked(1, 0);
  EXPECT_TRUE(controller.HasTimedInputs());
  controller.RunFullSpeed();
  EXPECT_TRUE(test::WaitFor([&] { return controller.Console().Visible() == "*\n"; }));
  controller.Stop();

  workbench.Editor().SetWholeText(QString(zeroStar).replace("SUB,n,c48,?", "SUB,n,c48,done"));
  Trigger(workbench, "mcheck");
  EXPECT_EQ(results(), "PASS 1 / 1 PASS 1 / 1 PASS 2 / 2");
  workbench.Editor().SetWholeText("GTO,nowhere");
  Trigger(workbench, "mcheck");
  EXPECT_TRUE(cases.item(0, ExercisePanel::ResultColumn)
                  ->text()
                  .startsWith("FAIL: the source does not assemble: Compile Failed"));

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

  // The hints one at a time behind the button; the task and cases stay clear of the child windows.
  for (int shown = 0; shown < 3; ++shown) panel.HintButton().click();
  EXPECT_FALSE(panel.HintButton().isEnabled());
  const QString task = panel.Task().toPlainText();
  EXPECT_TRUE(task.contains("Hint 1. Wait in a loop") && task.contains("Hint 2. Count down")) << task.toStdString();
  const QWidget& area = *workbench.centralWidget();
  EXPECT_TRUE(test::WaitFor([&] { return area.width() < workbench.width() - panel.width() + 10; }));
  for (QWidget* child : {(QWidget*)&workbench.TableWindow(), (QWidget*)&workbench.OutputWindow()}) {
    EXPECT_LE(child->geometry().right(), area.width()) << child->objectName().toStdString();
  }
}

TEST_F(ExerciseMenu, FollowsTheCourseAndLoadsItsStarters) {
  EXPECT_TRUE(ListedAsExercise("07_stars.json"));
  for (const char* name : {"course.json", "my_course.json", "exercise.schema.json"}) {
    EXPECT_FALSE(ListedAsExercise(name)) << name;
  }
  Course course;
  std::string error;
  ASSERT_TRUE(LoadCourse(ZAR_EXERCISES_DIR "/course.json", course, error)) << error;
  WorkbenchWindow& workbench = desktop.ShowWorkbench();
  const QList<QAction*> entries = Find<QMenu>(workbench, "mcourse")->actions();
  ASSERT_EQ(entries.size(), static_cast<qsizetype>(course.entries.size()));
  for (qsizetype i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i]->text().remove('&'), QString("%1 %2").arg(i + 1).arg(course.entries[i].title.c_str()));
  }
  QAction* next = Find<QAction>(workbench, "mnextexercise");
  QAction* previous = Find<QAction>(workbench, "mpreviousexercise");
  const auto checked = [&] {
    const auto at = std::find_if(entries.begin(), entries.end(), [](QAction* a) { return a->isChecked(); });
    return at == entries.end() ? -1 : static_cast<int>(at - entries.begin());
  };
  EXPECT_TRUE(next->isEnabled());
  EXPECT_FALSE(previous->isEnabled());

  // The first exercise has a starter: unsaved changes are asked about first, and a cancel opens nothing.
  CodeEditor& editor = workbench.Editor();
  const auto edit = [&] {
    editor.selectAll();
    editor.insertPlainText("MOV,t,65");
  };
  edit();
  dialogs.saveChoice = SaveChoice::Cancel;
  entries[0]->trigger();
  EXPECT_EQ(dialogs.messages, QStringList{"Save changes?"});
  EXPECT_EQ(editor.WholeText(), "MOV,t,65");
  EXPECT_FALSE(workbench.ExerciseView().HasExercise());
  EXPECT_EQ(checked(), -1);
  dialogs.saveChoice = SaveChoice::Discard;
  next->trigger();
  QFile starter(ZAR_EXERCISES_DIR "/01_starter.OIA");
  ASSERT_TRUE(starter.open(QIODevice::ReadOnly));
  EXPECT_EQ(editor.WholeText(), QString::fromLatin1(starter.readAll()).replace("\r\n", "\n"));
  EXPECT_FALSE(editor.document()->isModified());
  EXPECT_EQ(workbench.SourceWindow().windowTitle(), "SourceCode");
  EXPECT_EQ(checked(), 0);

  // To the end and one back; an exercise without a starter keeps the source.
  edit();
  for (qsizetype i = 1; i < entries.size(); ++i) next->trigger();
  EXPECT_EQ(checked(), entries.size() - 1);
  EXPECT_FALSE(next->isEnabled());
  EXPECT_TRUE(previous->isEnabled());
  previous->trigger();
  EXPECT_EQ(checked(), entries.size() - 2);
  EXPECT_EQ(editor.WholeText(), "MOV,t,65");
  EXPECT_EQ(dialogs.messages.size(), 2) << dialogs.messages.join("|").toStdString();
}

}  // namespace
}  // namespace zar
