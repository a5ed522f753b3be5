// The Screen, History and Debugger windows follow the controller's steps.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>

#include "controller/machine_controller.h"
#include "debugger/debugger_window.h"
#include "devicewindows/history_window.h"
#include "devicewindows/screen_window.h"
#include "support/fake_dialogs.h"
#include "support/memory_image.h"
#include "support/qt_wait.h"
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

TEST(HistoryWindow, TakesSamplesWhileShownAndPlotsBarsUnderTheCurveToItsSize) {
  MachineController controller;
  HistoryWindow window(controller);
  const QColor background = window.palette().color(QPalette::Button), black(0, 0, 0);
  const auto at = [&](int x, int y) { return window.Plot().pixelColor(x, y); };
  controller.LoadImage(MemoryCells{});  // 0: SUB 0,0,0 changes nothing
  controller.Step();
  EXPECT_TRUE(window.LabelText().isEmpty());
  Show(window);
  EXPECT_EQ(at(200, 100), background);  // nothing recorded yet
  controller.Step();                    // a flat history lies along the bottom
  QApplication::processEvents();
  EXPECT_EQ(at(100, 209), black);
  EXPECT_EQ(at(100, 208), background);

  window.close();
  controller.LoadImage(Image({}, {{100, 200}, {101, 50}}));
  controller.Step();  // not recorded
  Show(window);
  controller.Step();
  QApplication::processEvents();
  EXPECT_EQ(window.LabelText(), "Current: 250 MAX:250 MIN:0 DIFF:250");
  EXPECT_EQ(controller.History().Samples()[SumHistory::Size - 2], 0);
  EXPECT_EQ(at(156, 209), black);  // the older samples are zero bars
  EXPECT_EQ(at(156, 150), background);
  EXPECT_TRUE(at(311, 100) == black || at(312, 100) == black);  // the rise at the edge

  window.resize(600, 400);
  QApplication::processEvents();
  EXPECT_EQ(at(590, 399), black);
  EXPECT_EQ(at(300, 200), background);
}

TEST(DebuggerWindow, SaysWhereARunStoppedAndEditsOnlyWhatIsAllowed) {
  MachineController controller;
  DebuggerWindow window(controller);
  controller.LoadImage(Image({20, 21, 0}, {{21, 255}}));  // cell 20 counts up
  Show(window);
  EXPECT_TRUE(window.ToggleWatch("&H14"));
  controller.RunFullSpeed();
  ASSERT_TRUE(test::WaitFor([&] { return !controller.FullSpeed(); }));
  EXPECT_EQ(window.StateText(), "State: stopped at watch 20: 0 -> 1");
  controller.Step();
  controller.StepBack();
  EXPECT_EQ(window.StateText(), "State: stepped back to step 1");
  EXPECT_FALSE(window.SetCell("20", "256"));
  EXPECT_FALSE(window.SetIP("253"));
  EXPECT_TRUE(window.SetCell("20", "7") && window.SetIP("3"));
  EXPECT_EQ(std::vector<int>({controller.State().Memory[20], controller.State().IP}), std::vector<int>({7, 3}));
}

}  // namespace
}  // namespace zar
