#pragma once

#include <QChar>
#include <QString>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "machine/machine.h"

namespace zar {

// Between the core's code-page-1252 bytes and Qt's text.
QChar Cp1252Char(Byte code);
QString FromCp1252(std::string_view bytes);
// Characters the code page lacks become question marks.
std::string ToCp1252(const QString& text);
// The number (from 1) of the first line, lines ended by line feeds, that
// holds a character the code page lacks; nothing when it holds them all.
std::optional<int> FirstLineOutsideCp1252(const QString& text);

// A path chosen in a dialog as the file system spells it.
std::filesystem::path LocalPath(const QString& path);

}  // namespace zar
