#include "widgets/text_area.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include "widgets/line_breaks.h"

namespace zar {

namespace {
// Tab stops every half inch at 96 dots per inch.
constexpr int TabStopPixels = 48;
}  // namespace

TextArea::TextArea(QWidget* parent) : QPlainTextEdit(parent) {
  setTabStopDistance(TabStopPixels);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TextArea::SetWholeText(const QString& text) { setPlainText(NormalizeLineBreaks(text)); }

// Qt's plain-text layout lays out and repaints only the line an edit falls
// in if the characters it removes and adds together reach no further than
// that line's end, and an edit block over several lines lays out every line
// between them again; so each line is its own edit of only the characters
// that differ, which mostly stays inside it. Inside an edit block the cursor
// also skips measuring itself against the line. Without undo the document
// drops the text it no longer holds, so an area rewritten for hours stays small.
void TextArea::ReplaceLines(const std::vector<std::pair<int, QString>>& lines) {
  if (lines.empty()) return;
  QTextDocument* doc = document();
  const bool undo = doc->isUndoRedoEnabled();
  doc->setUndoRedoEnabled(false);
  QTextCursor cursor(doc);
  for (const auto& [number, line] : lines) {
    const QTextBlock block = doc->findBlockByNumber(number);
    if (!block.isValid()) continue;
    const QString old = block.text();
    qsizetype same = 0;  // leading characters the lines share
    while (same < old.size() && same < line.size() && old[same] == line[same]) ++same;
    qsizetype tail = 0;  // and trailing ones, not counted twice
    while (tail < old.size() - same && tail < line.size() - same &&
           old[old.size() - 1 - tail] == line[line.size() - 1 - tail]) {
      ++tail;
    }
    if (same == old.size() && same == line.size()) continue;
    const int from = block.position() + static_cast<int>(same);
    cursor.beginEditBlock();
    cursor.setPosition(from);
    cursor.setPosition(from + static_cast<int>(old.size() - same - tail), QTextCursor::KeepAnchor);
    cursor.insertText(line.mid(same, line.size() - same - tail));
    cursor.endEditBlock();
  }
  doc->setUndoRedoEnabled(undo);
  // An area whose lines are replaced is painted again and again: its lines
  // keep their shaped text between paints (laying a line out shapes it anew).
  for (QTextBlock block = doc->firstBlock(); block.isValid(); block = block.next()) {
    block.layout()->setCacheEnabled(true);
  }
}

// The document's raw text: its plain-text export would turn a no-break space
// into a blank. Paragraphs and soft line breaks become line feeds.
QString TextArea::WholeText() const {
  QString text = document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QChar('\n'));
  text.replace(QChar::LineSeparator, QChar('\n'));
  return text;
}

}  // namespace zar
