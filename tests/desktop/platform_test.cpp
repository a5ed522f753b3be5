#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>

#include "platform/app_info.h"
#include "platform/console_view.h"
#include "platform/key_codes.h"
#include "platform/run_timer.h"
#include "platform/text_area.h"

namespace zar {
namespace {

void ProcessEventsFor(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST(RunTimer, RefusesIntervalsOutsideTheRangeAndKeepsTheOldOne) {
  RunTimer timer;
  EXPECT_EQ(timer.Interval(), 50);
  EXPECT_FALSE(timer.SetInterval(-1));
  EXPECT_FALSE(timer.SetInterval(65536));
  EXPECT_EQ(timer.Interval(), 50);
  EXPECT_TRUE(timer.SetInterval(65535));
  EXPECT_EQ(timer.Interval(), 65535);
}

TEST(RunTimer, ZeroIntervalHoldsTheTicksWhileStayingEnabled) {
  RunTimer timer;
  int ticks = 0;
  QObject::connect(&timer, &RunTimer::Tick, [&] { ++ticks; });
  timer.SetEnabled(true);
  timer.SetInterval(0);
  ProcessEventsFor(50);
  EXPECT_EQ(ticks, 0);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_FALSE(timer.Ticking());
  timer.SetInterval(1);
  ProcessEventsFor(100);
  EXPECT_GT(ticks, 10);
  timer.SetEnabled(false);
  const int stopped = ticks;
  ProcessEventsFor(30);
  EXPECT_EQ(ticks, stopped);
}

TEST(RunTimer, DropsTicksWhileAModalDialogIsOpen) {
  RunTimer timer;
  int ticks = 0;
  QObject::connect(&timer, &RunTimer::Tick, [&] { ++ticks; });
  timer.SetInterval(1);
  timer.SetEnabled(true);
  QDialog dialog;
  dialog.setModal(true);
  dialog.show();
  ProcessEventsFor(50);
  EXPECT_EQ(ticks, 0);
  dialog.hide();
  ProcessEventsFor(50);
  EXPECT_GT(ticks, 0);
}

struct KeyCase {
  int qtKey;
  Qt::KeyboardModifiers modifiers;
  int code;
};

TEST(VirtualKeyCode, TranslatesQtKeysToWindowsCodes) {
  const KeyCase cases[] = {
      {Qt::Key_A, Qt::NoModifier, 65},          {Qt::Key_A, Qt::ShiftModifier, 65},
      {Qt::Key_Z, Qt::NoModifier, 90},          {Qt::Key_0, Qt::NoModifier, 48},
      {Qt::Key_9, Qt::NoModifier, 57},          {Qt::Key_Exclam, Qt::ShiftModifier, 49},
      {Qt::Key_Return, Qt::NoModifier, 13},     {Qt::Key_Enter, Qt::KeypadModifier, 13},
      {Qt::Key_Space, Qt::NoModifier, 32},      {Qt::Key_Backspace, Qt::NoModifier, 8},
      {Qt::Key_Escape, Qt::NoModifier, 27},     {Qt::Key_Left, Qt::NoModifier, 37},
      {Qt::Key_Up, Qt::NoModifier, 38},         {Qt::Key_Right, Qt::NoModifier, 39},
      {Qt::Key_Down, Qt::NoModifier, 40},       {Qt::Key_F1, Qt::NoModifier, 112},
      {Qt::Key_F12, Qt::NoModifier, 123},       {Qt::Key_5, Qt::KeypadModifier, 101},
      {Qt::Key_Plus, Qt::KeypadModifier, 107},  {Qt::Key_Comma, Qt::NoModifier, 188},
      {Qt::Key_Shift, Qt::ShiftModifier, 16},   {Qt::Key_Delete, Qt::NoModifier, 46},
      {Qt::Key_unknown, Qt::NoModifier, 0},
  };
  for (const KeyCase& c : cases) {
    EXPECT_EQ(VirtualKeyCode(c.qtKey, c.modifiers), c.code) << "Qt key " << std::hex << c.qtKey;
  }
}

TEST(TextArea, EveryKindOfLineBreakIsOneBreak) {
  TextArea area;
  area.SetWholeText("a\rb\nc\r\nd\r\re");
  EXPECT_EQ(area.WholeText(), "a\nb\nc\nd\n\ne");
  EXPECT_EQ(area.document()->blockCount(), 6);
}

TEST(ConsoleView, AppendsCharactersAndBreaksLinesOnceForAPair) {
  ConsoleView console;
  for (const QChar c : QString("Hi\r\nyou\rthere\n\nend")) console.AppendCharacter(c);
  EXPECT_EQ(console.Text(), "Hi\nyou\nthere\n\nend");
  console.Clear();
  EXPECT_EQ(console.Text(), "");
  console.AppendCharacter('A');
  EXPECT_EQ(console.Text(), "A");
}

TEST(ConsoleView, TabsAdvanceToTheNextEighthColumn) {
  ConsoleView console;
  for (const QChar c : QString("ab\tc\t")) console.AppendCharacter(c);
  EXPECT_EQ(console.Text(), "ab      c       ");
}

TEST(ConsoleView, KeepsFollowingTheEndOfALongOutput) {
  ConsoleView console;
  console.resize(200, 100);
  for (int i = 0; i < 2000; ++i) console.AppendCharacter(i % 10 == 9 ? QChar('\n') : QChar('x'));
  EXPECT_EQ(console.Text().count('\n'), 200);
  console.show();
  ProcessEventsFor(10);
}

TEST(AppInfo, FiltersAndFontsAreUsable) {
  EXPECT_EQ(FileFilter("OISC Programme(*.OISC)", "*.oisc"), "OISC Programme(*.OISC) (*.oisc *.OISC)");
  EXPECT_TRUE(FixedFont(9.75).fixedPitch());
  EXPECT_DOUBLE_EQ(FixedFont(8.25).pointSizeF(), 8.25);
}

}  // namespace
}  // namespace zar
