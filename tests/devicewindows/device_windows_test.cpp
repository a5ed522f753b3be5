// The Screen window follows the controller's steps.
#include <gtest/gtest.h>

#include <QApplication>

#include "controller/machine_controller.h"
#include "devicewindows/screen_window.h"
#include "support/desktop_fixture.h"
#include "support/memory_image.h"

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

}  // namespace
}  // namespace zar
