#include "widgets/code_editor.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTextBlock>
#include <algorithm>

namespace zar {

namespace {

const QColor MarginBackground(240, 240, 240);
const QColor LineNumberColour(128, 128, 128);
const QColor CurrentLineNumberColour(48, 48, 48);
const QColor CurrentLineBackground(255, 250, 215);
const QColor BreakpointColour(255, 0, 255);  // as in the memory picture
constexpr int MarginPadding = 4;

// Its presence on a block marks a breakpoint on that line.
class BreakpointMark : public QTextBlockUserData {};

QColor MarkColour(LineMark mark) { return mark == LineMark::Error ? QColor(220, 40, 40) : QColor(230, 160, 20); }

int Digits(int n) { return static_cast<int>(QString::number(std::max(n, 1)).size()); }

}  // namespace

// The strip left of the text; the editor paints it.
class LineNumberMargin : public QWidget {
 public:
  explicit LineNumberMargin(CodeEditor* editor) : QWidget(editor), editor_(editor) {}

 protected:
  void paintEvent(QPaintEvent* event) override { editor_->PaintMargin(event); }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) editor_->MarginClicked(event->position().toPoint().y());
  }

 private:
  CodeEditor* editor_;
};

CodeEditor::CodeEditor(QWidget* parent) : TextArea(parent), margin_(new LineNumberMargin(this)) {
  margin_->setObjectName("lineNumbers");
  connect(this, &QPlainTextEdit::blockCountChanged, this, &CodeEditor::UpdateMarginWidth);
  connect(this, &QPlainTextEdit::updateRequest, this, &CodeEditor::FollowScroll);
  connect(this, &QPlainTextEdit::cursorPositionChanged, this, &CodeEditor::HighlightCurrentLine);
  UpdateMarginWidth();
  HighlightCurrentLine();
}

void CodeEditor::GoToLine(int line) {
  const QTextBlock block = document()->findBlockByNumber(std::clamp(line, 1, blockCount()) - 1);
  QTextCursor cursor(block);
  cursor.movePosition(QTextCursor::EndOfBlock);
  cursor.setPosition(block.position(), QTextCursor::KeepAnchor);
  setTextCursor(cursor);
  centerCursor();
  setFocus(Qt::OtherFocusReason);
}

void CodeEditor::SetLineMarks(const std::map<int, LineMark>& marks) {
  marks_ = marks;
  margin_->update();
}

void CodeEditor::ToggleBreakpoint(int line) {
  QTextBlock block = document()->findBlockByNumber(std::clamp(line, 1, blockCount()) - 1);
  block.setUserData(block.userData() == nullptr ? new BreakpointMark : nullptr);
  margin_->update();
  emit BreakpointToggled(block.blockNumber() + 1);
}

void CodeEditor::ClearBreakpoints() {
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) block.setUserData(nullptr);
  margin_->update();
}

std::vector<int> CodeEditor::BreakpointLines() const {
  std::vector<int> lines;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    if (block.userData() != nullptr) lines.push_back(block.blockNumber() + 1);
  }
  return lines;
}

// The margin and the text share their vertical coordinates.
void CodeEditor::MarginClicked(int y) {
  const QTextBlock block = cursorForPosition(QPoint(0, y)).block();
  if (block.isValid()) ToggleBreakpoint(block.blockNumber() + 1);
}

void CodeEditor::resizeEvent(QResizeEvent* event) {
  TextArea::resizeEvent(event);
  PlaceMargin();
}

void CodeEditor::changeEvent(QEvent* event) {
  TextArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) UpdateMarginWidth();
}

// Room for a mark, the digits of the last line number, and padding.
int CodeEditor::MarginWidth() const {
  const QFontMetrics metrics = fontMetrics();
  const int digits = metrics.horizontalAdvance(QChar('9')) * Digits(blockCount());
  return MarginPadding + metrics.height() / 2 + MarginPadding + digits + MarginPadding;
}

void CodeEditor::UpdateMarginWidth() {
  setViewportMargins(MarginWidth(), 0, 0, 0);
  PlaceMargin();
}

void CodeEditor::PlaceMargin() {
  const QRect area = contentsRect();
  margin_->setGeometry(area.left(), area.top(), MarginWidth(), area.height());
}

void CodeEditor::FollowScroll(const QRect& rect, int dy) {
  if (dy != 0) {
    margin_->scroll(0, dy);
  } else {
    margin_->update(0, rect.y(), margin_->width(), rect.height());
  }
}

void CodeEditor::HighlightCurrentLine() {
  QTextEdit::ExtraSelection line;
  line.format.setBackground(CurrentLineBackground);
  line.format.setProperty(QTextFormat::FullWidthSelection, true);
  line.cursor = textCursor();
  line.cursor.clearSelection();
  setExtraSelections({line});
  margin_->update();
}

void CodeEditor::PaintMargin(QPaintEvent* event) {
  QPainter painter(margin_);
  painter.fillRect(event->rect(), MarginBackground);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setFont(font());
  const QFontMetrics metrics = fontMetrics();
  const int dot = metrics.height() / 2;
  const int current = textCursor().blockNumber();
  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  while (block.isValid() && top <= event->rect().bottom()) {
    const int bottom = top + qRound(blockBoundingRect(block).height());
    if (block.isVisible() && bottom >= event->rect().top()) {
      const int number = block.blockNumber();
      painter.setPen(number == current ? CurrentLineNumberColour : LineNumberColour);
      if (block.userData() != nullptr) {
        const int left = MarginPadding + dot + MarginPadding / 2;
        painter.setBrush(BreakpointColour);
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRectF(left, top + 1, margin_->width() - left - 1, metrics.height() - 2), 3, 3);
        painter.setPen(Qt::white);
      }
      painter.drawText(0, top, margin_->width() - MarginPadding, metrics.height(), Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(number + 1));
      if (const auto mark = marks_.find(number + 1); mark != marks_.end()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(MarkColour(mark->second));
        painter.drawEllipse(MarginPadding, top + (metrics.height() - dot) / 2, dot, dot);
      }
    }
    block = block.next();
    top = bottom;
  }
}

}  // namespace zar
