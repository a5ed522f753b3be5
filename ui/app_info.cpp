#include "ui/app_info.h"

#include <QFontDatabase>
#include <QStringList>

namespace zar {

QIcon ApplicationIcon() {
  return QIcon::fromTheme(QStringLiteral("zar-workbench"), QIcon(QStringLiteral(":/icons/zar-workbench.svg")));
}

QFont FixedFont(double pointSize) {
  QFont font = QFontDatabase::families().contains(QStringLiteral("Liberation Mono"))
                   ? QFont(QStringLiteral("Liberation Mono"))
                   : QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPointSizeF(pointSize);
  return font;
}

QFont ControlFont() {
  QFont font = QFontDatabase::families().contains(QStringLiteral("Liberation Sans"))
                   ? QFont(QStringLiteral("Liberation Sans"))
                   : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPointSize(8);
  return font;
}

QString FileFilter(const QString& description, const QString& pattern) {
  // File names on this platform are case-sensitive; take both spellings of
  // the extension.
  return description + " (" + pattern + " " + pattern.toUpper() + ")";
}

}  // namespace zar
