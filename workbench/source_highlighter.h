#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <map>

#include "assembler/source_tokens.h"

namespace zar {

// Colours a source as the assembler reads it: each line's tokens from
// LineTokens over the bytes the scanner is given.
class SourceHighlighter : public QSyntaxHighlighter {
  Q_OBJECT

 public:
  explicit SourceHighlighter(QTextDocument* document);

 protected:
  void highlightBlock(const QString& text) override;

 private:
  std::map<TokenKind, QTextCharFormat> formats_;
};

}  // namespace zar
