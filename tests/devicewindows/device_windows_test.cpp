// The Screen and Debugger windows follow the controller.
#include <gtest/gtest.h>

#include <QApplication>

#include <functional>
#include <tuple>

#include "controller/machine_controller.h"
#include "debugger/debugger_window.h"
#include "devicewindows/screen_window.h"
#include "formats/program_file.h"
#include "support/desktop_fixture.h"
#include "support/memory_image.h"
#include "support/qt_wait.h"

namespace zar {
namespace {

// The window paints what was drawn before it was shown, while it is shown
// and while it was closed, on black past the store's last row and column.
TEST(ScreenWindow, ShowsTheStoreWhetherCommandsCameBeforeOrAfter) {
  MachineController controller;
  test::FakeDialogs dialogs;
  ScreenWindow window(controller, dialogs);
  // Plots the colour of cells 250..252 at (cell 248, cell 249): 0: SUB 253,10,0, cell 253 := 0 - 253 = 3.
  const auto plot = [&](int x, int y, int red) {
    controller.LoadImage(test::Image({253, 10, 0}, {{10, 253}, {248, x}, {249, y}, {250, red}}));
    controller.Step();
    QApplication::processEvents();
  };
  plot(30, 40, 200);
  window.show();
  plot(255, 255, 7);
  const QImage painted = window.findChild<QWidget*>("p1")->grab().toImage();
  EXPECT_EQ(std::vector<QColor>({painted.pixelColor(30, 40), painted.pixelColor(255, 255), painted.pixelColor(40, 30),
                                 painted.pixelColor(256, 256)}),
            std::vector<QColor>({QColor(200, 0, 0), QColor(7, 0, 0), QColor(0, 0, 0), QColor(0, 0, 0)}));
  window.close();
  plot(6, 7, 100);
  window.show();
  QApplication::processEvents();
  EXPECT_EQ(window.Picture().pixelColor(6, 7), QColor(100, 0, 0));
}

using DebuggerWindowTest = test::DesktopTest;

// The state line says where a run or a step back ended, forgets it with the
// machine it was about (Reset Machine, Load), says that full speed waits and
// that a dialog holds it; the steps count from the last load. A refusal goes
// once something else has been done.
TEST_F(DebuggerWindowTest, SaysWhereTheRunIsAndForgetsItWithTheMachine) {
  DebuggerWindow& debugger = desktop.ShowDebuggerWindow();
  temp.Write("p.oisc", ProgramFileText(test::Image({20, 21, 0}, {{21, 255}})));
  window.LoadProgram(Path("p.oisc"));  // cell 20 counts up
  dialogs.answers = {Path("p.oisc")};  // for Load
  for (const char* load : {"resip", "menld"}) {
    controller.SetWatch(20, true);
    controller.RunFullSpeed();
    ASSERT_TRUE(test::WaitFor([&] { return !controller.FullSpeed(); }));
    EXPECT_EQ(debugger.StateText(), "State: stopped at watch 20: 0 -> 1");
    controller.Step();
    controller.StepBack();
    EXPECT_EQ(debugger.StateText(), "State: stepped back to step 1");
    Trigger(window, load);
    EXPECT_EQ(debugger.StateText(), "State: stopped");
  }
  controller.LoadImage(MemoryCells{});  // 0 - 0 at 0: full speed waits
  controller.RunFullSpeed();
  ASSERT_TRUE(test::WaitFor([&] { return controller.Run().waiting; }));
  controller.SetPaused(true);
  EXPECT_EQ(std::tuple(debugger.StateText(), debugger.StepsText().startsWith("Steps: 1 ")),
            std::tuple(QString("State: waiting at a fixed point (IP 0), paused while a dialog is open"), true));
  controller.SetPaused(false);
  controller.Stop();
  const std::function<void()> actions[] = {[&] { debugger.ToggleBreakpoint("7"); }, [&] { controller.Step(); },
                                           [&] { Trigger(window, "fillNULL"); }, [&] { debugger.SetCell("9", "1"); }};
  for (const auto& action : actions) {
    EXPECT_FALSE(debugger.SetIP("253"));
    EXPECT_TRUE(debugger.NoteText().startsWith("Refused: "));
    action();
    EXPECT_EQ(debugger.NoteText(), "");
  }
  EXPECT_FALSE(debugger.ToggleWatch("256"));
  EXPECT_EQ(debugger.NoteText(), "Refused: a watch is on a cell 0..255.");
}

}  // namespace
}  // namespace zar
