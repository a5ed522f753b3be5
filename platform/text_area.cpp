#include "platform/text_area.h"

#include "platform/line_breaks.h"

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

}  // namespace zar
