#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "machine/machine.h"

namespace zar {

// A colour as R + 256 * G + 65536 * B, red in the lowest byte.
using ColorValue = std::int32_t;

constexpr ColorValue RGB(int r, int g, int b) { return r + 256 * g + 65536 * b; }
constexpr int RedOf(ColorValue c) { return c & 0xFF; }
constexpr int GreenOf(ColorValue c) { return (c >> 8) & 0xFF; }
constexpr int BlueOf(ColorValue c) { return (c >> 16) & 0xFF; }

inline constexpr int ScreenSize = 256;

// The screen's cells: the commands read the coordinates and the colour, a
// read writes the colour it finds, and every command clears the command
// cell (ScreenCommandCell).
inline constexpr int ScreenX1Cell = ScreenDeviceFirst;
inline constexpr int ScreenY1Cell = 247;
inline constexpr int ScreenXCell = 248;
inline constexpr int ScreenYCell = 249;
inline constexpr int ScreenRedCell = 250;
inline constexpr int ScreenGreenCell = 251;
inline constexpr int ScreenBlueCell = 252;

// The store's own arrays, for code that writes a pixel as operator() does:
// a row still filling takes the fill colour first, and a write marks its row
// written and counts its version. The compiled engines' plots (x86 and
// WebAssembly) write them as bytes and 32-bit words, and a colour as RGB
// makes it.
struct ScreenBufferRaw {
  ColorValue* pixels;
  bool* filling;
  bool* written;
  std::uint32_t* versions;
};
static_assert(sizeof(bool) == 1 && sizeof(ColorValue) == 4);
static_assert(RGB(1, 2, 3) == (1 | 2 << 8 | 3 << 16));

// The pixel store of the screen device, black at start, kept for the whole
// process whether a window shows it or not. Element (x, y) with x to the right
// and y downwards, stored row by row. It marks the rows written to since the
// marks were last forgotten, so that a copy can take just those.
//
// Filling the whole store costs nothing at once: each row takes the colour
// when it is next touched, so a program that clears the screen again and
// again (and a replay of one) pays only for the rows it draws on.
class ScreenBuffer {
 public:
  ColorValue& operator()(int x, int y) {
    Touch(y);
    return MutableRow(y)[x];
  }
  ColorValue operator()(int x, int y) const { return filling_[y] ? fill_ : pixels_[y * ScreenSize + x]; }
  void FillAll(ColorValue c) {
    fill_ = c;
    filling_.fill(true);
    for (int y = 0; y < ScreenSize; ++y) Touch(y);
  }
  const ColorValue* Rows() const {
    for (int y = 0; y < ScreenSize; ++y) MutableRow(y);
    return pixels_.data();
  }
  const ColorValue* Row(int y) const { return MutableRow(y); }
  // A row about to be written whole.
  ColorValue* WriteRow(int y) {
    Touch(y);
    filling_[y] = false;
    return pixels_.data() + y * ScreenSize;
  }

  bool RowWritten(int y) const { return written_[y]; }
  bool AnyRowWritten() const {
    return std::any_of(written_.begin(), written_.end(), [](bool written) { return written; });
  }
  void ForgetWrites() { written_.fill(false); }
  // Counts the writes to each row, so that a view can tell the rows that
  // changed since it last looked.
  std::uint32_t RowVersion(int y) const { return versions_[y]; }
  ScreenBufferRaw Raw() { return {pixels_.data(), filling_.data(), written_.data(), versions_.data()}; }

 private:
  void Touch(int y) {
    written_[y] = true;
    ++versions_[y];
  }

  // The row, given the fill colour first if it is still waiting for it.
  ColorValue* MutableRow(int y) const {
    ColorValue* row = pixels_.data() + y * ScreenSize;
    if (filling_[y]) {
      std::fill(row, row + ScreenSize, fill_);
      filling_[y] = false;
    }
    return row;
  }

  mutable std::array<ColorValue, ScreenSize * ScreenSize> pixels_{};
  mutable std::array<bool, ScreenSize> filling_{};  // rows still to take fill_
  ColorValue fill_ = 0;
  std::array<bool, ScreenSize> written_{};
  std::array<std::uint32_t, ScreenSize> versions_{};
};

struct ScreenDevice {
  ScreenBuffer Buffer;
  ColorValue ScreenColor = 0;  // set by command 2, used by command 1
};

// The screen commands found in the command cell.
enum ScreenCommand : Byte {
  ScreenClear = 1,
  ScreenSetColor = 2,
  ScreenPlot = 3,
  ScreenRead = 4,
  ScreenLine = 5,
};

// Whether a screen command does something: 1 to 5. The others are cleared
// and do nothing else, so that a step that gives one is a plain step for
// the look for repeats.
constexpr bool ScreenServes(Byte command) { return command >= ScreenClear && command <= ScreenLine; }

// Bresenham-style line from (x0, y0) to (x1, y1), both ends included; the
// same pixels whichever end comes first. Coinciding ends set that one pixel.
void DrawLine(ScreenBuffer& buffer, int x0, int x1, int y0, int y1, ColorValue k);

namespace detail {
void ExecuteScreenCommand(MemoryCells& memory, ScreenDevice& screen, Byte command);
}

// Executes the command in the screen command cell on the device and clears the
// cell. Returns true when a command ran, which means the picture must be
// refreshed; a zero cell costs nothing and returns false.
inline bool CheckScreen(MemoryCells& memory, ScreenDevice& screen) {
  const Byte command = memory[ScreenCommandCell];
  if (command == 0) return false;
  detail::ExecuteScreenCommand(memory, screen, command);
  memory[ScreenCommandCell] = 0;
  return true;
}

}  // namespace zar
