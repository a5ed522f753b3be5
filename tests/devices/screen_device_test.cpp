#include "devices/screen_device.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace zar {
namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels LinePixels(int x0, int y0, int x1, int y1) {
  ScreenBuffer buffer;
  DrawLine(buffer, x0, x1, y0, y1, 1);
  Pixels set;
  for (int y = 0; y < ScreenSize; ++y) {
    for (int x = 0; x < ScreenSize; ++x) {
      if (buffer(x, y) == 1) set.insert({x, y});
    }
  }
  return set;
}

TEST(DrawLine, SetsThePixelsOfTheWorkedExamples) {
  EXPECT_EQ(LinePixels(0, 0, 3, 1), (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
  EXPECT_EQ(LinePixels(5, 0, 5, 4), (Pixels{{5, 0}, {5, 1}, {5, 2}, {5, 3}, {5, 4}}));
  EXPECT_EQ(LinePixels(0, 0, 4, 4), (Pixels{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}));
  EXPECT_EQ(LinePixels(9, 9, 9, 9), (Pixels{{9, 9}}));
}

TEST(DrawLine, EitherEndFirstGivesTheSameLine) {
  const int lines[][4] = {{0, 0, 3, 1}, {10, 200, 255, 0}, {7, 3, 2, 250}, {0, 255, 255, 0}, {40, 40, 41, 90}};
  for (const auto& l : lines) {
    const Pixels forward = LinePixels(l[0], l[1], l[2], l[3]);
    EXPECT_EQ(forward, LinePixels(l[2], l[3], l[0], l[1]));
    EXPECT_TRUE(forward.count({l[0], l[1]}) && forward.count({l[2], l[3]}));
  }
}

class CheckScreenTest : public testing::Test {
 protected:
  // Cells 246..252 and the command in 253.
  bool Command(int command, int x = 0, int y = 0, int r = 0, int g = 0, int b = 0, int x1 = 0, int y1 = 0) {
    const int cells[] = {x1, y1, x, y, r, g, b, command};
    for (int i = 0; i < 8; ++i) memory[246 + i] = static_cast<Byte>(cells[i]);
    return CheckScreen(memory, screen);
  }

  MemoryCells memory{};
  ScreenDevice screen;
};

TEST_F(CheckScreenTest, PlotReadAndClearWorkOnTheStore) {
  EXPECT_TRUE(Command(ScreenPlot, 10, 20, 255, 0, 0));
  EXPECT_EQ(screen.Buffer(10, 20), RGB(255, 0, 0));
  EXPECT_EQ(memory[ScreenCommandCell], 0);

  Command(ScreenPlot, 1, 1, 1, 2, 3);
  Command(ScreenRead, 1, 1, 9, 9, 9);
  EXPECT_EQ(memory[250], 1);
  EXPECT_EQ(memory[251], 2);
  EXPECT_EQ(memory[252], 3);
  Command(ScreenRead, 2, 2, 9, 9, 9);
  EXPECT_EQ(memory[250] + memory[251] + memory[252], 0);

  Command(ScreenClear, 0, 0, 50, 50, 50);  // clears to ScreenColor, black, not to the cells
  EXPECT_EQ(screen.Buffer(10, 20), 0);
  Command(ScreenSetColor, 0, 0, 0, 0, 255);
  EXPECT_EQ(screen.Buffer(0, 0), 0);  // setting the colour draws nothing
  Command(ScreenClear);
  EXPECT_EQ(screen.Buffer(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(screen.Buffer(255, 255), RGB(0, 0, 255));
  Command(ScreenPlot, 4, 4, 0, 255, 0);  // plot ignores ScreenColor
  EXPECT_EQ(screen.Buffer(4, 4), RGB(0, 255, 0));
}

TEST_F(CheckScreenTest, LineCommandWithCoincidentEndsSetsOnePixelAndCompletes) {
  EXPECT_TRUE(Command(ScreenLine, 30, 40, 0, 0, 200, 30, 40));
  EXPECT_EQ(screen.Buffer(30, 40), RGB(0, 0, 200));
  EXPECT_EQ(memory[ScreenCommandCell], 0);
  EXPECT_EQ(memory[246], 30);  // the device cells stay as the program left them
}

TEST_F(CheckScreenTest, UnknownCommandsAreClearedAndZeroDoesNothing) {
  EXPECT_TRUE(Command(7, 1, 1, 255, 255, 255));
  EXPECT_EQ(memory[ScreenCommandCell], 0);
  EXPECT_EQ(screen.Buffer(1, 1), 0);
  EXPECT_FALSE(Command(0, 1, 1, 255, 255, 255));
}

}  // namespace
}  // namespace zar
