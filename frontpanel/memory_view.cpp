#include "frontpanel/memory_view.h"

#include <QMouseEvent>
#include <QPainter>

#include <utility>
#include <vector>

#include "widgets/text_area.h"

namespace zar {

namespace {

constexpr int CellPixels = 10;
constexpr int Frame = 1;
// The text follows the picture at most this often while the machine runs.
constexpr int TextFrameMs = 20;

QRect CellRect(int cell) {
  return {Frame + (cell % 16) * CellPixels, Frame + (cell / 16) * CellPixels, CellPixels, CellPixels};
}

void DrawMarker(QPainter& painter, int cell, QColor color) {
  painter.setPen(color);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(CellRect(cell).adjusted(0, 0, -1, -1));
}

}  // namespace

MemoryPicture::MemoryPicture(QWidget* parent) : QWidget(parent) {
  setFixedSize(Size, Size);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void MemoryPicture::Show(const Machine& machine) {
  shown_ = machine;
  update();
}

void MemoryPicture::ShowBreakpoints(const std::array<bool, 256>& breakpoints) {
  breakpoints_ = breakpoints;
  update();
}

QImage MemoryPicture::Picture() { return grab().toImage(); }

void MemoryPicture::paintEvent(QPaintEvent*) {
  for (int row = 0; row < 16; ++row) {
    auto* pixels = reinterpret_cast<QRgb*>(cells_.scanLine(row));
    for (int column = 0; column < 16; ++column) {
      const int v = shown_.Memory[row * 16 + column];
      pixels[column] = qRgb(v, v, v);
    }
  }
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  painter.drawImage(QRect(Frame, Frame, 16 * CellPixels, 16 * CellPixels), cells_);
  // Later markers are drawn over earlier ones where cells coincide.
  const Instruction in = CurrentInstruction(shown_);
  DrawMarker(painter, shown_.IP, QColor(128, 255, 0));
  DrawMarker(painter, in.A, QColor(255, 0, 0));
  DrawMarker(painter, in.B, QColor(0, 128, 255));
  DrawMarker(painter, in.C, QColor(255, 255, 0));
  for (int i = 0; i < 256; ++i) {
    if (breakpoints_[i]) painter.fillRect(CellRect(i).adjusted(3, 3, -3, -3), QColor(255, 0, 255));
  }
}

void MemoryPicture::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (!rect().contains(at)) return;
  if (event->button() == Qt::LeftButton) emit Clicked();
  const int column = (at.x() - Frame) / CellPixels;
  const int row = (at.y() - Frame) / CellPixels;
  if (event->button() == Qt::RightButton && column >= 0 && column < 16 && row >= 0 && row < 16) {
    emit CellRightClicked(row * 16 + column);
  }
}

MemoryView::MemoryView(MemoryPicture& picture, TextArea& text, QObject* parent)
    : QObject(parent), picture_(picture), text_(text) {
  textTimer_.setSingleShot(true);
  textTimer_.setInterval(TextFrameMs);
  connect(&textTimer_, &QTimer::timeout, this, &MemoryView::Flush);
}

void MemoryView::DrawMemory(const Machine& machine) {
  ++draws_;
  picture_.Show(machine);
  textPending_ = true;
  if (!textTimer_.isActive()) textTimer_.start();
}

void MemoryView::Flush() {
  if (!textPending_) return;
  textPending_ = false;
  textTimer_.stop();
  const Machine& machine = picture_.Shown();
  const MarkedCells marked = MarkedCellsOf(machine);
  if (text_.blockCount() != MemoryTextLines) {  // nothing shown yet
    text_.SetWholeText(QString::fromLatin1(MemoryText(machine)));
    for (int line = 0; line < MemoryTextLines; ++line) lines_[line] = MemoryTextLine(machine, marked, line);
    return;
  }
  std::vector<std::pair<int, QString>> changed;
  for (int line = 0; line < MemoryTextLines; ++line) {
    std::string text = MemoryTextLine(machine, marked, line);
    if (text == lines_[line]) continue;
    changed.emplace_back(line, QString::fromLatin1(text));
    lines_[line] = std::move(text);
  }
  text_.ReplaceLines(changed);
}

void MemoryView::Redraw(const Machine& machine) {
  DrawMemory(machine);
  Flush();
}

}  // namespace zar
