#include "widgets/text_area.h"

#include <QTextDocument>

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

// The document's raw text: its plain-text export would turn a no-break space
// into a blank. Paragraphs and soft line breaks become line feeds.
QString TextArea::WholeText() const {
  QString text = document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QChar('\n'));
  text.replace(QChar::LineSeparator, QChar('\n'));
  return text;
}

}  // namespace zar
