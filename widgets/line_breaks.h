#pragma once

#include <QString>

namespace zar {

// Line breaks as the windows show them: a carriage return alone, a line feed
// alone and the pair each become one line feed.
inline QString NormalizeLineBreaks(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QChar('\r'), QChar('\n'));
  return text;
}

}  // namespace zar
