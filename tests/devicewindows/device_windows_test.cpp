// The Screen and History windows follow the controller's steps.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>

#include "controller/machine_controller.h"
#include "devicewindows/history_window.h"
#include "devicewindows/screen_window.h"
#include "support/fake_dialogs.h"
#include "support/memory_image.h"
#include "support/temp_folder.h"

namespace zar {
namespace {

void Show(QWidget& window) {
  window.show();
  QApplication::processEvents();
}

using test::Image;

// Plots the colour of cells 250..252 at (cell 248, cell 249) in every step:
//   0: SUB 253,10,0   cell 253 := 0 - 253 = 3, back to 0
MemoryCells PlotProgram(int x, int y, int red) {
  return Image({253, 10, 0}, {{10, 253}, {248, x}, {249, y}, {250, red}});
}

class ScreenWindowTest : public testing::Test {
 protected:
  void Plot(int x, int y, int red) {
    controller.LoadImage(PlotProgram(x, y, red));
    controller.Step();
  }

  MachineController controller;
  test::FakeDialogs dialogs;
  ScreenWindow window{controller, dialogs};
};

TEST_F(ScreenWindowTest, ShowsTheStoreWhetherCommandsCameBeforeOrAfter) {
  Plot(30, 40, 200);  // while the window was never shown
  Show(window);
  Plot(255, 255, 7);
  QApplication::processEvents();
  const QImage painted = window.findChild<QWidget*>("p1")->grab().toImage();
  EXPECT_EQ(painted.pixelColor(30, 40), QColor(200, 0, 0));
  EXPECT_EQ(painted.pixelColor(255, 255), QColor(7, 0, 0));
  EXPECT_EQ(painted.pixelColor(40, 30), QColor(0, 0, 0));
  EXPECT_EQ(painted.pixelColor(256, 256), QColor(0, 0, 0));  // the row and column past the store
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
  const QString missing = QString::fromStdString(temp.File("none/screen.png").string());
  dialogs.answers = QStringList{saved, missing, QString()};
  auto* save = window.findChild<QAction*>("msavepicture");
  ASSERT_TRUE(save != nullptr && window.actions().contains(save));
  for (int i = 0; i < 3; ++i) save->trigger();  // saved, refused, cancelled
  const QImage picture(saved);
  EXPECT_EQ(picture.size(), QSize(256, 256));
  EXPECT_EQ(std::vector<QColor>({picture.pixelColor(30, 40), picture.pixelColor(40, 30)}),
            std::vector<QColor>({QColor(200, 0, 0), QColor(0, 0, 0)}));
  ASSERT_EQ(failures.size(), 1);
  EXPECT_TRUE(failures[0].contains(missing)) << failures[0].toStdString();
  EXPECT_FALSE(std::filesystem::exists(temp.File("none")));
}

// Samples are taken only while the window is shown; the plot draws a bar
// under each sample, a flat history along the bottom, to the window's size.
TEST(HistoryWindow, TakesSamplesWhileShownAndPlotsBarsUnderTheCurveToItsSize) {
  MachineController controller;
  HistoryWindow window(controller);
  const QColor background = window.palette().color(QPalette::Button), black(0, 0, 0);
  const auto at = [&](std::initializer_list<QPoint> points) {
    std::vector<QColor> colours;
    for (const QPoint& p : points) colours.push_back(window.Plot().pixelColor(p));
    return colours;
  };
  controller.LoadImage(MemoryCells{});  // 0: SUB 0,0,0 changes nothing
  controller.Step();
  EXPECT_TRUE(window.LabelText().isEmpty());
  Show(window);
  EXPECT_EQ(at({{200, 100}}), std::vector<QColor>({background}));
  controller.Step();
  QApplication::processEvents();
  EXPECT_EQ(at({{100, 209}, {100, 208}}), std::vector<QColor>({black, background}));

  window.close();
  controller.LoadImage(Image({}, {{100, 200}, {101, 50}}));
  controller.Step();  // not recorded
  Show(window);
  controller.Step();
  QApplication::processEvents();
  EXPECT_EQ(window.LabelText(), "Current: 250 MAX:250 MIN:0 DIFF:250");
  EXPECT_EQ(controller.History().Samples()[SumHistory::Size - 2], 0);
  // The older samples are zero bars, the rise at the right edge.
  EXPECT_EQ(at({{156, 209}, {156, 150}, {311, 100}}), std::vector<QColor>({black, background, black}));
  window.resize(600, 400);
  QApplication::processEvents();
  EXPECT_EQ(at({{590, 399}, {300, 200}}), std::vector<QColor>({black, background}));
}

}  // namespace
}  // namespace zar
