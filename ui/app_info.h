#pragma once

#include <QFont>
#include <QIcon>
#include <QString>

namespace zar {

// The application's title: the caption of every message box.
inline const QString ApplicationTitle = QStringLiteral("ZAR");
inline const QString AuthorName = QStringLiteral("the ZAR team");
inline const QString ProjectAddress = QStringLiteral("https://zar.example.org");

// The program's icon: the one the desktop's icon theme has under the
// installed name, else the same picture built into the program.
QIcon ApplicationIcon();

// A fixed-pitch font of the given size: Liberation Mono (metrically the same
// as Courier New) where installed, else the system's fixed font.
QFont FixedFont(double pointSize);

// The small sans-serif font of the controls: Liberation Sans 8 pt (metrically
// the same as Arial) where installed, else the system's font at 8 pt.
QFont ControlFont();

// A description and pattern as a file-dialog filter.
QString FileFilter(const QString& description, const QString& pattern);

}  // namespace zar
