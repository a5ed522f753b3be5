#pragma once

#include <map>
#include <vector>

#include "widgets/text_area.h"

namespace zar {

// A mark beside a line number: a red dot for an error, an amber one for a
// warning.
enum class LineMark { Error, Warning };

// A text area for source code: line numbers and line marks in a margin on
// the left, and the line of the cursor on a soft background. A click in the
// margin toggles a breakpoint on the line, shown as a magenta number; a
// breakpoint stays with its line's text as lines are added or removed above
// it, and setting the whole text clears them. The text is set and read as in
// TextArea.
class CodeEditor : public TextArea {
  Q_OBJECT

 public:
  explicit CodeEditor(QWidget* parent = nullptr);

  // Selects the line (from 1, kept within the text) with the cursor at its
  // start, scrolls it into view and takes the focus.
  void GoToLine(int line);
  // Marks the lines (from 1) in the margin; an empty map clears the marks.
  void SetLineMarks(const std::map<int, LineMark>& marks);

  // Breakpoints, by line (from 1, kept within the text).
  void ToggleBreakpoint(int line);
  void ClearBreakpoints();
  std::vector<int> BreakpointLines() const;

 signals:
  // A breakpoint was toggled, by a click in the margin or by ToggleBreakpoint.
  void BreakpointToggled(int line);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  friend class LineNumberMargin;

  int MarginWidth() const;
  void UpdateMarginWidth();
  void PlaceMargin();
  void FollowScroll(const QRect& rect, int dy);
  void HighlightCurrentLine();
  void PaintMargin(QPaintEvent* event);
  void MarginClicked(int y);

  QWidget* margin_;
  std::map<int, LineMark> marks_;
};

}  // namespace zar
