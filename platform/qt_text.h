#pragma once

#include <QChar>
#include <QString>

#include <filesystem>
#include <string>
#include <string_view>

#include "machine/machine.h"

namespace zar {

// Between the core's code-page-1252 bytes and Qt's text.
QChar Cp1252Char(Byte code);
QString FromCp1252(std::string_view bytes);
// Characters the code page lacks become question marks.
std::string ToCp1252(const QString& text);

// A path chosen in a dialog as the file system spells it.
std::filesystem::path LocalPath(const QString& path);

}  // namespace zar
