#include "workbench/source_highlighter.h"

#include "ui/qt_text.h"

namespace zar {

namespace {

QTextCharFormat Coloured(const QColor& colour, QFont::Weight weight = QFont::Normal) {
  QTextCharFormat format;
  format.setForeground(colour);
  format.setFontWeight(weight);
  return format;
}

QTextCharFormat Italic(const QColor& colour) {
  QTextCharFormat format = Coloured(colour);
  format.setFontItalic(true);
  return format;
}

QTextCharFormat RedWave() {
  QTextCharFormat format;
  format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
  format.setUnderlineColor(Qt::red);
  return format;
}

}  // namespace

// Names keep the editor's own format.
SourceHighlighter::SourceHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(document),
      formats_{{TokenKind::Statement, Coloured(QColor(0, 0, 139), QFont::Bold)},
               {TokenKind::Label, Coloured(QColor(139, 0, 139))},
               {TokenKind::Number, Coloured(QColor(0, 128, 96))},
               {TokenKind::Unknown, Coloured(QColor(176, 96, 0))},
               {TokenKind::Comment, Italic(QColor(110, 110, 110))},
               {TokenKind::Error, RedWave()}} {}

// The scanner's bytes are one per character, so byte positions are
// character positions.
void SourceHighlighter::highlightBlock(const QString& text) {
  for (const SourceToken& token : LineTokens(ToCp1252(text))) {
    if (const auto format = formats_.find(token.kind); format != formats_.end()) {
      setFormat(token.start, token.length, format->second);
    }
  }
}

}  // namespace zar
