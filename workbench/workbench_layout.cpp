#include "workbench/workbench_layout.h"

namespace zar {

namespace {

constexpr int FrameWidth = 200;   // the workbench's frame, left and right
constexpr int FrameHeight = 900;  // its title bar, menu bar and frame
constexpr int ChildFrameWidth = 180;
constexpr int ChildFrameHeight = 520;

int PositiveOrKeep(int size) { return size > 0 ? size : -1; }

}  // namespace

WorkbenchLayout LayOutWorkbench(int outerWidth, int outerHeight) {
  const int w = outerWidth - FrameWidth;
  const int h = outerHeight - FrameHeight;
  const int halfW = PositiveOrKeep(w / 2);
  const int halfH = PositiveOrKeep(h / 2);
  return {
      {9, 0, halfW, halfH},
      {w / 2, 0, halfW, halfH},
      {0, h / 2, PositiveOrKeep(w), halfH},
  };
}

TwipRect TextAreaInChild(int outerWidth, int outerHeight) {
  return {0, 0, PositiveOrKeep(outerWidth - ChildFrameWidth), PositiveOrKeep(outerHeight - ChildFrameHeight)};
}

}  // namespace zar
