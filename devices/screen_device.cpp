#include "devices/screen_device.h"

#include <cstdlib>
#include <utility>

namespace zar {

namespace {

ColorValue CellColor(const MemoryCells& m) { return RGB(m[ScreenRedCell], m[ScreenGreenCell], m[ScreenBlueCell]); }

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
      screen.Buffer(m[ScreenXCell], m[ScreenYCell]) = CellColor(m);
      break;
    case ScreenRead: {
      const ColorValue v = std::as_const(screen.Buffer)(m[ScreenXCell], m[ScreenYCell]);
      m[ScreenBlueCell] = static_cast<Byte>(BlueOf(v));
      m[ScreenGreenCell] = static_cast<Byte>(GreenOf(v));
      m[ScreenRedCell] = static_cast<Byte>(RedOf(v));
      break;
    }
    case ScreenLine:
      DrawLine(screen.Buffer, m[ScreenXCell], m[ScreenX1Cell], m[ScreenYCell], m[ScreenY1Cell], CellColor(m));
      break;
    default:
      break;  // commands 6..255 do nothing but are still cleared
  }
}

}  // namespace detail

}  // namespace zar
