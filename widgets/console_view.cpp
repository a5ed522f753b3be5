#include "widgets/console_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

#include "machine/console_text.h"

namespace zar {

namespace {
constexpr int TabColumns = 8;
constexpr int Margin = 2;

int NextTabStop(int column) { return column + TabColumns - column % TabColumns; }
}  // namespace

const QString ConsoleView::DroppedNote = QStringLiteral(
    "(earlier output was dropped: the console keeps the last 1010000 characters)");

ConsoleView::ConsoleView(const ConsoleText& text, QWidget* parent) : QAbstractScrollArea(parent), text_(text) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  Restart();
}

void ConsoleView::Follow() {
  const std::uint64_t end = text_.End();
  if (text_.Clears() != clears_) {
    Restart();
  } else if (end != shownEnd_ || text_.Begin() > lines_.front().start) {
    if (end < shownEnd_) TruncateTo(end);
    if (text_.Begin() > lines_.front().start) DropBefore(text_.Begin());
    Append(end);
  } else {
    return;
  }
  UpdateScrollBars();
  viewport()->update();
}

void ConsoleView::Restart() {
  clears_ = text_.Clears();
  const std::uint64_t begin = text_.Begin();
  lines_ = {Line{begin, begin, 0, false}};
  shownEnd_ = begin;
  afterCarriageReturn_ = false;
  widest_ = 0;
  Append(text_.End());
}

void ConsoleView::Append(std::uint64_t to) {
  if (to <= shownEnd_) return;
  const QString added = text_.Range(shownEnd_, to);
  std::uint64_t at = shownEnd_;
  for (const QChar c : added) {
    Line& line = lines_.back();
    const ConsoleBreak lineBreak = ConsoleBreakOf(c.unicode(), afterCarriageReturn_);
    if (lineBreak == ConsoleBreak::EndsLine) {
      lines_.push_back(Line{at + 1, at + 1, 0, false});
    } else if (lineBreak == ConsoleBreak::EndsPair) {
      line.start = line.end = at + 1;  // the second half of a pair
    } else {
      line.end = at + 1;
      line.tabs = line.tabs || c == '\t';
      line.columns = c == '\t' ? NextTabStop(line.columns) : line.columns + 1;
      widest_ = std::max(widest_, line.columns);
    }
    afterCarriageReturn_ = c == '\r';
    ++at;
  }
  shownEnd_ = to;
}

// The last line that keeps characters is read again from its start, so a
// carriage return that lost its line feed ends its line again.
void ConsoleView::TruncateTo(std::uint64_t end) {
  bool widest = false;  // whether the widest line lost characters
  while (lines_.size() > 1 && lines_.back().start >= end) {
    widest = widest || lines_.back().columns >= widest_;
    lines_.pop_back();
  }
  Line& last = lines_.back();
  widest = widest || last.columns >= widest_;
  last.start = std::min(last.start, end);
  last.end = last.start;
  last.columns = 0;
  last.tabs = false;
  shownEnd_ = last.start;
  afterCarriageReturn_ = last.start > text_.Begin() && text_.Range(last.start - 1, last.start) == QStringLiteral("\r");
  if (widest) FindWidest();
  Append(end);
}

// Output can run past everything shown between two looks: the text then
// goes on from its new beginning, which starts a line.
void ConsoleView::DropBefore(std::uint64_t begin) {
  while (lines_.size() > 1 && lines_[1].start <= begin) lines_.pop_front();
  Line& first = lines_.front();
  first.start = std::max(first.start, begin);
  first.end = std::max(first.end, first.start);
  if (shownEnd_ < begin) {
    shownEnd_ = begin;
    afterCarriageReturn_ = false;
  }
  Measure(first);
  FindWidest();
}

void ConsoleView::Measure(Line& line) const {
  const QString chars = text_.Range(line.start, line.end);
  line.tabs = chars.contains('\t');
  line.columns = line.tabs ? static_cast<int>(Expanded(line).size()) : static_cast<int>(chars.size());
}

void ConsoleView::FindWidest() {
  widest_ = 0;
  for (const Line& line : lines_) widest_ = std::max(widest_, line.columns);
}

QString ConsoleView::Expanded(const Line& line) const {
  const QString chars = text_.Range(line.start, line.end);
  if (!line.tabs) return chars;
  QString expanded;
  for (const QChar c : chars) {
    if (c == '\t') {
      expanded.append(QString(NextTabStop(static_cast<int>(expanded.size())) - expanded.size(), ' '));
    } else {
      expanded.append(c);
    }
  }
  return expanded;
}

QString ConsoleView::Text() const {
  QStringList lines;
  for (const Line& line : lines_) lines.append(Expanded(line));
  return lines.join('\n');
}

QString ConsoleView::Note() const { return text_.Dropped() ? DroppedNote : QString(); }

QString ConsoleView::Picture(QString line) {
  for (QChar& c : line) c = QChar(static_cast<char16_t>(ConsolePicture(c.unicode())));
  return line;
}

int ConsoleView::VisibleLines() const {
  return std::max(1, (viewport()->height() - Margin) / fontMetrics().lineSpacing());
}

int ConsoleView::VisibleColumns() const {
  return std::max(1, (viewport()->width() - 2 * Margin) / fontMetrics().horizontalAdvance(QChar('M')));
}

void ConsoleView::UpdateScrollBars() {
  // New output keeps the view on the last line while it was there before.
  QScrollBar* vertical = verticalScrollBar();
  const bool followingEnd = vertical->value() >= vertical->maximum();
  const int textLines = VisibleLines() - NoteLines();
  vertical->setRange(0, std::max(0, static_cast<int>(lines_.size()) - textLines));
  vertical->setPageStep(std::max(1, textLines));
  horizontalScrollBar()->setRange(0, std::max(0, widest_ - VisibleColumns() + 1));
  horizontalScrollBar()->setPageStep(VisibleColumns());
  if (!followingEnd) return;
  vertical->setValue(vertical->maximum());
  horizontalScrollBar()->setValue(std::max(0, lines_.back().columns - VisibleColumns() + 1));
}

void ConsoleView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.setFont(font());
  const QFontMetrics metrics = fontMetrics();
  const int notes = NoteLines();
  if (notes > 0) {
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(Margin, Margin + metrics.ascent(), Note());
    painter.setPen(palette().color(QPalette::Text));
  }
  const int first = verticalScrollBar()->value();
  const int column = horizontalScrollBar()->value();
  const int columns = VisibleColumns() + 1;
  const int last = std::min(static_cast<int>(lines_.size()), first + VisibleLines() - notes + 1);
  for (int i = first; i < last; ++i) {
    const Line& line = lines_[static_cast<std::size_t>(i)];
    // Without tabs a column is a character: only those in view are read.
    QString shown;
    if (line.tabs) {
      shown = Expanded(line).mid(column, columns);
    } else if (line.start + static_cast<std::uint64_t>(column) < line.end) {
      const std::uint64_t from = line.start + static_cast<std::uint64_t>(column);
      shown = text_.Range(from, std::min(line.end, from + static_cast<std::uint64_t>(columns)));
    }
    const int baseline = Margin + (i - first + notes) * metrics.lineSpacing() + metrics.ascent();
    painter.drawText(Margin, baseline, Picture(shown));
  }
}

void ConsoleView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void ConsoleView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopyAll();
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void ConsoleView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.addAction(tr("Copy All"), this, &ConsoleView::CopyAll);
  menu.exec(event->globalPos());
}

void ConsoleView::CopyAll() const { QApplication::clipboard()->setText(Text()); }

}  // namespace zar
