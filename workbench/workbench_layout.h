#pragma once

namespace zar {

// A rectangle in twips (15 to a pixel at 96 dots per inch).
struct TwipRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  bool operator==(const TwipRect&) const = default;
};

// Where the workbench puts its three child windows, from its outer size in
// twips: SourceCode and Internal Table side by side in the upper half (the
// SourceCode window 9 twips in, overlapping its neighbour), the output window
// across the lower half. A size that would not be positive is left as it was
// (reported as -1).
struct WorkbenchLayout {
  TwipRect source;
  TwipRect table;
  TwipRect output;
};

WorkbenchLayout LayOutWorkbench(int outerWidth, int outerHeight);

// The text area inside a child window of the given outer size; -1 where the
// size would not be positive.
TwipRect TextAreaInChild(int outerWidth, int outerHeight);

}  // namespace zar
