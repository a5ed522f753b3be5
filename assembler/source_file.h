#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "machine/text_file.h"

namespace zar {

// Source files are plain text in code page 1252. Larger ones than this are
// refused: a full table of 32,767 rows needs far less, and the editor would
// not be usable with them.
inline constexpr std::size_t MaxSourceBytes = 16 * 1024 * 1024;

FileError LoadSourceFile(const std::filesystem::path& path, std::string& bytes);

// Writes the bytes atomically: a failed save leaves any existing file alone.
FileError SaveSourceFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace zar
