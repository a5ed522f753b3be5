// The main window: its start, a step, the key field as a person uses it, a
// modal dialog, and the memory picture and text.
#include "frontpanel/main_window.h"

#include <gtest/gtest.h>

#include <xcb/xproto.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <tuple>

#include "frontpanel/input_fields.h"
#include "frontpanel/memory_view.h"
#include "machine/memory_text.h"
#include "widgets/code_editor.h"
#include "widgets/text_area.h"
#include "workbench/workbench_window.h"
#include "support/desktop_fixture.h"
#include "support/memory_image.h"
#include "support/qt_wait.h"

namespace zar {
namespace {

class MainWindowTest : public test::DesktopTest {
 protected:
  static void Key(QWidget* target, QEvent::Type type, int key, const QString& text = {}) {
    QKeyEvent event(type, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &event);
  }
  // The memory text as the window shows it, and as it should show the machine.
  QString Shown() { return Find<TextArea>(window, "rtb1")->WholeText(); }
  QString Expected() { return QString::fromLatin1(MemoryText(machine)).replace('\r', '\n'); }
};

// The machine starts stopped with random memory, shown at once, under the
// program's icon; a step draws once; the key field gives the machine each key
// as it is released.
TEST_F(MainWindowTest, StartsStoppedAndAStepAndTheKeyFieldDriveTheMachine) {
  EXPECT_TRUE(machine.Memory != MemoryCells{} && !controller.Running());
  EXPECT_EQ(Shown(), Expected());
  EXPECT_EQ(window.windowIcon().pixmap(128).toImage().pixelColor(47, 26), QColor(0x18, 0xd0, 0x48));  // IP's square
  controller.LoadImage(test::Image({20, 21, 0}, {{21, 255}}));  // cell 20 counts up
  const int draws = window.View().Draws();
  Click("Command3");
  EXPECT_EQ(std::vector<int>({machine.Memory[20], window.View().Draws()}), std::vector<int>({1, draws + 1}));

  auto* keys = Find<KeyField>(window, "keyb");
  Key(keys, QEvent::KeyPress, Qt::Key_A, "a");
  EXPECT_EQ(machine.Memory[KeyCell], 0);  // a press stores nothing of its own
  Key(keys, QEvent::KeyRelease, Qt::Key_A, "a");
  EXPECT_EQ(machine.Memory[KeyCell], 65);
  QKeyEvent alt(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::AltModifier);
  alt.ignore();
  QApplication::sendEvent(keys, &alt);
  EXPECT_TRUE(alt.isAccepted());  // the left Alt key stays with the machine, not the menus
  Key(keys, QEvent::KeyRelease, Qt::Key_Alt);
  EXPECT_EQ(machine.Memory[KeyCell], 18);
}

TEST_F(MainWindowTest, AModalDialogHoldsARunAtFullSpeedUntilItCloses) {
  // 0: prints character 1, 3: back to 0, for ever (a loop that prints never waits)
  controller.LoadImage(test::Image({255, 21, 3, 22, 22, 0}, {{21, 255}}));
  controller.RunFullSpeed();
  ASSERT_TRUE(test::WaitFor([&] { return controller.Steps() > 1000; }));
  QDialog box(&window);
  std::uint64_t opened = 0, later = 0;
  QTimer::singleShot(20, &box, [&] {
    opened = controller.Steps();
    test::Linger(50);
    later = controller.Steps();
    box.accept();
  });
  box.exec();
  EXPECT_EQ(later, opened);
  const std::uint64_t closed = controller.Steps();
  EXPECT_TRUE(test::WaitFor([&] { return controller.Steps() > closed; }));
  controller.Stop();
}

TEST_F(MainWindowTest, MemoryPictureShowsGreysWithTheInstructionMarked) {
  DesktopTest::Trigger(window, "fillup");  // IP 0, A 0, B 1, C 2
  auto* p1 = Find<MemoryPicture>(window, "p1");
  QMouseEvent rightClick(QEvent::MouseButtonRelease, QPointF(1 + 37 % 16 * 10 + 5, 1 + 37 / 16 * 10 + 5), QPointF(),
                         Qt::RightButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(p1, &rightClick);  // a breakpoint on cell 37
  const QImage picture = p1->Picture();
  auto cellPixel = [&](int cell, int dx, int dy) {
    return picture.pixelColor(1 + cell % 16 * 10 + dx, 1 + cell / 16 * 10 + dy);
  };
  // A's red drawn over IP's green, B's blue, C's yellow; inside the breakpoint's outline the cell's grey, and its dot.
  EXPECT_EQ(std::vector<QColor>(
                {cellPixel(0, 0, 0), cellPixel(1, 9, 9), cellPixel(2, 0, 5), cellPixel(37, 1, 1), cellPixel(37, 5, 5)}),
            std::vector<QColor>({QColor(255, 0, 0), QColor(0, 128, 255), QColor(255, 255, 0), QColor(37, 37, 37),
                                 QColor(255, 0, 255)}));
  int wrong = 0;  // every pixel of the other cells in its own grey, edges included
  for (int cell = 3; cell < 256; ++cell) {
    for (int d = 0; d < 100; ++d) wrong += cell != 37 && cellPixel(cell, d % 10, d / 10) != QColor(cell, cell, cell);
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(MainWindowTest, MemoryTextFollowsEveryStep) {
  // 0: SUB 100,101,40; 40: SUB 102,103,90; 90: SUB 104,105,93; 93: SUB 106,107,93: the marks move over rows
  // 0, 2 and 5 while 0 becomes 251, 9 becomes 255 and 100 becomes 99; then they stay while 25 becomes 255.
  // clang-format off
  controller.LoadImage(test::Image({100, 101, 40}, {{40, 102}, {41, 103}, {42, 90}, {90, 104}, {91, 105}, {92, 93},
                                                    {93, 106}, {94, 107}, {95, 93}, {101, 5}, {102, 9}, {103, 10},
                                                    {104, 100}, {105, 1}, {106, 25}, {107, 26}}));
  // clang-format on
  for (int step = 0; step <= 5; ++step) {
    EXPECT_EQ(Shown(), Expected()) << "after step " << step;
    Click("Command3");
  }
}

// The window system destroying the main window's native window (a window
// manager's kill) ends the program as closing the window does; kept open
// for an unsaved source, the window gets a native window again.
TEST_F(MainWindowTest, LosingItsNativeWindowEndsTheProgram) {
  window.show();
  desktop.ShowWorkbench().Editor().textCursor().insertText("NUL");  // the question is answered Cancel
  int closings = 0;
  QObject::connect(&window, &MainWindow::Closing, [&] { ++closings; });
  const auto destroy = [&](WId id) {
    xcb_destroy_notify_event_t lost{XCB_DESTROY_NOTIFY, 0, 0, 0, static_cast<xcb_window_t>(id)};
    QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &lost, nullptr);
    QApplication::processEvents();
    return std::tuple(closings, window.isVisible(), dialogs.messages.size());
  };
  const WId first = window.winId();
  EXPECT_EQ(destroy(first), std::tuple(0, true, 1));
  EXPECT_NE(window.winId(), first);
  dialogs.saveChoice = SaveChoice::Discard;
  EXPECT_EQ(destroy(window.winId() + 1), std::tuple(0, true, 1));  // not one of ours
  EXPECT_EQ(destroy(window.winId()), std::tuple(1, false, 2));
}

}  // namespace
}  // namespace zar
