// The Screen window follows the controller's steps.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>

#include "controller/machine_controller.h"
#include "devicewindows/screen_window.h"
#include "support/desktop_fixture.h"
#include "support/memory_image.h"
#include "support/temp_folder.h"

namespace zar {
namespace {

void Show(QWidget& window) {
  window.show();
  QApplication::processEvents();
}

using Colours = std::vector<QColor>;
Colours At(const QImage& image, std::initializer_list<QPoint> points) {
  Colours colours;
  for (const QPoint& p : points) colours.push_back(image.pixelColor(p));
  return colours;
}

const QColor Black(0, 0, 0);

// Plots the colour of cells 250..252 at (cell 248, cell 249) in a step:
//   0: SUB 253,10,0   cell 253 := 0 - 253 = 3, back to 0
class ScreenWindowTest : public testing::Test {
 protected:
  void Plot(int x, int y, int red) {
    controller.LoadImage(test::Image({253, 10, 0}, {{10, 253}, {248, x}, {249, y}, {250, red}}));
    controller.Step();
  }

  MachineController controller;
  test::FakeDialogs dialogs;
  ScreenWindow window{controller, dialogs};
};

// The window paints what was drawn before it was shown, while it is shown
// and while it was closed, on black past the store's last row and column.
TEST_F(ScreenWindowTest, ShowsTheStoreWhetherCommandsCameBeforeOrAfter) {
  Plot(30, 40, 200);
  Show(window);
  Plot(255, 255, 7);
  QApplication::processEvents();
  EXPECT_EQ(At(window.findChild<QWidget*>("p1")->grab().toImage(), {{30, 40}, {255, 255}, {40, 30}, {256, 256}}),
            Colours({QColor(200, 0, 0), QColor(7, 0, 0), Black, Black}));
  window.close();
  Plot(6, 7, 100);
  Show(window);
  EXPECT_EQ(window.Picture().pixelColor(6, 7), QColor(100, 0, 0));
}

// "Save Picture..." in the context menu writes the store as a PNG picture; a
// file that cannot be written is reported and nothing is left behind.
TEST_F(ScreenWindowTest, SavesThePictureAsPngOrSaysWhyNot) {
  QStringList failures;
  QObject::connect(&controller, &MachineController::FileFailed, [&](const QString& why) { failures << why; });
  Plot(30, 40, 200);
  const test::TempFolder temp;
  const QString saved = QString::fromStdString(temp.File("screen.png").string());
  dialogs.answers = QStringList{saved, QString::fromStdString(temp.File("none/screen.png").string())};
  auto* save = window.findChild<QAction*>("msavepicture");
  ASSERT_TRUE(save != nullptr && window.actions().contains(save));
  save->trigger();
  save->trigger();
  EXPECT_EQ(At(QImage(saved), {{30, 40}, {40, 30}, {255, 255}}), Colours({QColor(200, 0, 0), Black, Black}));
  EXPECT_EQ(failures.size(), 1);
  EXPECT_FALSE(std::filesystem::exists(temp.File("none")));
}

}  // namespace
}  // namespace zar
