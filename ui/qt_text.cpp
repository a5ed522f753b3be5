#include "ui/qt_text.h"

#include <QFile>

#include "machine/cp1252.h"

namespace zar {

QChar Cp1252Char(Byte code) { return QChar(static_cast<char16_t>(Cp1252ToUnicode(code))); }

QString FromCp1252(std::string_view bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char c : bytes) text += Cp1252Char(static_cast<Byte>(c));
  return text;
}

std::string ToCp1252(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  for (const QChar c : text) bytes += static_cast<char>(UnicodeToCp1252(c.unicode()).value_or('?'));
  return bytes;
}

std::optional<int> FirstLineOutsideCp1252(const QString& text) {
  int line = 1;
  for (const QChar c : text) {
    if (c == '\n') ++line;
    if (!UnicodeToCp1252(c.unicode())) return line;
  }
  return std::nullopt;
}

std::filesystem::path LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace zar
