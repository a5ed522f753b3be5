#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <array>
#include <string>

#include "machine/machine.h"
#include "machine/memory_text.h"

namespace zar {

class TextArea;

// The memory picture: 16 x 16 cells of 10 x 10 pixels in the grey of their
// value, with outlines on IP (green), A (red), B (blue) and C (yellow). It
// paints the machine as it was when it was last given, so covering and
// uncovering it changes nothing. The cells are one small image of a pixel a
// cell, widened without smoothing.
class MemoryPicture : public QWidget {
  Q_OBJECT

 public:
  static constexpr int Size = 162;  // the 160-pixel grid inside a one-pixel frame

  explicit MemoryPicture(QWidget* parent = nullptr);
  void Show(const Machine& machine);
  // Cells with a breakpoint get a dot in their middle, inside the markers.
  void ShowBreakpoints(const std::array<bool, 256>& breakpoints);
  // The machine as last given.
  const Machine& Shown() const { return shown_; }
  QImage Picture();

 signals:
  void Clicked();
  // The right button was released over a cell.
  void CellRightClicked(int cell);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Machine shown_;
  std::array<bool, 256> breakpoints_{};
  QImage cells_{16, 16, QImage::Format_RGB32};
};

// Keeps the memory picture and the memory text in step with the machine.
// After a step both are only marked for redrawing, so that Qt merges the
// work of fast runs into one repaint a frame; Redraw shows the state at once.
// The text changes only in the lines that differ from those shown.
class MemoryView : public QObject {
  Q_OBJECT

 public:
  MemoryView(MemoryPicture& picture, TextArea& text, QObject* parent = nullptr);

  // After a step: the picture repaints soon, the text within a frame.
  void DrawMemory(const Machine& machine);
  // Shows a pending text at once (after Step and Stop).
  void Flush();
  // After a change from outside: the new state, text at once.
  void Redraw(const Machine& machine);
  // How often the view took a new state, for tests.
  int Draws() const { return draws_; }

 private:
  MemoryPicture& picture_;
  TextArea& text_;
  QTimer textTimer_;
  bool textPending_ = false;
  std::array<std::string, MemoryTextLines> lines_;  // as the text area shows them
  int draws_ = 0;
};

}  // namespace zar
