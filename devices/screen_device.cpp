#include "devices/screen_device.h"

#include <cstdlib>
#include <utility>

namespace zar {

namespace {

constexpr int X1Cell = 246;
constexpr int Y1Cell = 247;
constexpr int XCell = 248;
constexpr int YCell = 249;
constexpr int RedCell = 250;
constexpr int GreenCell = 251;
constexpr int BlueCell = 252;

ColorValue CellColor(const MemoryCells& m) { return RGB(m[RedCell], m[GreenCell], m[BlueCell]); }

}  // namespace

void DrawLine(ScreenBuffer& buffer, int x0, int x1, int y0, int y1, ColorValue k) {
  const bool steep = std::abs(y1 - y0) > std::abs(x1 - x0);
  if (steep) {
    std::swap(x0, y0);
    std::swap(x1, y1);
  }
  if (x0 > x1) {
    std::swap(x0, x1);
    std::swap(y0, y1);
  }
  const int dx = x1 - x0;
  const int dy = std::abs(y1 - y0);
  // A zero-length line has no slope; it is the single pixel at its end points.
  const double slope = dx == 0 ? 0.0 : static_cast<double>(dy) / dx;
  double error = 0.0;
  int y = y0;
  const int ystep = y0 < y1 ? 1 : -1;
  for (int x = x0; x <= x1; ++x) {
    if (steep) {
      buffer(y, x) = k;
    } else {
      buffer(x, y) = k;
    }
    error += slope;
    if (error >= 0.5) {
      y += ystep;
      error -= 1.0;
    }
  }
}

namespace detail {

void ExecuteScreenCommand(MemoryCells& m, ScreenDevice& screen, Byte command) {
  switch (command) {
    case ScreenClear:
      screen.Buffer.FillAll(screen.ScreenColor);
      break;
    case ScreenSetColor:
      screen.ScreenColor = CellColor(m);
      break;
    case ScreenPlot:
      screen.Buffer(m[XCell], m[YCell]) = CellColor(m);
      break;
    case ScreenRead: {
      const ColorValue v = std::as_const(screen.Buffer)(m[XCell], m[YCell]);
      m[BlueCell] = static_cast<Byte>(BlueOf(v));
      m[GreenCell] = static_cast<Byte>(GreenOf(v));
      m[RedCell] = static_cast<Byte>(RedOf(v));
      break;
    }
    case ScreenLine:
      DrawLine(screen.Buffer, m[XCell], m[X1Cell], m[YCell], m[Y1Cell], CellColor(m));
      break;
    default:
      break;  // commands 6..255 do nothing but are still cleared
  }
}

}  // namespace detail

}  // namespace zar
