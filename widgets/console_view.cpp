#include "widgets/console_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace zar {

namespace {
constexpr int TabColumns = 8;
constexpr int Margin = 2;
}  // namespace

ConsoleView::ConsoleView(QWidget* parent) : QAbstractScrollArea(parent) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
}

void ConsoleView::AppendCharacter(QChar c) {
  appended_.append(c);
  if (c == '\r') {
    StartLine();
    afterCarriageReturn_ = true;
  } else if (c == '\n') {
    if (!afterCarriageReturn_) StartLine();
    afterCarriageReturn_ = false;
  } else {
    QString& line = lines_.back();
    if (c == '\t') {
      line.append(QString(TabColumns - line.size() % TabColumns, ' '));
    } else {
      line.append(c);
    }
    widestLine_ = std::max(widestLine_, static_cast<int>(line.size()));
    afterCarriageReturn_ = false;
  }
  UpdateScrollBars();
  viewport()->update();
}

void ConsoleView::StartLine() { lines_.append(QString()); }

void ConsoleView::RemoveLast(qsizetype n) {
  if (n <= 0) return;
  const QString kept = appended_.left(std::max<qsizetype>(0, appended_.size() - n));
  Clear();
  for (const QChar c : kept) AppendCharacter(c);
}

void ConsoleView::Clear() {
  appended_.clear();
  lines_ = {QString()};
  widestLine_ = 0;
  afterCarriageReturn_ = false;
  UpdateScrollBars();
  viewport()->update();
}

QString ConsoleView::Text() const { return QStringList(lines_).join('\n'); }

QString ConsoleView::Picture(QString line) {
  constexpr char16_t FirstPicture = 0x2400;  // the picture of code 0; code 127 has 0x2421
  for (QChar& c : line) {
    if (c.unicode() < 32) c = QChar(static_cast<char16_t>(FirstPicture + c.unicode()));
    if (c.unicode() == 127) c = QChar(static_cast<char16_t>(FirstPicture + 0x21));
  }
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
  vertical->setRange(0, std::max(0, static_cast<int>(lines_.size()) - VisibleLines()));
  vertical->setPageStep(VisibleLines());
  horizontalScrollBar()->setRange(0, std::max(0, widestLine_ - VisibleColumns() + 1));
  horizontalScrollBar()->setPageStep(VisibleColumns());
  if (!followingEnd) return;
  vertical->setValue(vertical->maximum());
  horizontalScrollBar()->setValue(std::max(0, static_cast<int>(lines_.back().size()) - VisibleColumns() + 1));
}

void ConsoleView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.setFont(font());
  const QFontMetrics metrics = fontMetrics();
  const int first = verticalScrollBar()->value();
  const int column = horizontalScrollBar()->value();
  const int columns = VisibleColumns() + 1;
  const int last = std::min(static_cast<int>(lines_.size()), first + VisibleLines() + 1);
  for (int i = first; i < last; ++i) {
    const int baseline = Margin + (i - first) * metrics.lineSpacing() + metrics.ascent();
    painter.drawText(Margin, baseline, Picture(lines_[i].mid(column, columns)));
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
