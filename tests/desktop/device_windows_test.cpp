#include <gtest/gtest.h>

#include <algorithm>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPalette>

#include "devices/history_window.h"
#include "devices/screen_window.h"
#include "devices/sum_history.h"

namespace zar {
namespace {

void ShowAndSettle(QWidget& window) {
  window.show();
  QApplication::processEvents();
}

void CloseAndSettle(QWidget& window) {
  window.close();
  QApplication::processEvents();
}

QRgb Black() { return qRgb(0, 0, 0); }

// ---- Screen window --------------------------------------------------------

TEST(ScreenWindowTest, IsFixedBlackFormSixCaptionedScreen) {
  ScreenDevice device;
  ScreenWindow window(device);
  ShowAndSettle(window);

  EXPECT_EQ(window.objectName(), "Form6");
  EXPECT_EQ(window.windowTitle(), "Screen");
  EXPECT_EQ(window.size(), QSize(257, 257));
  EXPECT_EQ(window.minimumSize(), QSize(257, 257));
  EXPECT_EQ(window.maximumSize(), QSize(257, 257));
  EXPECT_EQ(window.palette().color(QPalette::Window), QColor(Qt::black));
}

TEST(ScreenWindowTest, HoldsBlackSurfaceP1CoveringTheClientArea) {
  ScreenDevice device;
  ScreenWindow window(device);
  ShowAndSettle(window);

  auto* surface = window.findChild<QWidget*>("p1");
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(surface->geometry(), QRect(0, 0, 257, 257));
  EXPECT_EQ(surface->palette().color(QPalette::Window), QColor(Qt::black));
}

TEST(ScreenWindowTest, PlottedPixelAppearsAfterRefreshWhileVisible) {
  ScreenDevice device;
  ScreenWindow window(device);
  ShowAndSettle(window);

  device.Buffer(10, 20) = RGB(255, 0, 0);
  window.RefreshScreen();
  QApplication::processEvents();

  const QImage picture = window.Picture();
  ASSERT_EQ(picture.size(), QSize(257, 257));
  EXPECT_EQ(picture.pixel(10, 20), qRgb(255, 0, 0));
  EXPECT_EQ(picture.pixel(20, 10), Black());
  EXPECT_EQ(picture.pixel(11, 20), Black());
}

TEST(ScreenWindowTest, ColourValueKeepsRedInTheLowestByte) {
  ScreenDevice device;
  ScreenWindow window(device);
  ShowAndSettle(window);

  device.Buffer(255, 255) = RGB(1, 2, 3);
  window.RefreshScreen();

  EXPECT_EQ(window.Picture().pixel(255, 255), qRgb(1, 2, 3));
}

TEST(ScreenWindowTest, LastRowAndColumnStayBlackAfterAClear) {
  ScreenDevice device;
  ScreenWindow window(device);
  ShowAndSettle(window);

  device.Buffer.FillAll(RGB(0, 0, 255));
  window.RefreshScreen();

  const QImage picture = window.Picture();
  EXPECT_EQ(picture.pixel(0, 0), qRgb(0, 0, 255));
  EXPECT_EQ(picture.pixel(255, 255), qRgb(0, 0, 255));
  for (int i = 0; i <= 256; ++i) {
    EXPECT_EQ(picture.pixel(256, i), Black()) << "column 256, row " << i;
    EXPECT_EQ(picture.pixel(i, 256), Black()) << "row 256, column " << i;
  }
}

TEST(ScreenWindowTest, SurfacePaintsThePicture) {
  ScreenDevice device;
  ScreenWindow window(device);
  ShowAndSettle(window);

  device.Buffer(100, 50) = RGB(0, 255, 0);
  window.RefreshScreen();
  QApplication::processEvents();

  auto* surface = window.findChild<QWidget*>("p1");
  ASSERT_NE(surface, nullptr);
  const QImage painted = surface->grab().toImage();
  EXPECT_EQ(painted.pixelColor(100, 50).rgb(), qRgb(0, 255, 0));
  EXPECT_EQ(painted.pixelColor(50, 100).rgb(), Black());
}

TEST(ScreenWindowTest, RefreshWhileNeverShownIsHarmless) {
  ScreenDevice device;
  ScreenWindow window(device);

  device.Buffer(1, 1) = RGB(9, 9, 9);
  window.RefreshScreen();
  QApplication::processEvents();

  EXPECT_FALSE(window.isVisible());
}

TEST(ScreenWindowTest, CommandsGivenBeforeFirstShowAppearWhenOpened) {
  ScreenDevice device;
  ScreenWindow window(device);
  device.Buffer(30, 40) = RGB(200, 100, 50);
  window.RefreshScreen();

  ShowAndSettle(window);

  EXPECT_EQ(window.Picture().pixel(30, 40), qRgb(200, 100, 50));
}

TEST(ScreenWindowTest, CommandsGivenWhileClosedAppearWhenReopened) {
  ScreenDevice device;
  ScreenWindow window(device);
  ShowAndSettle(window);
  device.Buffer(5, 5) = RGB(255, 255, 255);
  window.RefreshScreen();
  CloseAndSettle(window);
  EXPECT_FALSE(window.isVisible());

  device.Buffer(6, 7) = RGB(0, 0, 255);
  window.RefreshScreen();
  ShowAndSettle(window);

  const QImage picture = window.Picture();
  EXPECT_EQ(picture.pixel(5, 5), qRgb(255, 255, 255));
  EXPECT_EQ(picture.pixel(6, 7), qRgb(0, 0, 255));
}

// ---- History window -------------------------------------------------------

// Spreads sum over the first cells, at most 255 a cell.
void SetMemorySum(MemoryCells& memory, int sum) {
  memory.fill(0);
  for (auto& cell : memory) {
    const int part = std::min(sum, 255);
    cell = static_cast<Byte>(part);
    sum -= part;
  }
}

QColor ButtonColour(const QWidget& widget) { return widget.palette().color(QPalette::Button); }

// Opaque colours, whatever the image format keeps in the alpha byte.
QRgb PixelAt(const QImage& image, int x, int y) { return image.pixelColor(x, y).rgb(); }

QRgb Rgb(const QColor& colour) { return colour.rgb(); }

class HistoryWindowTest : public testing::Test {
 protected:
  SumHistory history;
  MemoryCells memory{};
  HistoryWindow window{history, memory};
};

TEST_F(HistoryWindowTest, IsSizableFormFiveWithItsCaptionAndInitialSize) {
  ShowAndSettle(window);

  EXPECT_EQ(window.objectName(), "Form5");
  EXPECT_EQ(window.windowTitle(), "History of Memory Sum");
  EXPECT_EQ(window.size(), QSize(313, 210));
  EXPECT_NE(window.minimumSize(), window.maximumSize());
}

TEST_F(HistoryWindowTest, SurfaceFillsTheClientAreaWithAnEmptyLabelAtItsCorner) {
  ShowAndSettle(window);

  auto* surface = window.findChild<QWidget*>("p1");
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(surface->geometry(), QRect(0, 0, 313, 210));
  auto* label = surface->findChild<QLabel*>("Label1");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->pos(), QPoint(0, 0));
  EXPECT_TRUE(label->text().isEmpty());
  EXPECT_TRUE(window.LabelText().isEmpty());
}

TEST_F(HistoryWindowTest, EmptyPlotShowsTheButtonColour) {
  ShowAndSettle(window);

  const QImage plot = window.Plot();
  ASSERT_EQ(plot.size(), QSize(313, 210));
  EXPECT_EQ(PixelAt(plot, 200, 100), Rgb(ButtonColour(window)));
  EXPECT_EQ(PixelAt(plot, 312, 209), Rgb(ButtonColour(window)));
}

TEST_F(HistoryWindowTest, HiddenWindowRecordsNothing) {
  SetMemorySum(memory, 1000);
  const auto before = history.Samples();

  window.CalcDrawHistory();

  EXPECT_EQ(history.Samples(), before);
  EXPECT_TRUE(window.LabelText().isEmpty());
}

TEST_F(HistoryWindowTest, FirstRecordedStepRisesAtTheRightEdge) {
  SetMemorySum(memory, 1000);
  ShowAndSettle(window);

  window.CalcDrawHistory();
  QApplication::processEvents();

  EXPECT_EQ(history.Samples().back(), 1000);
  EXPECT_EQ(history.Samples().front(), 0);
  EXPECT_EQ(window.LabelText(), "Current: 1000 MAX:1000 MIN:0 DIFF:1000");
  const QImage plot = window.Plot();
  EXPECT_EQ(PixelAt(plot, 156, 209), Black());                    // bars of height zero
  EXPECT_EQ(PixelAt(plot, 156, 150), Rgb(ButtonColour(window)));  // nothing above them
  // The rise to the newest sample crosses the last two columns.
  EXPECT_TRUE(PixelAt(plot, 311, 100) == Black() || PixelAt(plot, 312, 100) == Black());
}

TEST_F(HistoryWindowTest, FlatHistoryDrawsALineAlongTheBottom) {
  ShowAndSettle(window);

  window.CalcDrawHistory();
  QApplication::processEvents();

  EXPECT_EQ(window.LabelText(), "Current: 0 MAX:0 MIN:0 DIFF:0");
  const QImage plot = window.Plot();
  for (int x : {0, 100, 200, 312}) {
    EXPECT_EQ(PixelAt(plot, x, 209), Black()) << "x " << x;
    EXPECT_EQ(PixelAt(plot, x, 208), Rgb(ButtonColour(window))) << "x " << x;
  }
}

TEST_F(HistoryWindowTest, RisingHistoryIsBlackBelowTheCurveOnly) {
  ShowAndSettle(window);
  for (int sum = 0; sum <= 512; ++sum) {
    SetMemorySum(memory, sum);
    window.CalcDrawHistory();
  }
  QApplication::processEvents();

  EXPECT_EQ(window.LabelText(), "Current: 512 MAX:512 MIN:0 DIFF:512");
  // The samples climb along the diagonal from the bottom left to the top right.
  const QImage plot = window.Plot();
  EXPECT_EQ(PixelAt(plot, 234, 157), Black());
  EXPECT_EQ(PixelAt(plot, 78, 105), Rgb(ButtonColour(window)));
  EXPECT_EQ(PixelAt(plot, 234, 30), Rgb(ButtonColour(window)));
}

TEST_F(HistoryWindowTest, ResizedWindowKeepsTheSurfaceFillingItAndRescalesThePlot) {
  ShowAndSettle(window);
  for (int sum = 0; sum <= 512; ++sum) {
    SetMemorySum(memory, sum);
    window.CalcDrawHistory();
  }

  window.resize(600, 400);
  QApplication::processEvents();

  auto* surface = window.findChild<QWidget*>("p1");
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(surface->geometry(), QRect(0, 0, 600, 400));
  const QImage plot = window.Plot();
  ASSERT_EQ(plot.size(), QSize(600, 400));
  EXPECT_EQ(PixelAt(plot, 450, 300), Black());
  EXPECT_EQ(PixelAt(plot, 150, 200), Rgb(ButtonColour(window)));
  EXPECT_EQ(PixelAt(plot, 590, 399), Black());
}

TEST_F(HistoryWindowTest, ClosingKeepsTheSamplesAndReopeningContinuesFromThem) {
  SetMemorySum(memory, 1000);
  ShowAndSettle(window);
  window.CalcDrawHistory();
  CloseAndSettle(window);
  EXPECT_FALSE(window.isVisible());

  SetMemorySum(memory, 2000);
  window.CalcDrawHistory();
  EXPECT_EQ(history.Samples().back(), 1000);
  EXPECT_EQ(history.Samples()[SumHistory::Size - 2], 0);

  ShowAndSettle(window);
  EXPECT_EQ(window.LabelText(), "Current: 1000 MAX:1000 MIN:0 DIFF:1000");
  window.CalcDrawHistory();

  EXPECT_EQ(history.Samples().back(), 2000);
  EXPECT_EQ(history.Samples()[SumHistory::Size - 2], 1000);
  EXPECT_EQ(window.LabelText(), "Current: 2000 MAX:2000 MIN:0 DIFF:2000");
}

TEST_F(HistoryWindowTest, LabelSizesItselfToItsText) {
  ShowAndSettle(window);
  SetMemorySum(memory, 65280);

  window.CalcDrawHistory();

  auto* label = window.findChild<QLabel*>("Label1");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->size(), label->sizeHint());
  EXPECT_EQ(label->pos(), QPoint(0, 0));
}

}  // namespace
}  // namespace zar
